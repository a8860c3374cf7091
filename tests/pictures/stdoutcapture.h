#pragma once

#include <QByteArray>

// Redirects the process's standard output into a temporary file for as long as it lives;
// text() gives what was written so far. One at a time.
class StdoutCapture
{
public:
    StdoutCapture();
    ~StdoutCapture();
    StdoutCapture(const StdoutCapture &) = delete;
    StdoutCapture &operator=(const StdoutCapture &) = delete;

    [[nodiscard]] QByteArray text() const;

private:
    int m_savedFd = -1;
    int m_captureFd = -1;
};
