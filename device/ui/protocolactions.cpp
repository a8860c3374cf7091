#include "device/ui/protocolactions.h"

#include "device/deviceconnection.h"
#include "device/ui/protocoltext.h"
#include "ui/widgets/inputblocker.h"

#include <QPlainTextEdit>
#include <QPointer>

namespace {

void appendLines(QPlainTextEdit &log, const QStringList &lines)
{
    for (const QString &line : lines)
        log.appendPlainText(line);
}

// Coroutine parameters are copies held by the routine: nothing here refers to the caller's
// frame once the routine first waits.
Task<bool> readSectionTable(QPointer<DeviceConnection> connection, QPointer<QPlainTextEdit> log)
{
    auto block = blockInput(log->window());
    const Expected<QList<TargetSectionInfo>> sections =
        co_await connection->fskGetTargetSections(FlashTarget::ParameterMemory);
    block.reset();
    if (!sections || !log)
        co_return false;
    appendLines(*log, protocoltext::sectionTableLines(*sections));
    co_return true;
}

Task<bool> readSectionCrcs(QPointer<DeviceConnection> connection, QPointer<QPlainTextEdit> log)
{
    auto block = blockInput(log->window());
    const Expected<QList<TargetSectionInfo>> sections =
        co_await connection->fskGetTargetSections(FlashTarget::ParameterMemory);
    if (!sections || !connection || !log)
        co_return false;
    QList<std::uint8_t> ids;
    for (const TargetSectionInfo &section : *sections)
        ids << section.section;
    const Expected<QList<std::uint32_t>> crcs =
        co_await connection->fskGetSectionCrcs(FlashTarget::ParameterMemory, ids);
    block.reset();
    if (!crcs || !log)
        co_return false;
    appendLines(*log, protocoltext::sectionCrcLines(*sections, *crcs));
    co_return true;
}

class ReadSectionTable : public ProtocolAction
{
public:
    QString title() const override { return QStringLiteral("Read section table"); }
    void run(DeviceConnection &connection, QPlainTextEdit &log) override
    {
        log.appendPlainText(QStringLiteral("Reading the section table of the parameter memory"));
        (void)readSectionTable(&connection, &log);
    }
};

class ReadSectionCrcs : public ProtocolAction
{
public:
    QString title() const override { return QStringLiteral("Read section CRCs"); }
    void run(DeviceConnection &connection, QPlainTextEdit &log) override
    {
        log.appendPlainText(QStringLiteral("Reading the section CRCs of the parameter memory"));
        (void)readSectionCrcs(&connection, &log);
    }
};

} // namespace

std::vector<std::unique_ptr<ProtocolAction>> applicationSpecificActions()
{
    std::vector<std::unique_ptr<ProtocolAction>> actions;
    actions.push_back(std::make_unique<ReadSectionTable>());
    actions.push_back(std::make_unique<ReadSectionCrcs>());
    return actions;
}
