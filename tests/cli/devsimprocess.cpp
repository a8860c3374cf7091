#include "devsimprocess.h"

#include <csignal>

namespace {

// Bounds for a run that has gone wrong; a healthy one ends long before.
constexpr int kStartTimeoutMs = 10'000;
constexpr int kRunTimeoutMs = 60'000;
// How long an interrupted run may take to show its marker, and then to end.
constexpr int kInterruptTimeoutMs = 30'000;
// How long zanprog looks for the device: short enough that a missing device fails fast, long
// enough for a loaded machine.
const QString kWaitMs = QStringLiteral("8000");

void startZanprog(QProcess &process, const QStringList &arguments)
{
    process.start(QStringLiteral(ZX_ZANPROG_PATH), arguments);
    process.waitForStarted(kStartTimeoutMs);
}

} // namespace

DevsimProcess::DevsimProcess(QStringList arguments)
    : m_arguments(std::move(arguments))
{}

DevsimProcess::~DevsimProcess()
{
    stop();
}

bool DevsimProcess::start()
{
    m_process.start(QStringLiteral(ZX_DEVSIM_PATH), m_arguments);
    if (!m_process.waitForStarted(kStartTimeoutMs))
        return false;
    while (!m_process.canReadLine()) {
        if (!m_process.waitForReadyRead(kStartTimeoutMs))
            return false;
    }
    m_portPath = QString::fromLocal8Bit(m_process.readLine()).trimmed();
    return !m_portPath.isEmpty();
}

QStringList DevsimProcess::portArguments() const
{
    return {QStringLiteral("--port"), m_portPath, QStringLiteral("--wait-ms"), kWaitMs};
}

QStringList onPort(const DevsimProcess &device, const QStringList &command)
{
    return device.portArguments() + QStringList{QStringLiteral("--json")} + command;
}

int DevsimProcess::stop()
{
    if (m_process.state() == QProcess::NotRunning)
        return m_process.exitStatus() == QProcess::NormalExit ? m_process.exitCode() : -1;
    ::kill(pid_t(m_process.processId()), SIGTERM);
    if (!m_process.waitForFinished(kRunTimeoutMs)) {
        m_process.kill();
        m_process.waitForFinished();
        return -1;
    }
    return m_process.exitStatus() == QProcess::NormalExit ? m_process.exitCode() : -1;
}

ZanprogRun runZanprog(const QStringList &arguments)
{
    QProcess process;
    startZanprog(process, arguments);
    ZanprogRun run;
    if (!process.waitForFinished(kRunTimeoutMs)) {
        process.kill();
        process.waitForFinished();
    } else if (process.exitStatus() == QProcess::NormalExit) {
        run.exitCode = process.exitCode();
    }
    run.out = process.readAllStandardOutput();
    run.err = process.readAllStandardError();
    return run;
}

InterruptedRun interruptZanprog(const QStringList &arguments, const QByteArray &marker)
{
    QProcess process;
    startZanprog(process, arguments);
    process.setReadChannel(QProcess::StandardError);
    InterruptedRun run;
    while (!run.err.contains(marker) && process.waitForReadyRead(kInterruptTimeoutMs))
        run.err += process.readAllStandardError();
    run.markerSeen = run.err.contains(marker);
    if (!run.markerSeen)
        return run;
    ::kill(pid_t(process.processId()), SIGINT);
    run.finished = process.waitForFinished(kInterruptTimeoutMs);
    run.err += process.readAllStandardError();
    run.normalExit = process.exitStatus() == QProcess::NormalExit;
    run.exitCode = process.exitCode();
    return run;
}
