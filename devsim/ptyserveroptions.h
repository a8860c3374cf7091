#pragma once

#include "devsim/deviceprofile.h"
#include "devsim/faults.h"
#include "devsim/wiremodel.h"

#include <QString>
#include <QStringList>

#include <expected>
#include <vector>

namespace devsim {

// The command line of zanprog-devsim.
struct PtyServerOptions
{
    DeviceProfile profile;
    QString linkPath;  // --link: a symbolic link to the terminal, kept up to date
    QString stateFile; // --state: flash images kept across runs
    QString saxFile;   // --write-sax: write a firmware file for the profile and exit
    WireModel wire;
    std::vector<Fault> faults;
    bool help = false;
};

// Arguments without the program name. The message of a refusal names the option.
[[nodiscard]] std::expected<PtyServerOptions, QString>
parsePtyServerArguments(const QStringList &arguments);

[[nodiscard]] QString ptyServerHelpText();

} // namespace devsim
