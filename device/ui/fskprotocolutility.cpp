#include "device/ui/fskprotocolutility.h"

#include "device/deviceconnection.h"
#include "device/ui/blockedrequest.h"
#include "device/ui/protocoltext.h"

#include <QComboBox>
#include <QFontDatabase>
#include <QFontInfo>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QVBoxLayout>

#include <algorithm>

namespace {

constexpr std::uint8_t kBaseDevice = 0;
constexpr int kTestedFlagBits = 8;

// Hexadecimal dumps only line up in a fixed-pitch font, which some platforms do not name.
QFont fixedPitchFont()
{
    QFont font = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    if (!QFontInfo(font).fixedPitch()) {
        font.setFamily(QStringLiteral("monospace"));
        font.setStyleHint(QFont::TypeWriter);
    }
    return font;
}

// One width for every request button, so that the groups line up as one grid.
void giveButtonsOneWidth(const QList<QWidget *> &groups)
{
    QList<QPushButton *> buttons;
    for (const QWidget *group : groups)
        buttons += group->findChildren<QPushButton *>();
    int width = 0;
    for (const QPushButton *button : buttons)
        width = std::max(width, button->sizeHint().width());
    for (QPushButton *button : buttons)
        button->setMinimumWidth(width);
}

QLabel *buddyLabel(const QString &text, QWidget *buddy)
{
    auto *label = new QLabel(text);
    label->setBuddy(buddy);
    return label;
}

} // namespace

FskProtocolUtility::FskProtocolUtility(DeviceConnection &connection, QWidget *parent)
    : QWidget(parent, Qt::Window)
    , m_connection(connection)
    , m_actions(applicationSpecificActions())
{
    setWindowTitle(tr("Protocol Test"));

    m_connectionLabel = new QLabel;
    m_connectionLabel->setTextInteractionFlags(Qt::TextSelectableByMouse);
    auto *connectionRow = new QHBoxLayout;
    connectionRow->addWidget(buddyLabel(tr("Connection:"), m_connectionLabel));
    connectionRow->addWidget(m_connectionLabel, 1);

    QWidget *bootloader = createBootloaderGroup();
    QWidget *application = createApplicationGroup();
    QWidget *memory = createMemoryGroup();
    giveButtonsOneWidth({bootloader, application, memory});
    auto *groups = new QGridLayout;
    groups->addWidget(bootloader, 0, 0);
    groups->addWidget(application, 1, 0);
    groups->addWidget(memory, 0, 1, 2, 1);

    m_log = new QPlainTextEdit;
    m_log->setReadOnly(true);
    m_log->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    m_log->setFont(fixedPitchFont());
    m_log->setAccessibleName(tr("Protocol log"));
    auto *clearButton = new QPushButton(tr("Clear Log"));
    connect(clearButton, &QPushButton::clicked, m_log, &QPlainTextEdit::clear);
    auto *bottomRow = new QHBoxLayout;
    bottomRow->addStretch(1);
    bottomRow->addWidget(clearButton);

    auto *layout = new QVBoxLayout(this);
    layout->addLayout(connectionRow);
    layout->addLayout(groups);
    layout->addWidget(m_log, 1);
    layout->addLayout(bottomRow);
    resize(sizeHint().width(), 560);

    connect(&m_connection, &DeviceConnection::isOpenChanged, this,
            &FskProtocolUtility::updateConnectionInfo);
    connect(&m_connection, &DeviceConnection::modeSelected, this,
            &FskProtocolUtility::updateConnectionInfo);
    updateConnectionInfo();
}

FskProtocolUtility::~FskProtocolUtility() = default;

QWidget *FskProtocolUtility::createBootloaderGroup()
{
    auto *group = new QGroupBox(tr("Bootloader"));
    auto *grid = new QGridLayout(group);
    grid->addWidget(addButton(QStringLiteral("GO"),
                              tr("Leave the bootloader and start the application"),
                              &FskProtocolUtility::sendBlGo),
                    0, 0);
    grid->addWidget(addButton(QStringLiteral("ID_REQUEST"),
                              tr("Identify the bootloader and the application it holds"),
                              &FskProtocolUtility::sendBlIdReq),
                    0, 1);
    grid->setColumnStretch(2, 1);
    return group;
}

