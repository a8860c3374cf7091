// What "Use Computer Settings" would change on the device, before anything is written.
#include "models/devicemodel.h"
#include "models/modelclassinfo.h"
#include "models/sectionjson.h"
#include "models/settingpaths.h"
#include "syncrig.h"
#include "testregistry.h"
#include "ui/sync/differencesdialog.h"
#include "ui/sync/differencetable.h"
#include "ui/sync/syncdialog.h"
#include "ui/sync/syncdifferences.h"
#include "ui/sync/syncrun.h"
#include "ui/widgets/picture.h"

#include <QAbstractItemModelTester>
#include <QJsonObject>
#include <QLabel>
#include <QListView>
#include <QProgressBar>
#include <QPushButton>
#include <QTableView>
#include <QTest>

using namespace synctest;

namespace {

const QString kSettingPath = QStringLiteral("system.defaultFlightMode");

std::shared_ptr<DeviceModel> modelOf(const devsim::DeviceProfile &device)
{
    const ModelClassInfo *modelClass = findModelClass(device.productCode, device.parameterVersion);
    if (!modelClass)
        return nullptr;
    return std::dynamic_pointer_cast<DeviceModel>(
        modelClass->create(device.productCode, device.parameterVersion));
}

int settingIn(const DeviceModel &model, const QByteArray &bytes)
{
    return decodeSection(model.memory().section(0).schema, bytes)
        .toObject()
        .value(QLatin1String("system"))
        .toObject()
        .value(QLatin1String("defaultFlightMode"))
        .toInt();
}

// `bytes` with the flight mode setting changed to another value.
QByteArray withSettingChanged(const DeviceModel &model, QByteArray bytes, int *newValue = nullptr)
{
    const int value = settingIn(model, bytes) ^ 1;
    encodeSection(model.memory().section(0).schema,
                  QJsonObject{{QStringLiteral("system"),
                               QJsonObject{{QStringLiteral("defaultFlightMode"), value}}}},
                  bytes);
    if (newValue)
        *newValue = value;
    return bytes;
}

modelsync::DeviceImage imageOf(const DeviceModel &model, QList<QByteArray> sections)
{
    modelsync::DeviceImage image{model.info().productCode(), model.info().parameterVersion(), {}};
    for (int id = 0; id < sections.size(); ++id)
        if (!sections.at(id).isNull())
            image.sections.append({std::uint8_t(id), sections.at(id)});
    return image;
}

QStringList pathsOf(const QList<ModelDifference> &differences)
{
    QStringList paths;
    for (const ModelDifference &difference : differences)
        paths.append(difference.path);
    return paths;
}

} // namespace

class WriteDifferencesTest : public QObject
{
    Q_OBJECT

private slots:
    // A write sends the model's bytes up to the device's section size and keeps the device's
    // bytes past the model's end: only settings the write really changes are listed, with
    // the model's value first.
    void singleSection_data()
    {
        QTest::addColumn<int>("modelBytes");  // -1: the whole image
        QTest::addColumn<int>("deviceBytes"); // -1: the whole image
        QTest::addColumn<bool>("changed");
        QTest::newRow("device holds the model") << -1 << -1 << false;
        QTest::newRow("one setting differs") << -1 << -1 << true;
        QTest::newRow("model shorter, device keeps its tail") << 1000 << -1 << false;
        QTest::newRow("model shorter, one setting differs") << 1000 << -1 << true;
        QTest::newRow("device section shorter than the model") << -1 << 1000 << false;
    }
    void singleSection()
    {
        QFETCH(int, modelBytes);
        QFETCH(int, deviceBytes);
        QFETCH(bool, changed);
        const std::shared_ptr<DeviceModel> model = modelOf(devsim::profiles::airplaneReceiver());
        QVERIFY(model);
        const QByteArray image = model->memory().modelData(0);
        model->memory().setModelData(0, image.left(modelBytes < 0 ? image.size() : modelBytes));
        QByteArray device = image.left(deviceBytes < 0 ? image.size() : deviceBytes);
        const int modelValue = settingIn(*model, image);
        int deviceValue = modelValue;
        if (changed)
            device = withSettingChanged(*model, device, &deviceValue);

        const QList<ModelDifference> differences =
            modelsync::writeDifferences(*model, imageOf(*model, {device}));

        QCOMPARE(pathsOf(differences), changed ? QStringList{kSettingPath} : QStringList());
        if (changed) {
            QCOMPARE(differences.first().first.toInt(), modelValue);
            QCOMPARE(differences.first().second.toInt(), deviceValue);
        }
    }

