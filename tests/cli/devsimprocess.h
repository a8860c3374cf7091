#pragma once

#include <QByteArray>
#include <QJsonDocument>
#include <QProcess>
#include <QString>
#include <QStringList>

// zanprog-devsim serving one device for a test, on a pseudo-terminal of its own.
class DevsimProcess
{
public:
    explicit DevsimProcess(QStringList arguments = {});
    ~DevsimProcess();
    DevsimProcess(const DevsimProcess &) = delete;
    DevsimProcess &operator=(const DevsimProcess &) = delete;

    // Starts it and reads the terminal's path from its first line; false when it did not come.
    [[nodiscard]] bool start();
    [[nodiscard]] QString portPath() const { return m_portPath; }
    // SIGTERM, then its exit status (-1 when it did not end normally).
    int stop();
    [[nodiscard]] QByteArray standardError() { return m_process.readAllStandardError(); }

private:
    QStringList m_arguments;
    QProcess m_process;
    QString m_portPath;
};

// One finished run of zanprog.
struct ZanprogRun
{
    int exitCode = -1;
    QByteArray out;
    QByteArray err;

    [[nodiscard]] QJsonDocument json() const { return QJsonDocument::fromJson(out); }
};

[[nodiscard]] ZanprogRun runZanprog(const QStringList &arguments);
// Started, not waited for: for tests that interrupt it.
void startZanprog(QProcess &process, const QStringList &arguments);
