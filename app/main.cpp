#include "app/shell/programoptions.h"
#include "app/ui/program.h"

#include <QApplication>
#include <QTextStream>

int main(int argc, char *argv[])
{
    QApplication application(argc, argv);
    // Lets the desktop match the window to the installed entry and its icon.
    QGuiApplication::setDesktopFileName(QStringLiteral("com.solvanehobby.ZandorexProgrammer"));
    const auto options = parseProgramOptions(QApplication::arguments());
    if (!options) {
        QTextStream(stderr) << "zandorex-programmer: " << options.error() << " (see --help)\n";
        return 2;
    }
    if (options->help) {
        QTextStream(stdout) << programHelpText();
        return 0;
    }
    if (options->version) {
        QTextStream(stdout) << "zandorex-programmer 3.10.6\n";
        return 0;
    }

    Program::Setup setup;
    setup.options = *options;
    auto program = Program::start(std::move(setup));
    if (!program) {
        QTextStream(stderr) << "zandorex-programmer: " << program.error() << '\n';
        return 1;
    }
    // The program normally ends through its orderly exit, which does not come back here.
    const int status = QApplication::exec();
    program->reset();
    return status;
}
