// DashboardPage: the airplane receiver model at a glance.
#include "ui/pages/mixing/dashboardpage.h"

#include "devicestate/devicecatalog.h"
#include "devicestate/devicemanager.h"
#include "models/classes/airplanerxmodel.h"
#include "models/classes/airplanerxsettings.h"
#include "models/classes/modelclasslist.h"
#include "online/versions.h"
#include "ui/pages/common/settingcontrols.h"
#include "ui/pages/mixing/mixchannels.h"
#include "ui/widgets/helpindicator.h"

#include <QCoreApplication>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QVBoxLayout>

#include <algorithm>
#include <array>
#include <utility>

namespace {

constexpr int kPageMargin = 24;
constexpr int kContentWidth = 600;
constexpr double kNameFontScale = 1.6;

using Wing = DeviceModel::WingType;
using Tail = DeviceModel::TailType;

// The same texts as the aircraft-type page's.
constexpr std::array<std::pair<Wing, const char *>, 11> kWingNames{{
    {Wing::WingTypeNormal, QT_TRANSLATE_NOOP("DashboardPage", "Normal")},
    {Wing::WingTypeDualAileron, QT_TRANSLATE_NOOP("DashboardPage", "Dual Aileron")},
    {Wing::WingTypeFlaperon, QT_TRANSLATE_NOOP("DashboardPage", "Flaperon")},
    {Wing::WingTypeOneAileronOneFlap, QT_TRANSLATE_NOOP("DashboardPage", "1 Aileron 1 Flap")},
    {Wing::WingTypeOneAileronTwoFlaps, QT_TRANSLATE_NOOP("DashboardPage", "1 Aileron 2 Flaps")},
    {Wing::WingTypeTwoAileronsOneFlap, QT_TRANSLATE_NOOP("DashboardPage", "2 Ailerons 1 Flap")},
    {Wing::WingTypeTwoAileronsTwoFlaps, QT_TRANSLATE_NOOP("DashboardPage", "2 Ailerons 2 Flaps")},
    {Wing::WingTypeElevon, QT_TRANSLATE_NOOP("DashboardPage", "Flying Wing (Elevons)")},
    {Wing::WingTypeElevonA, QT_TRANSLATE_NOOP("DashboardPage", "Elevon A")},
    {Wing::WingTypeElevonB, QT_TRANSLATE_NOOP("DashboardPage", "Elevon B")},
    {Wing::WingTypeFourAilerons, QT_TRANSLATE_NOOP("DashboardPage", "4 Ailerons")},
}};

constexpr std::array<std::pair<Tail, const char *>, 9> kTailNames{{
    {Tail::TailTypeNormal, QT_TRANSLATE_NOOP("DashboardPage", "Normal")},
    {Tail::TailTypeVTail, QT_TRANSLATE_NOOP("DashboardPage", "V-Tail")},
    {Tail::TailTypeDualElevator, QT_TRANSLATE_NOOP("DashboardPage", "Dual Elevator")},
    {Tail::TailTypeDualRudder, QT_TRANSLATE_NOOP("DashboardPage", "Dual Rudder")},
    {Tail::TailTypeDualRudderAndElevator,
     QT_TRANSLATE_NOOP("DashboardPage", "Dual Rudder and Dual Elevator")},
    {Tail::TailTypeSailplaneWing, QT_TRANSLATE_NOOP("DashboardPage", "Sailplane (Elevator Only)")},
    {Tail::TailTypeElevonNoRudder, QT_TRANSLATE_NOOP("DashboardPage", "No Rudder")},
    {Tail::TailTypeElevonRudder, QT_TRANSLATE_NOOP("DashboardPage", "Rudder")},
    {Tail::TailTypeElevonDualRudder, QT_TRANSLATE_NOOP("DashboardPage", "Winglet Rudders")},
}};

template <typename Type, std::size_t N>
QString typeName(const std::array<std::pair<Type, const char *>, N> &names, Type type)
{
    for (const auto &[value, text] : names) {
        if (value == type)
            return QCoreApplication::translate("DashboardPage", text);
    }
    return QCoreApplication::translate("DashboardPage", "Unknown (%1)").arg(int(type));
}

bool isDeviceConnected(const DeviceConnection &connection)
{
    return connection.mode() == DeviceMode::FSK || connection.mode() == DeviceMode::Bootloader;
}

} // namespace

