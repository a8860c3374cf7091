#include "app/log.h"
#include "device/deviceconnection.h"
#include "devsim/devicesimulator.h"
#include "devsim/profiles.h"
#include "devsim/simulateddevicestream.h"
#include "models/classes/airplanerxmodel.h"
#include "models/classes/airplanerxsettings.h"
#include "models/edithistory.h"
#include "models/modellibrary.h"
#include "testregistry.h"

#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>

using namespace AirplaneRx;

namespace {

constexpr int kWaitMs = 10'000;
constexpr int kSubTrimChannel = 2; // the aileron of a normal wing

// Lets the event loop run the turn's queued work, the history's step closing among it.
void endTurn()
{
    QCoreApplication::processEvents();
    QCoreApplication::processEvents();
}

std::shared_ptr<AirplaneRxModel> newReceiver()
{
    return std::make_shared<AirplaneRxModel>(0xD9, 0xFF);
}

// An airplane receiver model whose history follows it.
struct Fixture
{
    std::shared_ptr<AirplaneRxModel> model = newReceiver();
    EditHistory history;

    Fixture() { history.setModel(model); }
    [[nodiscard]] QByteArray bytes() const { return model->memory().modelData(0); }
    [[nodiscard]] int roll() const { return model->expoPositive(SettingOnlyChannel::Roll, 0); }
    void setRoll(int value) { model->setExpoPositive(SettingOnlyChannel::Roll, 0, value); }
};

// A simulated airplane receiver on a real connection, in programming mode.
struct DeviceLink
{
    Log log;
    devsim::DeviceProfile profile = devsim::profiles::airplaneReceiver();
    std::shared_ptr<devsim::DeviceSimulator> simulator =
        std::make_shared<devsim::DeviceSimulator>(profile, devsim::DeviceSimulator::Power::On);
    std::unique_ptr<DeviceConnection> connection;

    DeviceLink()
    {
        Log::install(&log);
        DeviceConnection::Options options;
        options.timings.announcementSettleMs = 20;
        connection = std::make_unique<DeviceConnection>(options);
        connection->open(std::make_unique<devsim::SimulatedDeviceStream>(simulator), {});
    }
    ~DeviceLink()
    {
        connection.reset();
        Log::install(nullptr);
    }

    [[nodiscard]] bool attach(DeviceMemory &memory, InitialSyncDirection direction)
    {
        if (!QTest::qWaitFor([&] { return connection->mode() == DeviceMode::FSK; }, kWaitMs))
            return false;
        QList<SectionMetadata> metadata;
        for (const auto &section : profile.targets.at(0).sections)
            metadata.append({section.id, std::uint16_t(section.contents.size()), std::nullopt});
        std::optional<DeviceConnectionError> result;
        memory.setSyncConnectionAsync(connection.get(), metadata, direction, {},
                                      [&](DeviceConnectionError error) { result = error; });
        return QTest::qWaitFor([&] { return result.has_value(); }, kWaitMs) &&
               *result == DeviceConnectionError::NoError;
    }
    [[nodiscard]] QByteArray ram() const
    {
        return simulator->withDevice([](devsim::SimulatedDevice &device) {
            return device.state().memory.section(0, 0)->ram;
        });
    }
    [[nodiscard]] QByteArray flash() const
    {
        return simulator->withDevice([](devsim::SimulatedDevice &device) {
            return device.state().memory.section(0, 0)->flash;
        });
    }
};

} // namespace

Q_DECLARE_METATYPE(InitialSyncDirection)

// Undo puts back what one user action changed, bytes and the state beside them, and redo makes
// it again; the steps follow the event loop's turns and the action scopes, and belong to one
// model at a time.
class EditHistoryTest : public QObject
{
    Q_OBJECT

private slots:
    void valueEditIsUndoneAndRedone()
    {
        Fixture f;
        QSignalSpy canUndo(&f.history, &EditHistory::canUndoChanged);
        QSignalSpy canRedo(&f.history, &EditHistory::canRedoChanged);
        const QByteArray before = f.bytes();
        const int original = f.roll();
        f.setRoll(original == 40 ? 41 : 40);
        const QByteArray after = f.bytes();
        const int edited = f.roll();
        QVERIFY(!f.history.canUndo()); // the step closes with the turn
        endTurn();
        QVERIFY(f.history.canUndo());
        QCOMPARE(canUndo.takeFirst(), QVariantList{true});

        f.history.undo();
        QCOMPARE(f.bytes(), before);
        QCOMPARE(f.roll(), original);
        QVERIFY(!f.history.canUndo());
        QVERIFY(f.history.canRedo());
        QCOMPARE(canUndo.takeFirst(), QVariantList{false});
        QCOMPARE(canRedo.takeFirst(), QVariantList{true});

        f.history.redo();
        QCOMPARE(f.bytes(), after);
        QCOMPARE(f.roll(), edited);
        QVERIFY(f.history.canUndo());
        QVERIFY(!f.history.canRedo());
        QCOMPARE(canRedo.takeFirst(), QVariantList{false});
    }

