// The models page with the simulated airplane receiver connected: the list is grouped for the
// device and a selected model is bound to it.
#include "models/libraryoperations.h"
#include "modelspagerig.h"
#include "testregistry.h"

#include <QTest>

using namespace modelspagetest;
namespace ops = libraryoperations;

class ModelsPageDeviceTest : public QObject
{
    Q_OBJECT

    std::unique_ptr<DeviceRig> m_device;
    std::unique_ptr<LibraryRig> m_rig;
    std::unique_ptr<PageDriver> m_driver;

    [[nodiscard]] QString addForDevice(const QString &name, const QString &serial)
    {
        const DeviceManager &manager = *m_device->manager;
        return m_rig->add(name, serial, manager.productCode(), *manager.parameterVersion());
    }
    void openPage()
    {
        m_driver = std::make_unique<PageDriver>(m_rig->context(m_device->manager.get()));
        QVERIFY(m_driver->ready());
    }

private slots:
    void initTestCase()
    {
        m_device = std::make_unique<DeviceRig>();
        QVERIFY(m_device->identify());
    }
    void cleanupTestCase()
    {
        QCOMPARE(m_device->presenter.messages, QStringList());
        m_device.reset();
    }
    void init() { m_rig = std::make_unique<LibraryRig>(); }
    void cleanup()
    {
        m_driver.reset();
        m_rig.reset();
    }

    // A device without a model of its own is offered "New Model", which starts the new-model
    // wizard and offers nothing else; the other devices' models follow under their own heading,
    // which the keyboard steps over.
    void newModelRowStartsWizard()
    {
        QVERIFY(!addForDevice(QStringLiteral("Someone else's"), QStringLiteral("OTHER-SERIAL"))
                     .isEmpty());
        openPage();
        QCOMPARE(m_driver->rowTexts(),
                 QStringList({"This Device", "New Model", "Other Devices", "Someone else's"}));
        const QModelIndex newModel = m_driver->model()->newModelIndex();
        QVERIFY(newModel.isValid());
        m_driver->list()->setFocus();
        m_driver->list()->setCurrentIndex(newModel);
        QVERIFY(!m_driver->page.form().editAction->isEnabled());
        QVERIFY(!m_driver->page.form().deleteAction->isEnabled());
        // The arrow keys step over the heading between the groups.
        QTest::keyClick(m_driver->list(), Qt::Key_Down);
        QCOMPARE(m_driver->list()->currentIndex().data().toString(),
                 QStringLiteral("Someone else's"));
        QTest::keyClick(m_driver->list(), Qt::Key_Up);
        QCOMPARE(m_driver->list()->currentIndex(), newModel);
        QTest::keyClick(m_driver->list(), Qt::Key_Return);
        const QList<QDialog *> wizards = m_driver->openDialogs("AddModelWizard");
        QCOMPARE(wizards.size(), 1);
        wizards.first()->reject();
    }

    // Selecting another device's model leaves its file to that device and makes a copy bound
    // to this one, which becomes current and moves to "This Device".
    void selectBindsCopyToDevice()
    {
        const QString others = addForDevice(QStringLiteral("Aerobatic"), QStringLiteral("OTHER"));
        openPage();
        BoxAnswerer boxes;
        QVERIFY(m_driver->choose(others));
        QTest::keyClick(m_driver->list(), Qt::Key_Return);
        boxes.settle();
        QCOMPARE(boxes.boxes, QStringList());

        QCOMPARE(m_rig->madeCurrent.size(), 1);
        const std::shared_ptr<Model> current = m_rig->madeCurrent.first();
        const QString copy = current->info().fileName();
        QVERIFY(copy != others);
        QCOMPARE(current->info().serialNumber(), m_device->manager->serialNumber());
        QCOMPARE(m_rig->models->entryInfo(others).serialNumber(), QStringLiteral("OTHER"));
        const QString copyName = QStringLiteral("Aerobatic - 2024-05-06 07:08:09 Copy");
        QCOMPARE(m_driver->rowTexts(),
                 QStringList({"This Device", copyName, "Other Devices", "Aerobatic"}));
        QCOMPARE(m_driver->chosenFile(), copy);
        QVERIFY(m_driver->model()->indexOfFile(copy).data(ModelListModel::CurrentRole).toBool());
    }

    // A model of another variant of the device needs an upgraded copy; a class that has none
    // for it says so, and nothing becomes current.
    void selectWithoutUpgradeForDeviceFails()
    {
        const DeviceManager &manager = *m_device->manager;
        const QString transmitter = m_rig->add(QStringLiteral("Radio"), {}, kTransmitter, 0);
        QVERIFY(manager.productCode() != kTransmitter && manager.parameterVersion() != 0);
        openPage();
        BoxAnswerer boxes;
        QVERIFY(m_driver->choose(transmitter));
        QTest::keyClick(m_driver->list(), Qt::Key_Return);
        QVERIFY(boxes.waitForBoxes(1));
        QCOMPARE(boxes.boxes, QStringList{errorBox(ops::kSelectForDeviceFailed)});
        QCOMPARE(m_rig->madeCurrent.size(), 0);
    }
};

ZX_REGISTER_TEST(ModelsPageDeviceTest);
#include "test_modelspagedevice.moc"
