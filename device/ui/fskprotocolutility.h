#pragma once

#include "device/ui/protocolactions.h"

#include <QWidget>

#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

class DeviceConnection;
class QComboBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;

// A developer window that sends single protocol requests through the program's connection and
// writes what was sent and what came back into its log box. Failures write nothing here: the
// program log already has them.
class FskProtocolUtility : public QWidget
{
    Q_OBJECT

public:
    explicit FskProtocolUtility(DeviceConnection &connection, QWidget *parent = nullptr);
    ~FskProtocolUtility() override;

public slots:
    void sendBlGo();
    void sendBlIdReq();
    void sendBootloadMode();
    void sendIdReq();
    void sendSerialReq();
    void sendAdvReadSeq();
    void sendFlashSave();
    void sendTncStatus();
    void sendQuillonDiscoveryRequest();
    void sendSetTested();
    void sendAppSpecific();
    void updateConnectionInfo();

private:
    QWidget *createBootloaderGroup();
    QWidget *createApplicationGroup();
    QWidget *createMemoryGroup();
    QPushButton *addButton(const QString &text, const QString &toolTip,
                           void (FskProtocolUtility::*slot)());

    void appendLine(const QString &line);
    void appendLines(const QStringList &lines);
    // Shows the critical box for a field that does not hold a 16-bit unsigned integer.
    [[nodiscard]] std::optional<std::uint16_t>
    readField(const QLineEdit &field, const QString &notInteger, const QString &outOfRange);

    DeviceConnection &m_connection;
    std::vector<std::unique_ptr<ProtocolAction>> m_actions;

    QLabel *m_connectionLabel = nullptr;
    QComboBox *m_targetSelector = nullptr;
    QLineEdit *m_addressEdit = nullptr;
    QLineEdit *m_countEdit = nullptr;
    QComboBox *m_flagSelector = nullptr;
    QComboBox *m_actionSelector = nullptr;
    QPushButton *m_runActionButton = nullptr;
    QPlainTextEdit *m_log = nullptr;
};