QWidget *FskProtocolUtility::createApplicationGroup()
{
    auto *group = new QGroupBox(tr("Application"));
    auto *grid = new QGridLayout(group);
    grid->addWidget(addButton(QStringLiteral("BOOTLOAD_MODE"),
                              tr("Restart the device into its bootloader"),
                              &FskProtocolUtility::sendBootloadMode),
                    0, 0);
    grid->addWidget(addButton(QStringLiteral("ID_REQ"), tr("Identify the application"),
                              &FskProtocolUtility::sendIdReq),
                    0, 1);
    grid->addWidget(addButton(QStringLiteral("SERIAL_REQ"), tr("Read the serial number"),
                              &FskProtocolUtility::sendSerialReq),
                    0, 2);
    grid->addWidget(addButton(QStringLiteral("FLASH_SAVE"),
                              tr("Save the parameter memory to flash"),
                              &FskProtocolUtility::sendFlashSave),
                    1, 0);
    grid->addWidget(addButton(QStringLiteral("TNC_STATUS"), tr("Read the calibration status"),
                              &FskProtocolUtility::sendTncStatus),
                    1, 1);
    grid->addWidget(addButton(QStringLiteral("DISCOVERY_REQUEST"),
                              tr("Ask remote receivers to report; their answers go to the "
                                 "program log"),
                              &FskProtocolUtility::sendQuillonDiscoveryRequest),
                    1, 2);

    m_flagSelector = new QComboBox;
    m_flagSelector->setAccessibleName(tr("Tested flag"));
    for (int bit = 0; bit < kTestedFlagBits; ++bit) {
        const auto flag = std::uint8_t(1u << bit);
        m_flagSelector->addItem(tr("Bit %1 (%2)").arg(bit).arg(protocoltext::hex(flag)), flag);
    }
    grid->addWidget(buddyLabel(tr("&Flag:"), m_flagSelector), 2, 0, Qt::AlignRight);
    grid->addWidget(m_flagSelector, 2, 1);
    grid->addWidget(addButton(QStringLiteral("SET_TESTED"), tr("Set the selected tested flag"),
                              &FskProtocolUtility::sendSetTested),
                    2, 2);

    m_actionSelector = new QComboBox;
    m_actionSelector->setAccessibleName(tr("Application-specific action"));
    for (std::size_t i = 0; i < m_actions.size(); ++i)
        m_actionSelector->addItem(m_actions[i]->title(), int(i));
    grid->addWidget(buddyLabel(tr("A&ction:"), m_actionSelector), 3, 0, Qt::AlignRight);
    grid->addWidget(m_actionSelector, 3, 1);
    m_runActionButton =
        addButton(tr("Run"), tr("Run the selected action"), &FskProtocolUtility::sendAppSpecific);
    grid->addWidget(m_runActionButton, 3, 2);
    const auto updateRunButton = [this] {
        m_runActionButton->setEnabled(m_actionSelector->currentIndex() >= 0);
    };
    connect(m_actionSelector, qOverload<int>(&QComboBox::currentIndexChanged), this,
            updateRunButton);
    updateRunButton();
    return group;
}

