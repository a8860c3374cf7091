#include "models/classes/airplanerxmodel.h"
#include "models/classes/gyroboxmodel.h"
#include "models/classes/transmittermodel.h"
#include "models/classes/transmitterpagevisibility.h"
#include "models/classes/trivormodel.h"
#include "models/model.h"
#include "testregistry.h"

#include <QtTest>

#include <memory>

Q_DECLARE_METATYPE(AircraftType)

namespace {

// One record as text, so that a mismatch shows which row and field differ.
QString describe(const QString &title, bool isHeader, int flags, PageKind kind, PageMode mode)
{
    return QStringLiteral("%1 | %2 | flags %3 | kind %4 | mode %5")
        .arg(title, isHeader ? QStringLiteral("heading") : QStringLiteral("page"))
        .arg(flags)
        .arg(int(kind))
        .arg(int(mode));
}

QString describe(const PageInfo &info)
{
    return describe(info.title, info.isHeader, info.flags, info.kind, info.mode);
}

QString page(const QString &title, PageKind kind, PageMode mode = PageMode::Default, int flags = 1)
{
    return describe(title, false, flags, kind, mode);
}

QString heading(const QString &title)
{
    return describe(title, true, 1, PageKind::Heading, PageMode::Default);
}

std::shared_ptr<Model> createModel(int productCode, int parameterVersion)
{
    const ModelClassInfo *modelClass = findModelClass(productCode, parameterVersion);
    return modelClass ? modelClass->create(productCode, parameterVersion) : nullptr;
}

QStringList receiverPages(bool withOrientation)
{
    QStringList pages{
        page("Dashboard", PageKind::Dashboard),
        heading("Model Settings"),
        page("Exponential", PageKind::DualRateExpo, PageMode::Exponential),
        page("Dual Rate", PageKind::DualRateExpo, PageMode::DualRate),
        page("Gain & Priority", PageKind::GainPriority),
        page("Mixing", PageKind::Mixing),
        heading("Initial Setup"),
    };
    if (withOrientation)
        pages << page("Receiver Orientation", PageKind::ReceiverOrientation);
    pages << page("Flight Mode Switch", PageKind::FlightModeSwitch)
          << page("Aircraft Type", PageKind::AircraftType)
          << page("Surface Setup", PageKind::SurfaceSetup)
          << page("Port Assignment & Failsafe", PageKind::PortAssignment);
    return pages;
}

QStringList describeAll(const PageInfoList &pages)
{
    QStringList described;
    for (const PageInfo &info : pages)
        described << describe(info);
    return described;
}

} // namespace

class EditorPagesTest : public QObject
{
    Q_OBJECT

private slots:
    // Every class lists its rows in a fixed order; the models side never makes the widgets.
    void editorPagesPerClass_data()
    {
        QTest::addColumn<int>("productCode");
        QTest::addColumn<int>("parameterVersion");
        QTest::addColumn<QStringList>("expected");

        QTest::newRow("receiver 0xFF") << 0xD9 << 0xFF << receiverPages(true);
        QTest::newRow("receiver 0xFE, no orientation") << 0xD9 << 0xFE << receiverPages(false);
        QTest::newRow("transmitter")
            << TransmitterModel::kTransmitterProductCode << 1
            << QStringList{
                   page("Transmitter Settings", PageKind::TransmitterSettings, PageMode::Default,
                        3),
                   heading("Model Settings"),
                   page("Exponential", PageKind::DualRateExpo, PageMode::Exponential),
                   page("Dual Rate", PageKind::DualRateExpo, PageMode::DualRate),
                   page("Throttle Curve", PageKind::Curve, PageMode::ThrottleCurve),
                   page("Pitch Curve", PageKind::Curve, PageMode::PitchCurve),
                   page("Differential", PageKind::Differential),
                   heading("Initial Setup"),
                   page("Aircraft Type", PageKind::AircraftType),
                   page("Channel Setup", PageKind::ChannelSetup),
                   page("Throttle Cut", PageKind::ThrottleCut),
                   page("Flight Mode Setup", PageKind::FlightModeSetup),
                   page("Trainer", PageKind::Trainer),
               };
        QTest::newRow("stabiliser box")
            << 0x3A << 0
            << QStringList{
                   page("Initial Setup", PageKind::GyroInitialSetup),
                   page("Gain", PageKind::GyroGain),
                   page("Orientation", PageKind::GyroOrientation),
                   page("Input/Output Assignment", PageKind::GyroInputOutput),
               };
        QTest::newRow("trivor") << 0x83 << TrivorModel::kNewerParameterVersion << QStringList{};
    }
    void editorPagesPerClass()
    {
        QFETCH(int, productCode);
        QFETCH(int, parameterVersion);
        QFETCH(QStringList, expected);

        const std::shared_ptr<Model> model = createModel(productCode, parameterVersion);
        QVERIFY(model);
        // Appends: what the caller already holds stays in front.
        PageInfoList pages{PageInfo::forPage("Models", PageKind::ModelLibrary)};
        model->createEditorPages(pages);
        QCOMPARE(pages.takeFirst().title, QString("Models"));
        QCOMPARE(describeAll(pages), expected);
        for (const PageInfo &info : pages)
            QCOMPARE(info.page, nullptr);
    }