    // Sections the device does not have are not written, so they differ in nothing; the
    // sections it has are compared setting by setting under their names.
    void sectionsTheDeviceLacks()
    {
        const std::shared_ptr<DeviceModel> model =
            modelOf(devsim::profiles::trivorReceiver(devsim::profiles::Generation::Older));
        QVERIFY(model);
        QVERIFY(model->memory().sectionCount() > 2);
        QList<QByteArray> device;
        for (int id = 0; id < model->memory().sectionCount(); ++id)
            device.append(QByteArray());
        device[1] = model->memory().modelData(1);
        QCOMPARE(pathsOf(modelsync::writeDifferences(*model, imageOf(*model, device))),
                 QStringList());

        QByteArray changed = device[1];
        changed[0] = char(changed[0] ^ 0x01);
        device[1] = changed;
        const QList<ModelDifference> differences =
            modelsync::writeDifferences(*model, imageOf(*model, device));
        QCOMPARE(differences.size(), 1);
        const QString section = model->memory().section(1).schema.name();
        QVERIFY2(differences.first().path.startsWith(section),
                 qPrintable(differences.first().path));
    }

    // A model made for another variant is compared as it stands: the variant is the first
    // thing listed.
    void otherVariant()
    {
        const std::shared_ptr<DeviceModel> model = modelOf(devsim::profiles::airplaneReceiver());
        modelsync::DeviceImage image = imageOf(*model, {model->memory().modelData(0)});
        image.parameterVersion = model->info().parameterVersion() - 1;
        QVERIFY(findModelClass(image.productCode, image.parameterVersion));
        const QList<ModelDifference> differences = modelsync::writeDifferences(*model, image);
        QVERIFY(!differences.isEmpty());
        QCOMPARE(differences.first().path, QStringLiteral("parameterVersion"));
    }

    // The rows show the path and both values as text, a missing value as "-".
    void table()
    {
        DifferenceTable rows({{kSettingPath, 3, 4}, {QStringLiteral("section 1 size"), 2, {}}});
        QAbstractItemModelTester tester(&rows,
                                        QAbstractItemModelTester::FailureReportingMode::QtTest);
        QCOMPARE(rows.rowCount(), 2);
        QCOMPARE(rows.columnCount(), 3);
        QCOMPARE(rows.headerData(0, Qt::Horizontal, Qt::DisplayRole).toString(), "Setting");
        QCOMPARE(rows.headerData(1, Qt::Horizontal, Qt::DisplayRole).toString(), "Computer");
        QCOMPARE(rows.headerData(2, Qt::Horizontal, Qt::DisplayRole).toString(), "Device");
        QCOMPARE(rows.index(0, 0).data().toString(), kSettingPath);
        QCOMPARE(rows.index(0, 1).data().toString(), QStringLiteral("3"));
        QCOMPARE(rows.index(0, 2).data().toString(), QStringLiteral("4"));
        QCOMPARE(rows.index(1, 2).data().toString(), QStringLiteral("-"));
    }
};

class ShowDifferencesTest : public QObject
{
    Q_OBJECT

    QTemporaryDir m_pictures;
    std::unique_ptr<SyncRig> m_rig;

    // A library model for the device holding the device's settings, or with one changed.
    QString addModel(const QString &name, bool changed, int *value = nullptr)
    {
        SyncRig &rig = *m_rig;
        const std::shared_ptr<DeviceModel> model =
            rig.newModel(name, rig.manager->serialNumber(), rig.manager->productCode(),
                         *rig.manager->parameterVersion());
        QByteArray bytes = rig.deviceFlash();
        if (changed)
            bytes = withSettingChanged(*model, bytes, value);
        model->memory().setModelData(0, bytes);
        return rig.library->addModel(model);
    }

private slots:
    // The dialog's diagram; which picture it is does not matter here.
    void initTestCase()
    {
        QImage picture(96, 96, QImage::Format_ARGB32);
        picture.fill(Qt::darkGray);
        QVERIFY(picture.save(m_pictures.filePath(QStringLiteral("Sync.png"))));
        setPictureFolder(m_pictures.path());
    }
    void cleanupTestCase() { setPictureFolder(QString()); }

    void init()
    {
        m_rig = std::make_unique<SyncRig>();
        QVERIFY(m_rig->identify());
    }
    void cleanup() { m_rig.reset(); }