QWidget *FskProtocolUtility::createMemoryGroup()
{
    auto *group = new QGroupBox(tr("Memory"));
    auto *grid = new QGridLayout(group);

    m_targetSelector = new QComboBox;
    m_targetSelector->setAccessibleName(tr("Flash target"));
    m_targetSelector->addItem(tr("Parameter memory"), int(FlashTarget::ParameterMemory));
    m_targetSelector->addItem(tr("Tx system settings"), int(FlashTarget::TxSystemSettings));
    m_addressEdit = new QLineEdit(QStringLiteral("0"));
    m_addressEdit->setAccessibleName(tr("Start address"));
    m_addressEdit->setToolTip(tr("Decimal, or hexadecimal after 0x"));
    m_countEdit = new QLineEdit(QStringLiteral("64"));
    m_countEdit->setAccessibleName(tr("Byte count"));
    m_countEdit->setToolTip(tr("Decimal, or hexadecimal after 0x"));

    grid->addWidget(buddyLabel(tr("&Target:"), m_targetSelector), 0, 0);
    grid->addWidget(m_targetSelector, 0, 1);
    grid->addWidget(buddyLabel(tr("Start &address:"), m_addressEdit), 1, 0);
    grid->addWidget(m_addressEdit, 1, 1);
    grid->addWidget(buddyLabel(tr("C&ount:"), m_countEdit), 2, 0);
    grid->addWidget(m_countEdit, 2, 1);
    // Wide enough for a 16-bit value in either notation, so the group stays narrow.
    const int fieldWidth =
        m_addressEdit->fontMetrics().horizontalAdvance(QStringLiteral("0x0000000"));
    m_addressEdit->setMaximumWidth(fieldWidth);
    m_countEdit->setMaximumWidth(fieldWidth);
    grid->addWidget(addButton(QStringLiteral("ADV_READ_SEQ"),
                              tr("Read the range from the selected flash target"),
                              &FskProtocolUtility::sendAdvReadSeq),
                    3, 1);
    connect(m_addressEdit, &QLineEdit::returnPressed, this, &FskProtocolUtility::sendAdvReadSeq);
    connect(m_countEdit, &QLineEdit::returnPressed, this, &FskProtocolUtility::sendAdvReadSeq);
    grid->setRowStretch(4, 1);
    return group;
}

QPushButton *FskProtocolUtility::addButton(const QString &text, const QString &toolTip,
                                           void (FskProtocolUtility::*slot)())
{
    auto *button = new QPushButton(text);
    button->setToolTip(toolTip);
    button->setAutoDefault(false);
    connect(button, &QPushButton::clicked, this, slot);
    return button;
}

void FskProtocolUtility::appendLine(const QString &line)
{
    m_log->appendPlainText(line);
}

void FskProtocolUtility::appendLines(const QStringList &lines)
{
    for (const QString &line : lines)
        appendLine(line);
}

void FskProtocolUtility::sendBlGo()
{
    appendLine(QStringLiteral("Sending bootloader GO"));
    sendBlocked(
        this, [this](auto done) { m_connection.go(std::move(done)); },
        [this] { appendLine(QStringLiteral("Received bootloader GO_ACK")); });
}

void FskProtocolUtility::sendBlIdReq()
{
    appendLine(QStringLiteral("Sending bootloader ID_REQUEST"));
    awaitBlocked(
        this, [this] { return m_connection.idRequestAsync(kBaseDevice); },
        [this](const std::shared_ptr<IdRequestData> &data) {
            if (data)
                appendLines(protocoltext::bootloaderIdLines(*data));
        });
}

void FskProtocolUtility::sendBootloadMode()
{
    appendLine(QStringLiteral("Sending BOOTLOAD_MODE"));
    sendBlocked(
        this, [this](auto done) { m_connection.fskGo(std::move(done)); },
        [this] { appendLine(QStringLiteral("Received BOOTLOAD_MODE_ACK")); });
}

void FskProtocolUtility::sendIdReq()
{
    appendLine(QStringLiteral("Sending ID_REQ"));
    awaitBlocked(
        this, [this] { return m_connection.fskIdRequestAsync(); },
        [this](const std::shared_ptr<FskIdRequestData> &data) {
            if (data)
                appendLines(protocoltext::fskIdLines(*data));
        });
}

void FskProtocolUtility::sendSerialReq()
{
    appendLine(QStringLiteral("Sending SERIAL_REQ"));
    awaitBlocked(
        this, [this] { return m_connection.fskReadSerialAsync(); },
        [this](const QString &serial) {
            appendLine(QStringLiteral("Received SERIAL_ACK"));
            appendLine(QStringLiteral("  Serial number: ") + protocoltext::serialNumber(serial));
        });
}

