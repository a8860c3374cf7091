#pragma once

#include <QByteArray>
#include <QJsonArray>
#include <QJsonObject>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

// Runs the built driver-remover in a temporary folder, against a stand-in driver store
// file that the tool reads from DRIVER_REMOVER_STORE.
class ToolFixture
{
public:
    struct Result
    {
        int exitCode = -1;
        QByteArray output;
    };

    static constexpr const char *kKeyboardClass = "4d36e96b-e325-11ce-bfc1-08002be10318";
    static constexpr const char *kNetworkClass = "4d36e972-e325-11ce-bfc1-08002be10318";

    ToolFixture();

    QString path(const QString &name) const;
    QString writeFile(const QString &name, const QByteArray &contents) const;

    // A keyboard-class driver by Acme of 2020-01-02, version 1.0.0.0, that uninstalls
    // cleanly; overrides replace or add fields.
    static QJsonObject driver(const QString &description, const QString &infFileName,
                              const QJsonObject &overrides = {});
    void writeStore(const QJsonArray &drivers) const;
    QByteArray storeBytes() const;
    QStringList remainingInfFiles() const;
    QStringList removedInfFiles() const;

    // Writes the filter file and runs the tool on it with the store.
    Result runFilters(const QByteArray &filterFile, const QStringList &moreArguments = {}) const;
    Result run(const QStringList &arguments, bool withStore = true) const;

private:
    QJsonObject store() const;

    QTemporaryDir m_dir;
};

// The INF file names of the "InfFileName:" lines, in output order.
QStringList printedInfFiles(const QByteArray &output);
