#include "app/ui/logview/protocollogdialog.h"

#include "app/ui/logview/protocollogwidget.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QPushButton>
#include <QScrollArea>
#include <QVBoxLayout>

namespace {

QList<ProtocolLogEntry> sampleEntries()
{
    const QString address = QStringLiteral("0x01C4");
    const QString data = QStringLiteral("E410 A433 C505 B9FD 5CC1 130B 5644 A689 32C3 E6B2 E2BF "
                                        "B7F8 8CE6 7A7D C6F7 78A6");
    return {
        {PacketDirection::Sent,
         PacketKind::Ordinary,
         QStringLiteral("Write Seq"),
         {{QStringLiteral("Address"), address}, {QStringLiteral("Data"), data}}},
        // The cable hears our own write come back.
        {PacketDirection::Received,
         PacketKind::Loopback,
         QStringLiteral("Write Seq"),
         {{QStringLiteral("Address"), address}, {QStringLiteral("Data"), data}}},
        {PacketDirection::Sent,
         PacketKind::Loopback,
         QStringLiteral("Write Seq Ack"),
         {{QStringLiteral("Address"), address}, {QStringLiteral("Status"), QStringLiteral("OK")}}},
    };
}

} // namespace

ProtocolLogDialog::ProtocolLogDialog(QWidget *parent)
    : QDialog(parent)
{
    setWindowTitle(tr("Protocol Log"));

    m_logWidget = new ProtocolLogWidget;
    for (ProtocolLogEntry &entry : sampleEntries())
        m_logWidget->addEntry(std::move(entry));

    auto *scrollArea = new QScrollArea(this);
    scrollArea->setAccessibleName(tr("Packets"));
    scrollArea->setWidgetResizable(true);
    scrollArea->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    scrollArea->setWidget(m_logWidget);

    auto *loopbackCheckBox = new QCheckBox(tr("Loopback Visible"), this);
    loopbackCheckBox->setObjectName(QStringLiteral("loopbackCheckBox"));
    loopbackCheckBox->setChecked(m_logWidget->isLoopbackVisible());
    connect(loopbackCheckBox, &QCheckBox::toggled, m_logWidget,
            &ProtocolLogWidget::setLoopbackVisible);

    auto *junkCheckBox = new QCheckBox(tr("Junk Visible"), this);
    junkCheckBox->setObjectName(QStringLiteral("junkCheckBox"));
    junkCheckBox->setChecked(m_logWidget->isJunkVisible());
    connect(junkCheckBox, &QCheckBox::toggled, m_logWidget, &ProtocolLogWidget::setJunkVisible);

    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
    buttons->button(QDialogButtonBox::Close)->setDefault(true);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto *bottom = new QHBoxLayout;
    bottom->addWidget(loopbackCheckBox);
    bottom->addWidget(junkCheckBox);
    bottom->addStretch(1);
    bottom->addWidget(buttons);

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(scrollArea, 1);
    layout->addLayout(bottom);

    resize(720, 520);
}
