#include "cli/command.h"
#include "cli/console.h"
#include "devicestate/layout.h"
#include "models/classes/schemacatalog.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonObject>

namespace {

// Schema texts are small; anything larger is not one.
constexpr qint64 kMaxLayoutFileBytes = 16 * 1024 * 1024;

const QString kUsage =
    QStringLiteral("usage: zanprog layout FILE [--aligned] | zanprog layout --builtin [NAME]");

ExitCode printLayout(Console &console, LayoutNode root, bool aligned)
{
    if (aligned)
        root = alignLayout(root);
    const QString listing = describeLayout(root);
    if (console.json())
        console.printJson(QJsonObject{{QStringLiteral("root"), root.name()},
                                      {QStringLiteral("size"), root.byteSize()},
                                      {QStringLiteral("listing"), listing}});
    else
        console.printLine(listing + QStringLiteral("size %1").arg(root.byteSize()));
    return ExitCode::Success;
}

ExitCode listBuiltinSchemas(Console &console)
{
    const QStringList names = builtinSchemaNames();
    if (!console.json()) {
        for (const QString &name : names)
            console.printLine(
                QStringLiteral("%1  %2 bytes").arg(name).arg(builtinSchema(name)->byteSize()));
        return ExitCode::Success;
    }
    QJsonArray schemas;
    for (const QString &name : names)
        schemas.append(QJsonObject{{QStringLiteral("name"), name},
                                   {QStringLiteral("root"), builtinSchema(name)->name()},
                                   {QStringLiteral("size"), builtinSchema(name)->byteSize()}});
    console.printJson(schemas);
    return ExitCode::Success;
}

ExitCode printBuiltinSchema(Console &console, const QString &name, bool aligned)
{
    const LayoutNode *root = builtinSchema(name);
    if (!root) {
        console.printError(QStringLiteral("zanprog: no built-in schema %1 (zanprog layout "
                                          "--builtin lists them)")
                               .arg(name));
        return ExitCode::Failed;
    }
    return printLayout(console, *root, aligned);
}

ExitCode printLayoutFile(Console &console, const QString &path, bool aligned)
{
    QFile file(path);
    // A file that cannot be read is a bad argument, as for the model-file commands; one that
    // was read and is no layout text is a failure.
    if (!file.open(QIODevice::ReadOnly)) {
        console.printError(
            QStringLiteral("cannot read %1: %2").arg(file.fileName(), file.errorString()));
        return ExitCode::Usage;
    }
    if (file.size() > kMaxLayoutFileBytes) {
        console.printError(
            QStringLiteral("%1 is too large for a layout text").arg(file.fileName()));
        return ExitCode::Failed;
    }
    const QByteArray text = file.readAll();
    if (file.error() != QFileDevice::NoError) {
        console.printError(
            QStringLiteral("cannot read %1: %2").arg(file.fileName(), file.errorString()));
        return ExitCode::Usage;
    }
    try {
        return printLayout(console, parseLayout(QString::fromUtf8(text)), aligned);
    } catch (const ParseException &error) {
        console.printError(QStringLiteral("position %1: %2")
                               .arg(error.position())
                               .arg(QString::fromStdString(error.what())));
        return ExitCode::Failed;
    }
}

} // namespace

ExitCode runLayoutCommand(CommandContext &context)
{
    QStringList arguments = context.arguments;
    const bool aligned = arguments.removeAll(QStringLiteral("--aligned")) > 0;
    const bool builtin = arguments.removeAll(QStringLiteral("--builtin")) > 0;
    if (builtin && arguments.isEmpty())
        return listBuiltinSchemas(context.console);
    if (arguments.size() != 1 || arguments.first().startsWith(QLatin1Char('-'))) {
        context.console.printError(kUsage);
        return ExitCode::Usage;
    }
    if (builtin)
        return printBuiltinSchema(context.console, arguments.first(), aligned);
    return printLayoutFile(context.console, arguments.first(), aligned);
}
