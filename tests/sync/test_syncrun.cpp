// The model a sync works on, made ready in the library for an identified transmitter.
#include "syncrig.h"
#include "testregistry.h"
#include "ui/sync/syncdefaultmodel.h"
#include "ui/sync/syncrun.h"

#include <QTest>

using namespace synctest;

namespace {

constexpr int kTransmitter = 0xEF;
constexpr int kOlderTransmitter = 0;

} // namespace

class SyncRunTest : public QObject
{
    Q_OBJECT

    std::unique_ptr<SyncRig> m_rig;

private slots:
    void init()
    {
        m_rig = std::make_unique<SyncRig>(devsim::profiles::transmitter());
        QVERIFY(m_rig->identify());
        QCOMPARE(m_rig->manager->parameterVersion(), std::optional<int>(1));
    }
    void cleanup() { m_rig.reset(); }

    // A model of the older transmitter is synced as the library's upgraded copy, which
    // belongs to this device from the start, even when the original named another one: one
    // new file, and the original stays as it was.
    void olderModelIsSyncedAsPairedCopy_data()
    {
        QTest::addColumn<bool>("ownedByOtherDevice");
        QTest::newRow("this device's model") << false;
        QTest::newRow("another device's model") << true;
    }
    void olderModelIsSyncedAsPairedCopy()
    {
        QFETCH(bool, ownedByOtherDevice);
        SyncRig &rig = *m_rig;
        const QString serial = rig.manager->serialNumber();
        const QString originalSerial = ownedByOtherDevice ? QStringLiteral("ZX-TX-9999") : serial;
        const QString original = rig.addModel(QStringLiteral("Trainer"), originalSerial,
                                              kTransmitter, kOlderTransmitter);
        QVERIFY(!original.isEmpty());

        const auto target = modelsync::prepareSyncModel(rig.context(), original);
        QVERIFY(target.has_value());

        QVERIFY(target->fileName != original);
        QCOMPARE(target->model->info().fileName(), target->fileName);
        QCOMPARE(target->model->info().parameterVersion(), 1);
        QCOMPARE(target->model->info().serialNumber(), serial);
        QVERIFY(target->model->info().name().startsWith(QStringLiteral("Trainer - ")));
        QCOMPARE(rig.library->fileNames().size(), 2);
        const ModelInfo kept = rig.library->entryInfo(original);
        QCOMPARE(kept.parameterVersion(), kOlderTransmitter);
        QCOMPARE(kept.serialNumber(), originalSerial);
    }

    // A new model is made by the device's class, named like any new model and paired.
    void newModelIsPairedWithDevice()
    {
        SyncRig &rig = *m_rig;
        const auto target = modelsync::prepareSyncModel(rig.context(), modelsync::kNewModelMarker);
        QVERIFY(target.has_value());
        QCOMPARE(rig.library->fileNames(), QStringList{target->fileName});
        const ModelInfo info = rig.library->entryInfo(target->fileName);
        QCOMPARE(info.name(), QStringLiteral("Model 1"));
        QCOMPARE(info.productCode(), kTransmitter);
        QCOMPARE(info.parameterVersion(), 1);
        QCOMPARE(target->model->info().serialNumber(), rig.manager->serialNumber());
    }
};

ZX_REGISTER_TEST(SyncRunTest);
#include "test_syncrun.moc"