    // The state kept beside the image is edited and undone like the bytes, and an action that
    // changes both (a mix and its name) is undone whole.
    void stateBesideTheBytesIsUndone()
    {
        Fixture f;
        const QByteArray before = f.bytes();
        const QStringList namesBefore = f.model->mixNames();
        int mix = -1;
        QCOMPARE(f.model->addMix(mix), AddMixResult::Added);
        f.model->setMixName(mix, "Crow");
        endTurn();
        f.model->setTransmitterChannels(12);
        endTurn();
        QCOMPARE(f.history.undoCount(), 2);

        f.history.undo();
        QCOMPARE(f.model->transmitterChannels(), AirplaneRxModel::kDefaultTransmitterChannels);
        QCOMPARE(f.model->mixNames().value(mix), QString("Crow"));
        f.history.undo();
        QCOMPARE(f.bytes(), before);
        QCOMPARE(f.model->mixNames(), namesBefore);
        QVERIFY(f.model->usedMixes().isEmpty());
        f.history.redo();
        f.history.redo();
        QCOMPARE(f.model->mixNames().value(mix), QString("Crow"));
        QCOMPARE(f.model->transmitterChannels(), 12);
    }

    // What one turn of the event loop changes is one step, however many setters ran; the
    // next turn's changes are the next step. A change that changes nothing makes no step.
    void oneTurnIsOneStep()
    {
        Fixture f;
        const QByteArray before = f.bytes();
        f.setRoll(30);
        f.model->setValue(makeSetting(SettingType::SubTrim), kSubTrimChannel, -20);
        f.model->setWingType(DeviceModel::WingTypeDualAileron);
        endTurn();
        QCOMPARE(f.history.undoCount(), 1);

        f.setRoll(31);
        endTurn();
        f.setRoll(31);
        f.model->setMixNames(f.model->mixNames());
        endTurn();
        QCOMPARE(f.history.undoCount(), 2);

        f.history.undo();
        QCOMPARE(f.roll(), 30);
        f.history.undo();
        QCOMPARE(f.bytes(), before);
    }

    // A scope holds an action that spans turns (a drag) together; what came before it in the
    // same turn stays a step of its own, and a nested scope joins the outer one.
    void actionScopeGroupsTurns()
    {
        Fixture f;
        f.model->setTransmitterChannels(10);
        {
            EditHistory::ActionScope drag(f.history);
            for (int value = 20; value <= 25; ++value) {
                EditHistory::ActionScope inner(f.history);
                f.setRoll(value);
                endTurn();
            }
            QCOMPARE(f.history.undoCount(), 1);
        }
        QCOMPARE(f.history.undoCount(), 2);
        f.history.undo();
        QCOMPARE(f.roll(), newReceiver()->expoPositive(SettingOnlyChannel::Roll, 0));
        QCOMPARE(f.model->transmitterChannels(), 10);
    }

    // A new edit after an undo starts a new branch: the undone steps cannot be redone.
    void editAfterUndoDropsRedo()
    {
        Fixture f;
        f.setRoll(10);
        endTurn();
        f.setRoll(20);
        endTurn();
        f.history.undo();
        QVERIFY(f.history.canRedo());
        f.setRoll(30);
        endTurn();
        QVERIFY(!f.history.canRedo());
        f.history.redo();
        QCOMPARE(f.roll(), 30);
        f.history.undo();
        QCOMPARE(f.roll(), 10);
    }

    // Putting a state back is no edit of its own, and an edit still open when undo comes is
    // the one undone.
    void restoringRecordsNoStep()
    {
        Fixture f;
        const int original = f.roll();
        f.setRoll(11);
        endTurn();
        f.setRoll(12);
        f.history.undo(); // in the same turn as the edit
        QCOMPARE(f.roll(), 11);
        endTurn();
        QCOMPARE(f.history.undoCount(), 1);
        QCOMPARE(f.history.redoCount(), 1);
        f.history.undo();
        endTurn();
        QCOMPARE(f.roll(), original);
        QCOMPARE(f.history.undoCount(), 0);
        QCOMPARE(f.history.redoCount(), 2);
    }

    // A reset to the defaults is an edit like any other.
    void resetIsUndoable()
    {
        Fixture f;
        f.setRoll(55);
        endTurn();
        f.model->resetToDefaults();
        endTurn();
        QCOMPARE(f.model->memory().modelData(0), f.model->defaultImage());
        f.history.undo();
        QCOMPARE(f.roll(), 55);
    }

