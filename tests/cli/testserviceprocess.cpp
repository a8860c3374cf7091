#include "testserviceprocess.h"

#include "testservice/testservice.h"

#include <QProcessEnvironment>

#include <csignal>

namespace {

// Bounds for a run that has gone wrong; a healthy one ends long before.
constexpr int kStartTimeoutMs = 10'000;
constexpr int kRunTimeoutMs = 60'000;

} // namespace

TestServiceProcess::TestServiceProcess(QStringList arguments)
    : m_arguments(std::move(arguments))
{}

TestServiceProcess::~TestServiceProcess()
{
    stop();
}

bool TestServiceProcess::start()
{
    m_process.start(QStringLiteral(ZX_TESTSERVICE_PATH), m_arguments);
    if (!m_process.waitForStarted(kStartTimeoutMs))
        return false;
    while (!m_process.canReadLine()) {
        if (!m_process.waitForReadyRead(kStartTimeoutMs))
            return false;
    }
    m_url = QString::fromUtf8(m_process.readLine()).trimmed();
    return !m_url.isEmpty();
}

QStringList TestServiceProcess::serviceArguments() const
{
    return {QStringLiteral("--service-url"), m_url};
}

void TestServiceProcess::stop()
{
    if (m_process.state() == QProcess::NotRunning)
        return;
    ::kill(pid_t(m_process.processId()), SIGTERM);
    if (!m_process.waitForFinished(kRunTimeoutMs)) {
        m_process.kill();
        m_process.waitForFinished();
    }
}

QString testCaFile()
{
    return testservice::certificateFolder() + QStringLiteral("/test-ca.pem");
}

ZanprogRun runZanprogWith(const QStringList &arguments, const QString &configHome,
                          const QByteArray &input)
{
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("XDG_CONFIG_HOME"), configHome);
    // A proxy of the machine running the tests has no business with a loopback service.
    for (const char *proxy :
         {"http_proxy", "https_proxy", "all_proxy", "HTTP_PROXY", "HTTPS_PROXY", "ALL_PROXY"})
        environment.remove(QString::fromLatin1(proxy));
    QProcess process;
    process.setProcessEnvironment(environment);
    process.start(QStringLiteral(ZX_ZANPROG_PATH), arguments);
    process.waitForStarted(kStartTimeoutMs);
    process.write(input);
    process.closeWriteChannel();
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

QString settingsFilePath(const QString &configHome)
{
    return configHome + QStringLiteral("/Solvane Hobby/Zandorex Programmer.ini");
}