    // Only the receivers that have an orientation to set up offer wizard pages.
    void wizardPagesPerClass_data()
    {
        QTest::addColumn<int>("productCode");
        QTest::addColumn<int>("parameterVersion");
        QTest::addColumn<QStringList>("expected");

        QTest::newRow("receiver 0xFF")
            << 0xD9 << 0xFF
            << QStringList{
                   page("Receiver Orientation", PageKind::ReceiverOrientation),
                   page("Flight Mode Switch", PageKind::FlightModeSwitch),
                   page("Aircraft Type", PageKind::AircraftType),
                   page("Surface Setup", PageKind::SurfaceSetup),
               };
        QTest::newRow("receiver 0xFE") << 0xD9 << 0xFE << QStringList{};
        QTest::newRow("transmitter")
            << TransmitterModel::kTransmitterProductCode << 1 << QStringList{};
        QTest::newRow("stabiliser box") << 0x3A << 0 << QStringList{};
    }
    void wizardPagesPerClass()
    {
        QFETCH(int, productCode);
        QFETCH(int, parameterVersion);
        QFETCH(QStringList, expected);

        const std::shared_ptr<Model> model = createModel(productCode, parameterVersion);
        QVERIFY(model);
        PageInfoList pages;
        model->createWizardPages(pages);
        QCOMPARE(describeAll(pages), expected);
    }

    // Curves belong to helicopters; the differential to airplanes with two aileron servos.
    void transmitterPageVisibility_data()
    {
        QTest::addColumn<AircraftType>("aircraftType");
        QTest::addColumn<int>("wingType");
        QTest::addColumn<bool>("curves");
        QTest::addColumn<bool>("differential");

        QTest::newRow("airplane, normal wing")
            << AircraftType::Airplane << int(DeviceModel::WingTypeNormal) << false << false;
        QTest::newRow("airplane, dual aileron")
            << AircraftType::Airplane << int(DeviceModel::WingTypeDualAileron) << false << true;
        QTest::newRow("airplane, flaperon")
            << AircraftType::Airplane << int(DeviceModel::WingTypeFlaperon) << false << false;
        QTest::newRow("airplane, elevon")
            << AircraftType::Airplane << int(DeviceModel::WingTypeElevon) << false << false;
        QTest::newRow("airplane, elevon A")
            << AircraftType::Airplane << int(DeviceModel::WingTypeElevonA) << false << true;
        QTest::newRow("airplane, elevon B")
            << AircraftType::Airplane << int(DeviceModel::WingTypeElevonB) << false << true;
        QTest::newRow("airplane, four ailerons")
            << AircraftType::Airplane << int(DeviceModel::WingTypeFourAilerons) << false << false;
        QTest::newRow("helicopter, dual aileron")
            << AircraftType::Helicopter << int(DeviceModel::WingTypeDualAileron) << true << false;
        QTest::newRow("helicopter, normal wing")
            << AircraftType::Helicopter << int(DeviceModel::WingTypeNormal) << true << false;
        QTest::newRow("quadcopter, elevon A")
            << AircraftType::Quadcopter << int(DeviceModel::WingTypeElevonA) << false << false;
        QTest::newRow("unlisted aircraft 5")
            << AircraftType(5) << int(DeviceModel::WingTypeDualAileron) << false << false;
    }
    void transmitterPageVisibility()
    {
        QFETCH(AircraftType, aircraftType);
        QFETCH(int, wingType);
        QFETCH(bool, curves);
        QFETCH(bool, differential);

        const auto wing = DeviceModel::WingType(wingType);
        QCOMPARE(transmitterPageVisible(PageKind::Curve, aircraftType, wing), curves);
        QCOMPARE(transmitterPageVisible(PageKind::Differential, aircraftType, wing), differential);
        for (PageKind always : {PageKind::TransmitterSettings, PageKind::DualRateExpo,
                                PageKind::AircraftType, PageKind::Trainer, PageKind::Heading})
            QCOMPARE(transmitterPageVisible(always, aircraftType, wing), std::nullopt);
    }

    // The receiver's rows read the model when asked; other classes have none.
    void settingsRowsFollowTheModel()
    {
        AirplaneRxModel receiver(0xD9, 0xFF);
        const std::unique_ptr<ModelSettingsRows> rows = receiver.createSettingsRows(true);
        QVERIFY(rows);
        QVERIFY(rows->isEditable());
        QVERIFY(!receiver.createSettingsRows(false)->isEditable());
        int channelsRow = -1;
        for (int row = 0; row < rows->rowCount(); ++row) {
            if (rows->label(row) == "Transmitter Channels:")
                channelsRow = row;
        }
        QVERIFY(channelsRow >= 0);
        QCOMPARE(rows->valueText(channelsRow),
                 QString::number(AirplaneRxModel::kDefaultTransmitterChannels));
        receiver.setTransmitterChannels(12);
        QCOMPARE(rows->valueText(channelsRow), QString("12"));
        QCOMPARE(rows->label(rows->rowCount()), QString());

        TransmitterModel transmitter(TransmitterModel::kTransmitterProductCode, 1);
        QVERIFY(!transmitter.createSettingsRows(true));
    }
};

ZX_REGISTER_TEST(EditorPagesTest);
#include "test_editorpages.moc"
