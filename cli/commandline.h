#pragma once

#include <QString>
#include <QStringList>

#include <expected>

// Options that come before the command name and apply to every command.
struct GlobalOptions
{
    static constexpr int kDefaultWaitMs = 10'000;

    QString port; // --port PATH: a serial port opened as a USB CDC stream
    QString portMode = QStringLiteral("announced"); // --port-mode app|bootloader|announced
    QString ftdiSerial;                             // --ftdi SERIAL
    int waitMs = kDefaultWaitMs; // --wait-ms N: bound on finding and identifying the device
    bool json = false;           // --json
    bool verbose = false;        // --verbose: the application log on standard error
    QString serviceUrl;          // --service-url URL: a test service on the loopback interface
    QString serviceCaFile;       // --service-ca FILE: certificates trusted for that service
};

struct CommandLine
{
    GlobalOptions options;
    QString command;       // empty with --help and nothing else
    QStringList arguments; // everything after the command name
    bool help = false;
};

// Parses `zanprog [global options] COMMAND ...` (arguments without the program name).
// An error message means a usage error.
[[nodiscard]] std::expected<CommandLine, QString> parseCommandLine(const QStringList &arguments);
