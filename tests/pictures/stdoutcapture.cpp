#include "stdoutcapture.h"

#include <cstdio>
#include <cstdlib>
#include <unistd.h>

StdoutCapture::StdoutCapture()
{
    std::fflush(stdout);
    char name[] = "/tmp/zx-stdout-XXXXXX";
    m_captureFd = mkstemp(name);
    if (m_captureFd < 0)
        return;
    unlink(name);
    m_savedFd = dup(STDOUT_FILENO);
    dup2(m_captureFd, STDOUT_FILENO);
}

StdoutCapture::~StdoutCapture()
{
    std::fflush(stdout);
    if (m_savedFd >= 0) {
        dup2(m_savedFd, STDOUT_FILENO);
        close(m_savedFd);
    }
    if (m_captureFd >= 0)
        close(m_captureFd);
}

QByteArray StdoutCapture::text() const
{
    std::fflush(stdout);
    QByteArray result;
    if (m_captureFd < 0)
        return result;
    char buffer[4096];
    off_t offset = 0;
    for (;;) {
        const ssize_t count = pread(m_captureFd, buffer, sizeof buffer, offset);
        if (count <= 0)
            break;
        result.append(buffer, int(count));
        offset += count;
    }
    return result;
}