DashboardPage::DashboardPage(std::shared_ptr<AirplaneRxModel> model, DeviceManager *manager,
                             DeviceConnection *connection, const TooltipTable *tooltips,
                             QWidget *parent)
    : Page(parent)
    , m_model(std::move(model))
    , m_manager(manager)
    , m_connection(connection ? connection
                   : manager  ? manager->connection()
                              : nullptr)
{
    setShowBackground(true);
    setShowLogo(true);
    m_syncCheck.setInterval(kSyncCheckIntervalMs);
    connect(&m_syncCheck, &QTimer::timeout, this, &Page::refresh);

    auto *content = new QWidget(this);
    content->setFixedWidth(kContentWidth);
    auto *column = new QVBoxLayout(content);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(kPageMargin / 2);
    column->addWidget(buildHeader());
    column->addWidget(buildConnection(tooltips));
    column->addWidget(buildSettings());
    // One label column for both boxes, so that their values line up.
    int labelWidth = 0;
    for (const QLabel *label : std::as_const(m_rowLabels))
        labelWidth = std::max(labelWidth, label->sizeHint().width());
    for (QLabel *label : std::as_const(m_rowLabels))
        label->setMinimumWidth(labelWidth);

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(kPageMargin, kPageMargin, kPageMargin, kPageMargin);
    layout->addWidget(content, 0, Qt::AlignLeft | Qt::AlignTop);
    layout->addStretch(1);

    connect(m_model.get(), &Model::infoChanged, this, &Page::refresh);
    DeviceMemory *memory = &m_model->memory();
    connect(memory, &DeviceMemory::syncConnectionChanged, this, &Page::refresh);
    connect(memory, &DeviceMemory::errorSyncing, this, &Page::refresh);
    connect(memory, &DeviceMemory::sectionsReplaced, this, &Page::refresh);
    followDevice();
    refreshOnSettingsChanges(*this, *m_model);
}

DashboardPage::~DashboardPage() = default;

void DashboardPage::followDevice()
{
    if (m_connection) {
        connect(m_connection, &DeviceConnection::modeSelected, this, &Page::refresh);
        connect(m_connection, &DeviceConnection::isOpenChanged, this, &Page::refresh);
    }
    if (m_manager)
        connect(m_manager, &DeviceManager::deviceStateChanged, this, &Page::refresh);
}

QWidget *DashboardPage::buildHeader()
{
    auto *header = new QWidget(this);
    auto *row = new QHBoxLayout(header);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(kPageMargin);

    auto *picture = new QLabel(header);
    picture->setObjectName(QStringLiteral("modelPicture"));
    picture->setFixedSize(kPictureSize, kPictureSize);
    picture->setAlignment(Qt::AlignCenter);
    picture->setAccessibleName(tr("Model picture"));
    addRefresher([this, picture] {
        const QImage &image = m_model->info().image();
        const QImage shown = image.isNull() ? defaultModelImage() : image;
        picture->setPixmap(QPixmap::fromImage(shown.scaled(
            kPictureSize, kPictureSize, Qt::KeepAspectRatio, Qt::SmoothTransformation)));
    });

    auto *name = new QLabel(header);
    name->setObjectName(QStringLiteral("modelName"));
    QFont nameFont = name->font();
    nameFont.setPointSizeF(nameFont.pointSizeF() * kNameFontScale);
    nameFont.setBold(true);
    name->setFont(nameFont);
    name->setTextFormat(Qt::PlainText);
    addRefresher([this, name] { name->setText(m_model->info().name()); });

    auto *device = new QLabel(header);
    device->setObjectName(QStringLiteral("deviceName"));
    device->setWordWrap(true);
    addRefresher([this, device] { device->setText(deviceName()); });

    auto *serial = new QLabel(header);
    serial->setObjectName(QStringLiteral("serialNumber"));
    serial->setTextInteractionFlags(Qt::TextSelectableByMouse);
    serial->setWordWrap(true);
    addRefresher([this, serial] {
        const QString &number = m_model->info().serialNumber();
        serial->setText(isUnprogrammedSerialNumber(number)
                            ? tr("Serial number: none yet, the model was never synced")
                            : tr("Serial number: %1").arg(serialNumberDisplayForm(number)));
    });

    auto *names = new QVBoxLayout;
    names->setSpacing(4);
    names->addStretch(1);
    names->addWidget(name);
    names->addWidget(device);
    names->addWidget(serial);
    names->addStretch(1);
    row->addWidget(picture);
    row->addLayout(names, 1);
    return header;
}

QWidget *DashboardPage::buildConnection(const TooltipTable *tooltips)
{
    auto *box = new QGroupBox(tr("Receiver"), this);
    auto *form = new QFormLayout(box);
    form->setLabelAlignment(Qt::AlignLeft | Qt::AlignTop);
    QLabel *connection = addValueRow(*form, tr("Connection:"), QStringLiteral("connectionState"));
    addRefresher([this, connection] { connection->setText(connectionText()); });

    auto *sync = new QLabel(box);
    sync->setObjectName(QStringLiteral("syncState"));
    sync->setWordWrap(true);
    addRefresher([this, sync] { sync->setText(syncText()); });
    auto *row = new QHBoxLayout;
    row->addWidget(sync, 1);
    if (HelpIndicator *help =
            helpIndicator(tooltips, QStringLiteral("dashboard-sync-tooltip"), box))
        row->addWidget(help, 0, Qt::AlignTop);
    auto *label = new QLabel(tr("Model:"), box);
    m_rowLabels.append(label);
    form->addRow(label, row);
    return box;
}

