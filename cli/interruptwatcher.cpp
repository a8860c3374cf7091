#include "cli/interruptwatcher.h"

#include <QSocketNotifier>

#include <array>
#include <atomic>
#include <csignal>
#include <fcntl.h>
#include <unistd.h>

namespace {

constexpr std::array kSignals{SIGINT, SIGTERM};

int wakePipe[2] = {-1, -1};
struct sigaction previousActions[kSignals.size()];

// Only what is safe in a signal handler: one byte into the pipe.
void wake(int)
{
    const char byte = 1;
    [[maybe_unused]] const auto ignored = ::write(wakePipe[1], &byte, 1);
}

// The handler may run on any thread, so the hold is a flag it reads rather than a signal mask.
std::atomic<int> holdDepth{0};
std::atomic<bool> exitPending{false};
struct sigaction actionsBeforeExit[kSignals.size()];

[[noreturn]] void exitInterrupted()
{
    constexpr char kMessage[] = "zanprog: interrupted\n";
    [[maybe_unused]] const auto ignored = ::write(STDERR_FILENO, kMessage, sizeof kMessage - 1);
    ::_exit(1);
}

void exitOnSignal(int)
{
    if (holdDepth.load() > 0) {
        exitPending = true;
        return;
    }
    exitInterrupted();
}

} // namespace

InterruptWatcher::InterruptWatcher(QObject *parent)
    : QObject(parent)
{
    if (pipe2(wakePipe, O_CLOEXEC | O_NONBLOCK) != 0)
        return;
    m_notifier = new QSocketNotifier(wakePipe[0], QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, [this] {
        char buffer[16];
        while (::read(wakePipe[0], buffer, sizeof buffer) > 0) {
        }
        emit interrupted();
    });
    struct sigaction action = {};
    action.sa_handler = wake;
    sigemptyset(&action.sa_mask);
    for (size_t i = 0; i < kSignals.size(); ++i)
        sigaction(kSignals[i], &action, &previousActions[i]);
}

InterruptWatcher::~InterruptWatcher()
{
    if (!m_notifier)
        return;
    for (size_t i = 0; i < kSignals.size(); ++i)
        sigaction(kSignals[i], &previousActions[i], nullptr);
    delete m_notifier;
    ::close(wakePipe[0]);
    ::close(wakePipe[1]);
    wakePipe[0] = wakePipe[1] = -1;
}

InterruptExit::InterruptExit()
{
    struct sigaction action = {};
    action.sa_handler = exitOnSignal;
    sigemptyset(&action.sa_mask);
    for (size_t i = 0; i < kSignals.size(); ++i)
        sigaction(kSignals[i], &action, &actionsBeforeExit[i]);
}

InterruptExit::~InterruptExit()
{
    for (size_t i = 0; i < kSignals.size(); ++i)
        sigaction(kSignals[i], &actionsBeforeExit[i], nullptr);
}

InterruptHold::InterruptHold()
{
    ++holdDepth;
}

InterruptHold::~InterruptHold()
{
    if (--holdDepth == 0 && exitPending.exchange(false))
        exitInterrupted();
}
