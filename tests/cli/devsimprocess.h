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
    // The global options that point zanprog at this device: --port and --wait-ms.
    [[nodiscard]] QStringList portArguments() const;
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

// `command` run with --json against `device`.
[[nodiscard]] QStringList onPort(const DevsimProcess &device, const QStringList &command);

[[nodiscard]] ZanprogRun runZanprog(const QStringList &arguments);
// A run of zanprog that got Ctrl-C (SIGINT) as soon as its standard error showed a marker.
struct InterruptedRun
{
    bool markerSeen = false; // when false, no Ctrl-C was sent
    bool finished = false;
    bool normalExit = false;
    int exitCode = -1;
    QByteArray err;
};
[[nodiscard]] InterruptedRun interruptZanprog(const QStringList &arguments,
                                              const QByteArray &marker);
