#include "devsim/quitonsignals.h"

#include <QCoreApplication>
#include <QSocketNotifier>

#include <csignal>
#include <fcntl.h>
#include <unistd.h>

namespace {

int quitPipe[2] = {-1, -1};

void requestQuit(int)
{
    const char byte = 1;
    [[maybe_unused]] const auto ignored = ::write(quitPipe[1], &byte, 1);
}

} // namespace

// The handler only writes to a pipe; the event loop reads it and quits.
void quitOnSignals(QCoreApplication &app)
{
    if (pipe2(quitPipe, O_CLOEXEC | O_NONBLOCK) != 0)
        return;
    auto *notifier = new QSocketNotifier(quitPipe[0], QSocketNotifier::Read, &app);
    QObject::connect(notifier, &QSocketNotifier::activated, &app, [&app] { app.quit(); });
    struct sigaction action = {};
    action.sa_handler = requestQuit;
    sigemptyset(&action.sa_mask);
    for (const int signal : {SIGINT, SIGTERM, SIGHUP})
        sigaction(signal, &action, nullptr);
    std::signal(SIGPIPE, SIG_IGN);
}