QWidget *DashboardPage::buildSettings()
{
    auto *box = new QGroupBox(tr("Settings"), this);
    auto *form = new QFormLayout(box);
    QLabel *aircraft = addValueRow(*form, tr("Aircraft:"), QStringLiteral("aircraftType"));
    addRefresher([this, aircraft] {
        aircraft->setText(DeviceModel::aircraftTypeName(int(m_model->aircraftType())));
    });
    QLabel *wing = addValueRow(*form, tr("Wing type:"), QStringLiteral("wingType"));
    addRefresher([this, wing] { wing->setText(typeName(kWingNames, m_model->wingType())); });
    QLabel *tail = addValueRow(*form, tr("Tail type:"), QStringLiteral("tailType"));
    addRefresher([this, tail] { tail->setText(typeName(kTailNames, m_model->tailType())); });
    QLabel *modes = addValueRow(*form, tr("Flight modes:"), QStringLiteral("flightModeCount"));
    addRefresher([this, modes] { modes->setText(QString::number(m_model->flightModeCount())); });
    QLabel *modeSwitch =
        addValueRow(*form, tr("Flight mode switch:"), QStringLiteral("flightModeSwitch"));
    addRefresher([this, modeSwitch] { modeSwitch->setText(flightModeSwitchText()); });
    QLabel *mixes = addValueRow(*form, tr("Mixes:"), QStringLiteral("mixesInUse"));
    mixes->setWordWrap(true);
    addRefresher([this, mixes] { mixes->setText(mixesText()); });
    return box;
}

QLabel *DashboardPage::addValueRow(QFormLayout &form, const QString &label,
                                   const QString &objectName)
{
    auto *value = new QLabel(form.parentWidget());
    value->setObjectName(objectName);
    value->setTextFormat(Qt::PlainText);
    auto *name = new QLabel(label, form.parentWidget());
    m_rowLabels.append(name);
    form.addRow(name, value);
    return value;
}

QString DashboardPage::deviceName() const
{
    const ModelInfo &info = m_model->info();
    if (const std::optional<QString> name = catalogDisplayName(info.productCode()))
        return *name;
    if (const DeviceCatalogEntry *entry = catalogEntryForSerialNumber(info.serialNumber()))
        return QString::fromLatin1(entry->displayName);
    return tr("Unknown receiver (product code %1)").arg(info.productCode());
}

QString DashboardPage::connectionText() const
{
    if (!m_connection)
        return tr("No Device Connected");
    QString text = m_connection->statusText();
    // Which receiver answered, once the device manager knows it.
    if (m_manager && isDeviceConnected(*m_connection) && !m_manager->isBusy()) {
        if (const std::optional<QString> name = catalogDisplayName(m_manager->productCode()))
            text = tr("%1: %2").arg(text, *name);
    }
    return text;
}

bool DashboardPage::isLinked() const
{
    const DeviceConnection *attached = m_model->memory().syncConnection();
    if (!attached || (m_connection && attached != m_connection))
        return false;
    return attached->mode() == DeviceMode::FSK;
}

QString DashboardPage::syncText()
{
    const bool synced = m_model->isSynced();
    if (synced)
        m_syncCheck.stop();
    else if (!m_syncCheck.isActive())
        m_syncCheck.start();
    if (isLinked()) {
        return synced ? tr("In step with the connected receiver.")
                      : tr("Saving your latest changes on the receiver...");
    }
    return synced ? tr("Not linked to a receiver: your changes are kept on this computer.")
                  : tr("Not linked to a receiver: some changes have not reached it yet.");
}

QString DashboardPage::flightModeSwitchText() const
{
    const int code =
        m_model->value(AirplaneRx::makeSetting(AirplaneRx::SettingType::FlightModeSwitch), 0);
    return code == MixChannels::kNoChannel ? tr("None") : MixChannels::codeText(code);
}

QString DashboardPage::mixesText() const
{
    QStringList names;
    for (int mix : m_model->usedMixes()) {
        const QString name = m_model->mixNames().value(mix);
        names.append(name.isEmpty() ? tr("(no name)") : name);
    }
    return names.isEmpty() ? tr("None") : names.join(QStringLiteral(", "));
}
