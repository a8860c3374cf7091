#include "app/appidentity.h"
#include "cli/command.h"

#include <QCoreApplication>
#include <QFile>

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    // The desktop program's identity: the settings and data folders are its own.
    appidentity::apply();
    QFile out;
    QFile err;
    out.open(stdout, QIODevice::WriteOnly | QIODevice::Unbuffered);
    err.open(stderr, QIODevice::WriteOnly | QIODevice::Unbuffered);
    QStringList arguments = QCoreApplication::arguments();
    arguments.removeFirst();
    return int(runCommandLine(arguments, out, err));
}