    void setModelClears()
    {
        Fixture f;
        f.setRoll(10);
        endTurn();
        f.setRoll(20);
        endTurn();
        f.history.undo();
        QVERIFY(f.history.canUndo());
        QVERIFY(f.history.canRedo());
        f.setRoll(30); // still open when the model changes
        QSignalSpy canUndo(&f.history, &EditHistory::canUndoChanged);
        QSignalSpy canRedo(&f.history, &EditHistory::canRedoChanged);
        std::shared_ptr<AirplaneRxModel> other = newReceiver();
        f.history.setModel(other);
        endTurn();
        QVERIFY(!f.history.canUndo());
        QVERIFY(!f.history.canRedo());
        QCOMPARE(canUndo.count(), 1);
        QCOMPARE(canRedo.count(), 1);
        QCOMPARE(f.history.model(), other.get());

        // The model left behind is no longer followed; the new one is.
        f.setRoll(40);
        endTurn();
        QVERIFY(!f.history.canUndo());
        other->setExpoPositive(SettingOnlyChannel::Roll, 0, 40);
        endTurn();
        QVERIFY(f.history.canUndo());
        other.reset();
        QVERIFY(!f.history.canUndo());
        QVERIFY(!f.history.model());
        f.history.undo();
    }

    // Only the last kMaxSteps steps are kept.
    void oldestStepsAreDropped()
    {
        Fixture f;
        for (int step = 0; step <= EditHistory::kMaxSteps; ++step) {
            f.setRoll(step % 2 == 0 ? 60 : 61);
            endTurn();
        }
        QCOMPARE(f.history.undoCount(), EditHistory::kMaxSteps);
        while (f.history.canUndo())
            f.history.undo();
        QCOMPARE(f.roll(), 60);
    }

    // An undone edit goes to a connected device like any other: patched at once, committed to
    // its flash after the commit delay; the library saves it too.
    void undoReachesTheDeviceAndTheLibrary()
    {
        QTemporaryDir dir;
        ModelLibrary library(dir.filePath("Models"));
        Fixture f;
        const QString fileName = library.addModel(f.model);
        QVERIFY(!fileName.isEmpty());
        DeviceLink link;
        DeviceMemory &memory = f.model->memory();
        memory.setFlashCommitDelayMs(20);
        QVERIFY(link.attach(memory, InitialSyncDirection::ComputerToDevice));
        QVERIFY(QTest::qWaitFor([&] { return memory.isSynced(); }, kWaitMs));
        const QByteArray before = f.bytes();
        QCOMPARE(link.flash(), before);

        f.setRoll(f.roll() == 33 ? 34 : 33);
        endTurn();
        QVERIFY(QTest::qWaitFor([&] { return link.ram() == f.bytes(); }, kWaitMs));
        QVERIFY(QTest::qWaitFor([&] { return memory.isSynced(); }, kWaitMs));
        QVERIFY(library.flushPendingSaves());

        f.history.undo();
        QCOMPARE(f.bytes(), before);
        QVERIFY(library.isPending(fileName));
        QVERIFY(QTest::qWaitFor([&] { return link.ram() == before; }, kWaitMs));
        QVERIFY(
            QTest::qWaitFor([&] { return memory.isSynced() && link.flash() == before; }, kWaitMs));
        QVERIFY(f.history.canRedo());
    }

    // A sync that brings the device's settings into the model ends the history: undo would
    // otherwise drop them silently. One that writes the model to the device changes no setting
    // and keeps it.
    void syncEndsTheHistoryOnlyWhenItChangedTheModel_data()
    {
        QTest::addColumn<InitialSyncDirection>("direction");
        QTest::addColumn<bool>("kept");
        QTest::newRow("computer to device") << InitialSyncDirection::ComputerToDevice << true;
        QTest::newRow("device to computer") << InitialSyncDirection::DeviceToComputer << false;
    }
    void syncEndsTheHistoryOnlyWhenItChangedTheModel()
    {
        QFETCH(InitialSyncDirection, direction);
        QFETCH(bool, kept);
        Fixture f;
        f.setRoll(f.roll() == 70 ? 71 : 70);
        endTurn();
        DeviceLink link;
        QVERIFY(link.attach(f.model->memory(), direction));
        endTurn();
        QCOMPARE(f.history.canUndo(), kept);
        if (!kept) {
            QCOMPARE(f.bytes(), link.profile.targets.at(0).sections.at(0).contents);
            // The next edit's step starts from the device's settings.
            f.setRoll(5);
            endTurn();
            f.history.undo();
            QCOMPARE(f.bytes(), link.profile.targets.at(0).sections.at(0).contents);
        }
    }
};

ZX_REGISTER_TEST(EditHistoryTest);
#include "test_edithistory.moc"
