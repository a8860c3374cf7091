#pragma once

#include "devsimprocess.h"

#include <QProcess>
#include <QString>
#include <QStringList>

// zanprog-testservice on a free loopback port for one test.
class TestServiceProcess
{
public:
    explicit TestServiceProcess(QStringList arguments = {QStringLiteral("--demo")});
    ~TestServiceProcess();
    TestServiceProcess(const TestServiceProcess &) = delete;
    TestServiceProcess &operator=(const TestServiceProcess &) = delete;

    // Starts it and reads the service URL from its first line; false when it did not come.
    [[nodiscard]] bool start();
    [[nodiscard]] QString url() const { return m_url; }
    // The global option that points zanprog at this service.
    [[nodiscard]] QStringList serviceArguments() const;
    void stop();

private:
    QStringList m_arguments;
    QProcess m_process;
    QString m_url;
};

// The authority that signed the service's certificate for --tls.
[[nodiscard]] QString testCaFile();

// zanprog with its settings under `configHome` (XDG_CONFIG_HOME) and `input` on its standard
// input, which is then closed.
[[nodiscard]] ZanprogRun runZanprogWith(const QStringList &arguments, const QString &configHome,
                                        const QByteArray &input = {});

// Where zanprog and the desktop program keep their settings under `configHome`.
[[nodiscard]] QString settingsFilePath(const QString &configHome);
