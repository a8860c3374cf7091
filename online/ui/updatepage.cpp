#include "online/ui/updatepage.h"

#include "devicestate/devicecatalog.h"
#include "devicestate/devicemanager.h"
#include "online/ui/deviceupdatewidget.h"

#include <QLabel>
#include <QScrollArea>
#include <QVBoxLayout>

namespace {

// The devices the manager has identified: none until the base device is known.
QList<ConnectedDevice> identifiedDevices(const DeviceManager &manager)
{
    const ConnectedDevice base = manager.baseDevice();
    if (base.serialNumber.isEmpty() && base.productCode == 0)
        return {};
    return QList<ConnectedDevice>{base} + manager.connectedDevices();
}

QString versionText(const ConnectedDevice &device)
{
    if (device.appVersionRelease)
        return QStringLiteral("%1.%2.%3")
            .arg(device.appVersionMajor)
            .arg(device.appVersionMinor)
            .arg(*device.appVersionRelease);
    return QStringLiteral("%1.%2").arg(device.appVersionMajor).arg(device.appVersionMinor);
}

QString versionToolTip(const ConnectedDevice &device)
{
    return QStringLiteral("%1.%2").arg(device.appVersionMajor).arg(device.appVersionMinor);
}

// By the serial number's product letter, or else (a serial number of another form, such
// as a simulated device's) by the first product of the reported code.
QString displayName(const ConnectedDevice &device)
{
    const DeviceCatalogEntry *entry = catalogEntryForSerialNumber(device.serialNumber);
    if (!entry)
        for (const DeviceCatalogEntry &candidate : deviceCatalog())
            if (candidate.productCode == device.productCode) {
                entry = &candidate;
                break;
            }
    return entry ? QString::fromLatin1(entry->displayName) : QString();
}

QLabel *heading(const QString &text, QWidget *parent)
{
    auto *label = new QLabel(text, parent);
    label->setObjectName(QStringLiteral("deviceHeading"));
    QFont font = label->font();
    font.setBold(true);
    label->setFont(font);
    return label;
}

} // namespace

UpdatePage::UpdatePage(const OnlineContext &context, QWidget *parent)
    : Page(parent)
    , m_context(context)
{
    m_scrollArea = new QScrollArea(this);
    m_scrollArea->setWidgetResizable(true);
    m_scrollArea->setFrameShape(QFrame::NoFrame);
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_scrollArea);

    addRefresher([this] { rebuild(); });
    if (m_context.deviceManager)
        connect(m_context.deviceManager, &DeviceManager::deviceStateChanged, this, &Page::refresh);
    rebuild();
}

UpdatePage::~UpdatePage() = default;

QList<DeviceUpdateWidget *> UpdatePage::deviceWidgets() const
{
    QList<DeviceUpdateWidget *> widgets;
    for (const QPointer<DeviceUpdateWidget> &widget : m_widgets)
        if (widget)
            widgets.append(widget);
    return widgets;
}

void UpdatePage::rebuild()
{
    // Deleted later: a widget may be inside one of its own handlers (a dialog it runs)
    // when the device state changes.
    if (QWidget *old = m_scrollArea->takeWidget()) {
        old->hide();
        old->deleteLater();
    }
    m_widgets.clear();

    auto *content = new QWidget;
    content->setObjectName(QStringLiteral("deviceList"));
    auto *layout = new QVBoxLayout(content);
    const QList<ConnectedDevice> devices = m_context.deviceManager
                                               ? identifiedDevices(*m_context.deviceManager)
                                               : QList<ConnectedDevice>();
    for (int index = 0; index < devices.size(); ++index) {
        const ConnectedDevice &device = devices.at(index);
        if (devices.size() >= 2)
            layout->addWidget(
                heading(index == 0 ? tr("Base Device") : tr("Aux Device %1").arg(index), content));
        auto *widget = new DeviceUpdateWidget(m_context, content);
        layout->addWidget(widget);
        m_widgets.append(widget);
        widget->setDevice(std::uint8_t(index), displayName(device), device.serialNumber,
                          versionText(device), versionToolTip(device), device.productCode,
                          device.faaSerialNumber);
    }
    layout->addStretch();
    m_scrollArea->setWidget(content);
}
