#include "toolfixture.h"

#include <QFile>
#include <QJsonDocument>
#include <QProcess>
#include <QProcessEnvironment>
#include <QRegularExpression>
#include <QTest>

namespace {

constexpr int kToolTimeoutMs = 60000;

QStringList infFiles(const QJsonArray &array, bool fromDrivers)
{
    QStringList names;
    for (const QJsonValue &value : array)
        names << (fromDrivers ? value.toObject().value("infFileName").toString()
                              : value.toString());
    return names;
}

} // namespace

ToolFixture::ToolFixture()
{
    if (!m_dir.isValid())
        qFatal("cannot create a temporary folder");
}

QString ToolFixture::path(const QString &name) const
{
    return m_dir.filePath(name);
}

QString ToolFixture::writeFile(const QString &name, const QByteArray &contents) const
{
    QFile file(path(name));
    if (!file.open(QIODevice::WriteOnly) || file.write(contents) != contents.size())
        qFatal("cannot write %s", qPrintable(file.fileName()));
    return file.fileName();
}

QJsonObject ToolFixture::driver(const QString &description, const QString &infFileName,
                                const QJsonObject &overrides)
{
    QJsonObject driver{
        {"classGuid", kKeyboardClass},
        {"description", description},
        {"mfgName", "Acme"},
        {"providerName", "Acme Inc"},
        {"driverDate", "2020-01-02T00:00:00Z"},
        {"driverVersion", "1.0.0.0"},
        {"infFileName", infFileName},
        {"uninstallError", 0},
    };
    for (auto it = overrides.begin(); it != overrides.end(); ++it)
        driver.insert(it.key(), it.value());
    return driver;
}

void ToolFixture::writeStore(const QJsonArray &drivers) const
{
    const QJsonObject store{{"drivers", drivers}, {"removed", QJsonArray()}};
    writeFile("store.json", QJsonDocument(store).toJson());
}

QByteArray ToolFixture::storeBytes() const
{
    QFile file(path("store.json"));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QJsonObject ToolFixture::store() const
{
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(storeBytes(), &error);
    if (error.error != QJsonParseError::NoError)
        qWarning("store is not valid JSON: %s", qPrintable(error.errorString()));
    return document.object();
}

QStringList ToolFixture::remainingInfFiles() const
{
    return infFiles(store().value("drivers").toArray(), true);
}

QStringList ToolFixture::removedInfFiles() const
{
    return infFiles(store().value("removed").toArray(), false);
}

ToolFixture::Result ToolFixture::runFilters(const QByteArray &filterFile,
                                            const QStringList &moreArguments) const
{
    return run(QStringList{writeFile("filters.json", filterFile)} + moreArguments);
}

ToolFixture::Result ToolFixture::run(const QStringList &arguments, bool withStore) const
{
    QProcess process;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.remove("DRIVER_REMOVER_STORE");
    if (withStore)
        environment.insert("DRIVER_REMOVER_STORE", path("store.json"));
    process.setProcessEnvironment(environment);
    process.setProcessChannelMode(QProcess::SeparateChannels);
    process.start(DRIVER_REMOVER_PATH, arguments);
    Result result;
    if (!process.waitForFinished(kToolTimeoutMs) || process.exitStatus() != QProcess::NormalExit) {
        qWarning("driver-remover did not finish normally");
        return result;
    }
    // Every message of the tool belongs on standard output; anything on standard error (a
    // sanitizer report, say) spoils the exit code so that the test fails.
    const QByteArray errorOutput = process.readAllStandardError();
    if (!errorOutput.isEmpty()) {
        qWarning("driver-remover wrote to standard error: %s", errorOutput.constData());
        return result;
    }
    result.exitCode = process.exitCode();
    result.output = process.readAllStandardOutput();
    return result;
}

QStringList printedInfFiles(const QByteArray &output)
{
    static const QRegularExpression kInfLine("^    InfFileName: (.*)$",
                                             QRegularExpression::MultilineOption);
    QStringList names;
    auto matches = kInfLine.globalMatch(QString::fromUtf8(output));
    while (matches.hasNext())
        names << matches.next().captured(1);
    return names;
}
