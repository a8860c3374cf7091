#pragma once

#include "device/streamenumeration.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <expected>
#include <optional>

// The desktop program's command line.
struct ProgramOptions
{
    // Serial ports to use although their identifiers are not ours (a pseudo-terminal, an
    // adapter with foreign identifiers), in the order given.
    QList<ExplicitPort> ports;
    // Run on the simulated device of this profile instead of hardware.
    std::optional<QString> demoProfile;
    // A stand-in for the account and update service on the loopback interface (tests, the
    // demo), and a certificate file to trust for it.
    QString serviceUrl;
    QString serviceCaFile;
    bool help = false;
    bool version = false;
};

// Qt's own options (-platform, -style, ...) are taken out by QApplication before this runs.
[[nodiscard]] std::expected<ProgramOptions, QString>
parseProgramOptions(const QStringList &arguments);
[[nodiscard]] QString programHelpText();