std::optional<std::uint16_t> FskProtocolUtility::readField(const QLineEdit &field,
                                                           const QString &notInteger,
                                                           const QString &outOfRange)
{
    const auto value = protocoltext::parseUInt16(field.text());
    if (!value) {
        QMessageBox::critical(this, tr("Error"),
                              value.error() == protocoltext::FieldError::NotInteger ? notInteger
                                                                                    : outOfRange);
        return std::nullopt;
    }
    return *value;
}

void FskProtocolUtility::sendAdvReadSeq()
{
    // Checked before anything is written, so that the log never claims a request that was not
    // sent.
    const std::optional<std::uint16_t> address =
        readField(*m_addressEdit, tr("The index must be an integer."),
                  tr("The index must be from 0 to %1.").arg(protocoltext::kMaxFieldValue));
    if (!address)
        return;
    const std::optional<std::uint16_t> count =
        readField(*m_countEdit, tr("The count must be an integer."),
                  tr("The count must be from 0 to %1.").arg(protocoltext::kMaxFieldValue));
    if (!count)
        return;
    const auto target = FlashTarget(m_targetSelector->currentData().toInt());

    appendLine(QStringLiteral("Sending ADV_READ_SEQ packets"));
    sendBlocked(
        this,
        [this, target, address, count](auto done) {
            m_connection.fskAdvRead(target, std::nullopt, *address, *count, nullptr,
                                    std::move(done));
        },
        [this](const QByteArray &bytes) {
            appendLine(QStringLiteral("Received all data:"));
            appendLines(protocoltext::hexDump(bytes));
        });
}

void FskProtocolUtility::sendFlashSave()
{
    appendLine(QStringLiteral("Sending FLASH_SAVE"));
    sendBlocked(
        this, [this](auto done) { m_connection.fskSave(std::move(done)); },
        [this] { appendLine(QStringLiteral("Received FLASH_SAVE_ACK")); });
}

void FskProtocolUtility::sendTncStatus()
{
    appendLine(QStringLiteral("Sending TNC_STATUS"));
    awaitBlocked(
        this, [this] { return m_connection.fskTncStatusAsync(); },
        [this](const FskTncStatus &status) {
            appendLine(QStringLiteral("Received TNC_STATUS_ACK"));
            appendLine(QStringLiteral("  status: ") + protocoltext::hex(status.status));
        });
}

void FskProtocolUtility::sendQuillonDiscoveryRequest()
{
    // The connection reports no end of it (the answers are frames nobody awaits), so there is
    // nothing to block input until.
    appendLine(QStringLiteral("Sending DISCOVERY_REQUEST"));
    m_connection.fskDiscoveryRequest();
}

void FskProtocolUtility::sendSetTested()
{
    const auto flag = std::uint8_t(m_flagSelector->currentData().toUInt());
    appendLine(QStringLiteral("Sending SET_TESTED"));
    appendLine(QStringLiteral("Flag to set: ") + protocoltext::hex(flag));
    sendBlocked(
        this, [this, flag](auto done) { m_connection.fskSetTested(flag, std::move(done)); },
        [this](std::uint8_t answer) {
            appendLine(QStringLiteral("Received SET_TESTED_ACK"));
            appendLine(QStringLiteral("  status: ") + protocoltext::hex(answer));
        });
}

void FskProtocolUtility::sendAppSpecific()
{
    const QVariant selected = m_actionSelector->currentData();
    if (!selected.isValid())
        return;
    const int index = selected.toInt();
    if (index < 0 || index >= int(m_actions.size()))
        return;
    m_actions[std::size_t(index)]->run(m_connection, *m_log);
}

void FskProtocolUtility::updateConnectionInfo()
{
    m_connectionLabel->setText(m_connection.statusText());
}
