#include "cli/command.h"
#include "cli/console.h"
#include "devicestate/layout.h"

#include <QFile>
#include <QJsonObject>

namespace {

// Schema texts are small; anything larger is not one.
constexpr qint64 kMaxLayoutFileBytes = 16 * 1024 * 1024;

} // namespace

ExitCode runLayoutCommand(CommandContext &context)
{
    QStringList arguments = context.arguments;
    const bool aligned = arguments.removeAll(QStringLiteral("--aligned")) > 0;
    if (arguments.size() != 1) {
        context.console.printError(QStringLiteral("usage: zanprog layout FILE [--aligned]"));
        return ExitCode::Usage;
    }
    QFile file(arguments.first());
    if (!file.open(QIODevice::ReadOnly)) {
        context.console.printError(
            QStringLiteral("cannot read %1: %2").arg(file.fileName(), file.errorString()));
        return ExitCode::Failed;
    }
    if (file.size() > kMaxLayoutFileBytes) {
        context.console.printError(
            QStringLiteral("%1 is too large for a layout text").arg(file.fileName()));
        return ExitCode::Failed;
    }

    try {
        LayoutNode root = parseLayout(QString::fromUtf8(file.readAll()));
        if (aligned)
            root = alignLayout(root);
        const QString listing = describeLayout(root);
        if (context.console.json()) {
            context.console.printJson(QJsonObject{{QStringLiteral("root"), root.name()},
                                                  {QStringLiteral("size"), root.byteSize()},
                                                  {QStringLiteral("listing"), listing}});
        } else {
            context.console.printLine(listing + QStringLiteral("size %1").arg(root.byteSize()));
        }
        return ExitCode::Success;
    } catch (const ParseException &error) {
        context.console.printError(QStringLiteral("position %1: %2")
                                       .arg(error.position())
                                       .arg(QString::fromStdString(error.what())));
        return ExitCode::Failed;
    }
}
