#include "cli/passwordprompt.h"

#include <csignal>
#include <cstdio>
#include <string>
#include <termios.h>
#include <unistd.h>

namespace {

// The terminal's settings before echo was turned off, for the signal handler that puts them
// back: a Ctrl-C at the prompt must not leave the user's shell without echo.
struct termios savedTerminal;
struct sigaction previousInterrupt;
struct sigaction previousTerminate;

void restoreTerminalAndDie(int signal)
{
    tcsetattr(STDIN_FILENO, TCSANOW, &savedTerminal);
    std::signal(signal, SIG_DFL);
    std::raise(signal);
}

// One line without its line end; none when input ended before anything was read.
std::optional<std::string> readLine()
{
    std::string line;
    int c = 0;
    while ((c = std::fgetc(stdin)) != EOF && c != '\n')
        line.push_back(char(c));
    if (c == EOF && line.empty())
        return std::nullopt;
    if (!line.empty() && line.back() == '\r')
        line.pop_back();
    return line;
}

// Reads with echo off; the terminal is restored however the read ends.
std::optional<std::string> readWithoutEcho()
{
    if (tcgetattr(STDIN_FILENO, &savedTerminal) != 0)
        return readLine();
    struct sigaction restore = {};
    restore.sa_handler = restoreTerminalAndDie;
    sigemptyset(&restore.sa_mask);
    sigaction(SIGINT, &restore, &previousInterrupt);
    sigaction(SIGTERM, &restore, &previousTerminate);

    struct termios silent = savedTerminal;
    silent.c_lflag &= ~tcflag_t(ECHO);
    silent.c_lflag |= ECHONL; // the user's Enter still ends the line on screen
    tcsetattr(STDIN_FILENO, TCSAFLUSH, &silent);
    std::optional<std::string> line = readLine();
    tcsetattr(STDIN_FILENO, TCSAFLUSH, &savedTerminal);

    sigaction(SIGINT, &previousInterrupt, nullptr);
    sigaction(SIGTERM, &previousTerminate, nullptr);
    return line;
}

} // namespace

std::optional<QString> readPassword(const QString &prompt)
{
    std::optional<std::string> line;
    if (isatty(STDIN_FILENO) == 1) {
        const QByteArray text = prompt.toLocal8Bit();
        std::fwrite(text.constData(), 1, size_t(text.size()), stderr);
        std::fflush(stderr);
        line = readWithoutEcho();
    } else {
        line = readLine();
    }
    if (!line)
        return std::nullopt;
    return QString::fromLocal8Bit(line->data(), int(line->size()));
}