    // Show Differences reads the device and lists what the selected model would change there:
    // the one setting with both values, or a line saying there is nothing to change. The
    // device, the library and the dialog's choice stay as they were.
    void listsWhatWouldChange_data()
    {
        QTest::addColumn<bool>("changed");
        QTest::addColumn<bool>("chooseInList");
        QTest::newRow("one setting differs") << true << false;
        QTest::newRow("nothing differs") << false << false;
        QTest::newRow("model chosen in the list") << true << true;
    }
    void listsWhatWouldChange()
    {
        QFETCH(bool, changed);
        QFETCH(bool, chooseInList);
        SyncRig &rig = *m_rig;
        const std::shared_ptr<DeviceModel> schemaHolder =
            rig.newModel({}, {}, rig.manager->productCode(), *rig.manager->parameterVersion());
        const int deviceValue = settingIn(*schemaHolder, rig.deviceFlash());
        int modelValue = deviceValue;
        QVERIFY(!addModel(QStringLiteral("Mine"), changed && !chooseInList, &modelValue).isEmpty());
        if (chooseInList)
            QVERIFY(!addModel(QStringLiteral("Other"), true, &modelValue).isEmpty());
        const QStringList filesBefore = rig.library->fileNames();
        const QByteArray deviceBefore = rig.deviceFlash();

        MessageBoxCatcher boxes;
        SyncDialog dialog(rig.context());
        dialog.open();
        auto *button = dialog.findChild<QPushButton *>(QStringLiteral("showDifferencesButton"));
        auto *progress = dialog.findChild<QProgressBar *>(QStringLiteral("progressBar"));
        auto *useComputer = dialog.findChild<QPushButton *>(QStringLiteral("useComputerButton"));
        QVERIFY(button && progress && useComputer);
        QCOMPARE(button->text(), QStringLiteral("Show Differences"));
        if (chooseInList) {
            QTest::mouseClick(
                dialog.findChild<QPushButton *>(QStringLiteral("listVisibilityButton")),
                Qt::LeftButton);
            auto *list = dialog.findChild<QListView *>(QStringLiteral("modelList"));
            const QModelIndexList other =
                list->model()->match(list->model()->index(0, 0), Qt::DisplayRole,
                                     QStringLiteral("Other"), 1, Qt::MatchExactly);
            QCOMPARE(other.size(), 1);
            list->setCurrentIndex(other.first());
        }

        QTest::mouseClick(button, Qt::LeftButton);
        // Busy while the device is read; nothing else can start meanwhile.
        QVERIFY(progress->isVisible());
        QCOMPARE(progress->maximum(), 0);
        QVERIFY(!button->isEnabled() && !useComputer->isEnabled());

        DifferencesDialog *shown = nullptr;
        QVERIFY(QTest::qWaitFor(
            [&] {
                shown = dialog.findChild<DifferencesDialog *>();
                return shown && shown->isVisible();
            },
            kWaitMs));
        QVERIFY(progress->isHidden());
        QVERIFY(button->isEnabled() && useComputer->isEnabled());
        auto *table = shown->findChild<QTableView *>(QStringLiteral("differencesView"));
        auto *label = shown->findChild<QLabel *>(QStringLiteral("differencesLabel"));
        QVERIFY(label);
        if (changed) {
            QVERIFY(table);
            const QAbstractItemModel *rows = table->model();
            QCOMPARE(rows->rowCount(), 1);
            QCOMPARE(rows->index(0, 0).data().toString(), kSettingPath);
            QCOMPARE(rows->index(0, 1).data().toString(), QString::number(modelValue));
            QCOMPARE(rows->index(0, 2).data().toString(), QString::number(deviceValue));
            QVERIFY(modelValue != deviceValue);
        } else {
            QVERIFY(!table);
            QCOMPARE(label->text(), QStringLiteral("The device already has these settings."));
        }
        shown->close();

        QCOMPARE(boxes.boxes, QStringList());
        QCOMPARE(rig.deviceFlash(), deviceBefore);
        QCOMPARE(rig.library->fileNames(), filesBefore);
        QVERIFY(rig.madeCurrent.isEmpty());
        QCOMPARE(rig.lastSynced->entries().size(), 0);
        if (!chooseInList)
            QCOMPARE(dialog.findChild<QLabel *>(QStringLiteral("modelNameLabel"))->text(),
                     QStringLiteral("Mine"));
    }

    // A device that goes away while it is read: the box says so and the choice is open again.
    void deviceLostWhileReading()
    {
        SyncRig &rig = *m_rig;
        QVERIFY(!addModel(QStringLiteral("Mine"), true).isEmpty());
        MessageBoxCatcher boxes;
        SyncDialog dialog(rig.context());
        dialog.open();
        auto *button = dialog.findChild<QPushButton *>(QStringLiteral("showDifferencesButton"));
        rig.simulator->addFault({devsim::FaultKind::Disconnect, 1});
        QTest::mouseClick(button, Qt::LeftButton);
        QVERIFY(boxes.waitForBoxes(1));
        QCOMPARE(boxes.boxes, QStringList{errorBox(modelsync::kDifferencesReadFailedText)});
        QVERIFY(button->isEnabled());
        QVERIFY(dialog.findChild<QProgressBar *>(QStringLiteral("progressBar"))->isHidden());
        QVERIFY(!dialog.findChild<DifferencesDialog *>());
        QVERIFY(dialog.isVisible());
    }
};

ZX_REGISTER_TEST(WriteDifferencesTest);
ZX_REGISTER_TEST(ShowDifferencesTest);
#include "test_syncdifferences.moc"
