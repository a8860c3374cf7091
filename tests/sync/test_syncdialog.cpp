// The sync dialog against a simulated airplane receiver, driven as the user would.
#include "models/model.h"
#include "syncrig.h"
#include "testregistry.h"
#include "ui/sync/syncdialog.h"
#include "ui/sync/syncrun.h"
#include "ui/widgets/picture.h"

#include <QItemSelectionModel>
#include <QLabel>
#include <QListView>
#include <QProgressBar>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>

using namespace synctest;

namespace {

struct Form
{
    explicit Form(QDialog &dialog)
        : imageLabel(dialog.findChild<QLabel *>(QStringLiteral("modelImageLabel")))
        , nameLabel(dialog.findChild<QLabel *>(QStringLiteral("modelNameLabel")))
        , listButton(dialog.findChild<QPushButton *>(QStringLiteral("listVisibilityButton")))
        , list(dialog.findChild<QListView *>(QStringLiteral("modelList")))
        , progress(dialog.findChild<QProgressBar *>(QStringLiteral("progressBar")))
        , diagram(dialog.findChild<QLabel *>(QStringLiteral("diagramLabel")))
        , useDevice(dialog.findChild<QPushButton *>(QStringLiteral("useDeviceButton")))
        , useComputer(dialog.findChild<QPushButton *>(QStringLiteral("useComputerButton")))
    {}

    [[nodiscard]] bool complete() const
    {
        return imageLabel && nameLabel && listButton && list && progress && diagram && useDevice &&
               useComputer;
    }
    [[nodiscard]] bool choosing() const
    {
        return useDevice->isEnabled() && useComputer->isEnabled() && progress->isHidden();
    }
    [[nodiscard]] bool syncing() const
    {
        return !useDevice->isEnabled() && !useComputer->isEnabled() && progress->isVisible();
    }

    QLabel *imageLabel;
    QLabel *nameLabel;
    QPushButton *listButton;
    QListView *list;
    QProgressBar *progress;
    QLabel *diagram;
    QPushButton *useDevice;
    QPushButton *useComputer;
};

QModelIndex rowNamed(const QListView &list, const QString &name)
{
    const QAbstractItemModel *rows = list.model();
    const QModelIndexList found =
        rows->match(rows->index(0, 0), Qt::DisplayRole, name, 1, Qt::MatchExactly);
    return found.isEmpty() ? QModelIndex() : found.first();
}

QModelIndexList selectedRows(const QListView &list)
{
    return list.selectionModel()->selectedIndexes();
}

// A model whose bytes are the class's defaults with one changed, so that it differs both
// from the device and from any other new model.
void markModel(DeviceModel &model, char mark)
{
    QByteArray bytes = model.memory().modelData(0);
    bytes[16] = mark;
    model.memory().setModelData(0, bytes);
}

// The diagram pictures, each a plain colour, so a test can tell which one is shown.
const QList<std::pair<QString, QColor>> kPictures = {
    {QStringLiteral("Sync.png"), Qt::darkGray},
    {QStringLiteral("SyncFromDevice.png"), Qt::red},
    {QStringLiteral("SyncFromComputer.png"), Qt::blue},
};

QColor pictureColour(const QString &fileName)
{
    for (const auto &[name, colour] : kPictures)
        if (name == fileName)
            return colour;
    return {};
}

} // namespace

class SyncDialogTest : public QObject
{
    Q_OBJECT

    QTemporaryDir m_pictures;
    std::unique_ptr<SyncRig> m_rig;

    // The library's model of `fileName`, loaded again from its file.
    std::shared_ptr<DeviceModel> reloaded(const QString &fileName)
    {
        return std::dynamic_pointer_cast<DeviceModel>(
            loadModelFile(m_rig->library->filePath(fileName)));
    }

    QString diagramPicture(const Form &form)
    {
        const QColor shown = form.diagram->pixmap(Qt::ReturnByValue).toImage().pixelColor(4, 4);
        for (const auto &[name, colour] : kPictures)
            if (colour == shown)
                return name;
        return {};
    }

private slots:
    void initTestCase()
    {
        for (const auto &[name, colour] : kPictures) {
            QImage picture(96, 96, QImage::Format_ARGB32);
            picture.fill(colour);
            QVERIFY(picture.save(m_pictures.filePath(name)));
        }
        setPictureFolder(m_pictures.path());
    }
    void cleanupTestCase() { setPictureFolder(QString()); }

    void init()
    {
        m_rig = std::make_unique<SyncRig>();
        QVERIFY(m_rig->identify());
    }
    void cleanup()
    {
        m_rig.reset();
        QVERIFY(m_rig == nullptr);
    }

    // A device that no library model names gets a new model. Taking the device's settings
    // fills it with the device's bytes, writes it at once, makes it current and records it
    // as the device's last-synced model.
    void firstSeenDeviceFillsNewModel()
    {
        SyncRig &rig = *m_rig;
        const QString other =
            rig.addModel(QStringLiteral("Someone else's"), "ZX-RX-9999", rig.manager->productCode(),
                         *rig.manager->parameterVersion());
        MessageBoxCatcher boxes;
        SyncDialog dialog(rig.context());
        dialog.open();
        Form form(dialog);
        QVERIFY(form.complete());
        QCOMPARE(dialog.windowTitle(), QStringLiteral("Model Mismatch"));
        QCOMPARE(form.nameLabel->text(), QStringLiteral("New Model"));
        QCOMPARE(form.listButton->text(), QStringLiteral("Show All Models"));
        QVERIFY(form.list->isHidden());
        QVERIFY(form.choosing());

        QSignalSpy accepted(&dialog, &QDialog::accepted);
        QTest::mouseClick(form.useDevice, Qt::LeftButton);
        QVERIFY(form.syncing());
        QCOMPARE(form.progress->value(), 0);
        QVERIFY(QTest::qWaitFor([&] { return accepted.count() == 1; }, kWaitMs));
        QCOMPARE(form.progress->value(), 100);
        QCOMPARE(boxes.boxes, QStringList());

        QCOMPARE(rig.madeCurrent.size(), 1);
        const auto model = std::dynamic_pointer_cast<DeviceModel>(rig.madeCurrent.first());
        QVERIFY(model);
        const QString fileName = model->info().fileName();
        QVERIFY(fileName != other);
        QCOMPARE(rig.library->fileNames().size(), 2);
        QCOMPARE(model->info().serialNumber(), rig.manager->serialNumber());
        QCOMPARE(model->memory().modelData(0), rig.deviceFlash());
        QVERIFY(rig.matchesDevice(*model));
        const std::shared_ptr<DeviceModel> onDisk = reloaded(fileName);
        QVERIFY(onDisk);
        QVERIFY(rig.matchesDevice(*onDisk));

        QCOMPARE(rig.lastSynced->modelFileFor(rig.manager->serialNumber()), fileName);
        LastSyncedModels stored(rig.lastSynced->filePath());
        stored.loadLastSyncedModels();
        QCOMPARE(stored.modelFileFor(rig.manager->serialNumber()), fileName);
    }

    // The list shows every library model and, when opened, selects the one to sync; a row
    // chosen there replaces it. A last-synced entry whose model was deleted leaves the
    // default to the search by serial number, product code and parameter version.
    void modelChosenInListReachesDevice()
    {
        SyncRig &rig = *m_rig;
        const QString deleted = rig.addDeviceModel(QStringLiteral("Deleted"));
        QVERIFY(rig.library->removeModel(deleted));
        rig.lastSynced->setLastSyncedModel(rig.manager->serialNumber(), deleted);
        QVERIFY(!rig.addDeviceModel(QStringLiteral("Mine")).isEmpty());
        const std::shared_ptr<DeviceModel> chosen =
            rig.newModel(QStringLiteral("Aerobatic"), rig.manager->serialNumber(),
                         rig.manager->productCode(), *rig.manager->parameterVersion());
        markModel(*chosen, 0x5A);
        const QString chosenFile = rig.library->addModel(chosen);
        QVERIFY(!chosenFile.isEmpty());

        MessageBoxCatcher boxes;
        SyncDialog dialog(rig.context());
        dialog.open();
        Form form(dialog);
        QCOMPARE(form.nameLabel->text(), QStringLiteral("Mine"));

        QTest::mouseClick(form.listButton, Qt::LeftButton);
        QCOMPARE(form.listButton->text(), QStringLiteral("Hide All"));
        QVERIFY(form.list->isVisible());
        QVERIFY(form.nameLabel->isHidden() && form.imageLabel->isHidden());
        QCOMPARE(form.list->model()->rowCount(), 2);
        QVERIFY(form.list->minimumHeight() >= 300);
        QCOMPARE(selectedRows(*form.list),
                 QModelIndexList{rowNamed(*form.list, QStringLiteral("Mine"))});
        for (int row = 0; row < form.list->model()->rowCount(); ++row)
            QVERIFY(!form.list->model()->index(row, 0).data(Qt::DecorationRole).isNull());

        const QModelIndex row = rowNamed(*form.list, QStringLiteral("Aerobatic"));
        QVERIFY(row.isValid());
        QTest::mouseClick(form.list->viewport(), Qt::LeftButton, {},
                          form.list->visualRect(row).center());
        QCOMPARE(selectedRows(*form.list), QModelIndexList{row});

        QSignalSpy accepted(&dialog, &QDialog::accepted);
        QTest::mouseClick(form.useComputer, Qt::LeftButton);
        QVERIFY(QTest::qWaitFor([&] { return accepted.count() == 1; }, kWaitMs));
        QCOMPARE(boxes.boxes, QStringList());
        QCOMPARE(rig.madeCurrent, QList<std::shared_ptr<Model>>{chosen});
        QCOMPARE(rig.deviceFlash(), chosen->memory().modelData(0));
        QCOMPARE(rig.lastSynced->modelFileFor(rig.manager->serialNumber()), chosenFile);
    }

    // Without a model to sync, the dialog says why and waits for another choice: nothing is
    // added, synced or recorded.
    void refusedSyncKeepsDialogOpen_data()
    {
        QTest::addColumn<bool>("openList");
        QTest::addColumn<QString>("text");
        QTest::newRow("list open, no row selected") << true << modelsync::kNoSelectionText;
        QTest::newRow("model file unloadable") << false << modelsync::kPrepareFailedText;
    }
    void refusedSyncKeepsDialogOpen()
    {
        QFETCH(bool, openList);
        QFETCH(QString, text);
        SyncRig &rig = *m_rig;
        if (!openList) {
            const QString broken = rig.addDeviceModel(QStringLiteral("Broken"));
            QFile file(rig.library->filePath(broken));
            QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
            file.write("not a model");
        }
        const QStringList filesBefore = rig.library->fileNames();
        const QByteArray deviceBefore = rig.deviceFlash();

        MessageBoxCatcher boxes;
        SyncDialog dialog(rig.context());
        dialog.open();
        Form form(dialog);
        if (openList) {
            QTest::mouseClick(form.listButton, Qt::LeftButton);
            QVERIFY(selectedRows(*form.list).isEmpty());
        }
        QSignalSpy finished(&dialog, &QDialog::finished);
        QTest::mouseClick(form.useComputer, Qt::LeftButton);
        QVERIFY(boxes.waitForBoxes(1));

        QCOMPARE(boxes.boxes, QStringList{errorBox(text)});
        QVERIFY(dialog.isVisible());
        QCOMPARE(finished.count(), 0);
        QVERIFY(form.choosing());
        QCOMPARE(rig.library->fileNames(), filesBefore);
        QCOMPARE(rig.deviceFlash(), deviceBefore);
        QVERIFY(rig.madeCurrent.isEmpty());
        QCOMPARE(rig.lastSynced->entries().size(), 0);

        if (openList) {
            QTest::mouseClick(form.listButton, Qt::LeftButton);
            QCOMPARE(form.listButton->text(), QStringLiteral("Show All"));
            QVERIFY(form.list->isHidden() && form.nameLabel->isVisible());
        }
    }

    // A device lost during the transfer: the box, then the dialog closes rejected. The model
    // keeps every byte it had, in memory and on disk.
    void failedSyncRejectsAndKeepsModel()
    {
        SyncRig &rig = *m_rig;
        const QString fileName = rig.addDeviceModel(QStringLiteral("Mine"));
        const std::shared_ptr<Model> model = rig.library->openModel(fileName);
        const auto deviceModel = std::dynamic_pointer_cast<DeviceModel>(model);
        const QByteArray before = deviceModel->memory().modelData(0);

        MessageBoxCatcher boxes;
        SyncDialog dialog(rig.context());
        dialog.open();
        Form form(dialog);
        QSignalSpy rejected(&dialog, &QDialog::rejected);
        rig.simulator->addFault({devsim::FaultKind::Disconnect, 2});
        QTest::mouseClick(form.useDevice, Qt::LeftButton);
        QVERIFY(form.syncing());
        QVERIFY(QTest::qWaitFor([&] { return rejected.count() == 1; }, kWaitMs));

        QCOMPARE(boxes.boxes, QStringList{errorBox(modelsync::kSyncFailedText)});
        QCOMPARE(deviceModel->memory().modelData(0), before);
        QCOMPARE(reloaded(fileName)->memory().modelData(0), before);
        QVERIFY(rig.madeCurrent.isEmpty());
        QCOMPARE(rig.lastSynced->entries().size(), 0);
    }

    // The main window deletes the dialog when the device changes, also while it syncs. The
    // transfer then ends on its own: no box and no new current model, and the model holds
    // either all of its old bytes or all of the device's, in memory and on disk alike.
    void dialogDeletedWhileSyncing_data()
    {
        QTest::addColumn<bool>("deviceVanishes");
        QTest::newRow("transfer completes") << false;
        QTest::newRow("device vanishes") << true;
    }
    void dialogDeletedWhileSyncing()
    {
        QFETCH(bool, deviceVanishes);
        SyncRig &rig = *m_rig;
        const QString fileName = rig.addDeviceModel(QStringLiteral("Mine"));
        const auto model = std::dynamic_pointer_cast<DeviceModel>(rig.library->openModel(fileName));
        const QByteArray before = model->memory().modelData(0);
        bool transferEnded = false;
        QObject::connect(&model->memory(), &DeviceMemory::errorSyncing, model.get(),
                         [&] { transferEnded = true; });

        MessageBoxCatcher boxes;
        auto *dialog = new SyncDialog(rig.context());
        dialog->open();
        // A slow reply keeps the transfer running past the deletion even on a loaded machine.
        if (deviceVanishes)
            rig.simulator->addFault({devsim::FaultKind::Disconnect, 2});
        else
            rig.simulator->addFault({devsim::FaultKind::Delay, 2, 400});
        QTest::mouseClick(Form(*dialog).useDevice, Qt::LeftButton);
        QVERIFY(Form(*dialog).syncing());
        QTest::qWait(50);
        delete dialog;

        const QString serial = rig.manager->serialNumber();
        QVERIFY(QTest::qWaitFor(
            [&] { return transferEnded || !rig.lastSynced->modelFileFor(serial).isEmpty(); },
            kWaitMs));
        QTest::qWait(100);

        const QByteArray expected = deviceVanishes ? before : rig.deviceFlash();
        QVERIFY(expected != before || deviceVanishes);
        QCOMPARE(model->memory().modelData(0), expected);
        QCOMPARE(reloaded(fileName)->memory().modelData(0), expected);
        QCOMPARE(boxes.boxes, QStringList());
        QVERIFY(rig.madeCurrent.isEmpty());
        QCOMPARE(rig.lastSynced->modelFileFor(serial), deviceVanishes ? QString() : fileName);
    }

    // Enter never picks a side, even from a focused direction button. Escape and closing the
    // window decline while the user chooses, and are ignored while the sync runs.
    void keyboard_data()
    {
        QTest::addColumn<bool>("syncFirst");
        QTest::addColumn<QString>("action");
        QTest::addColumn<bool>("rejected");
        QTest::newRow("Enter on a direction button") << false << "enter" << false;
        QTest::newRow("Escape while choosing") << false << "escape" << true;
        QTest::newRow("Escape while syncing") << true << "escape" << false;
        QTest::newRow("close while syncing") << true << "close" << false;
    }
    void keyboard()
    {
        QFETCH(bool, syncFirst);
        QFETCH(QString, action);
        QFETCH(bool, rejected);
        SyncRig &rig = *m_rig;
        MessageBoxCatcher boxes;
        SyncDialog dialog(rig.context());
        dialog.open();
        Form form(dialog);
        QSignalSpy rejectedSpy(&dialog, &QDialog::rejected);
        QSignalSpy acceptedSpy(&dialog, &QDialog::accepted);
        if (syncFirst)
            QTest::mouseClick(form.useDevice, Qt::LeftButton);

        if (action == QLatin1String("enter")) {
            form.useDevice->setFocus();
            QTest::keyClick(form.useDevice, Qt::Key_Return);
            QTest::keyClick(form.useDevice, Qt::Key_Enter);
        } else if (action == QLatin1String("escape")) {
            QTest::keyClick(&dialog, Qt::Key_Escape);
        } else {
            dialog.close();
        }

        QCOMPARE(rejectedSpy.count(), rejected ? 1 : 0);
        QCOMPARE(dialog.isVisible(), !rejected);
        if (syncFirst) {
            QVERIFY(form.syncing());
            QVERIFY(QTest::qWaitFor([&] { return acceptedSpy.count() == 1; }, kWaitMs));
        } else {
            QVERIFY(form.progress->isHidden());
            QTest::qWait(50);
            QVERIFY(rig.library->fileNames().isEmpty());
        }
        QCOMPARE(boxes.boxes, QStringList());
    }

    // The diagram shows the direction of the button under the mouse, and both ways otherwise.
    void hoverShowsDirection_data()
    {
        QTest::addColumn<QStringList>("events");
        QTest::addColumn<QString>("picture");
        QTest::newRow("nothing hovered") << QStringList{} << "Sync.png";
        QTest::newRow("device button") << QStringList{"device enter"} << "SyncFromDevice.png";
        QTest::newRow("computer button") << QStringList{"computer enter"} << "SyncFromComputer.png";
        QTest::newRow("left the device button")
            << QStringList{"device enter", "device leave"} << "Sync.png";
        QTest::newRow("from one button to the other")
            << QStringList{"device enter", "device leave", "computer enter"}
            << "SyncFromComputer.png";
    }
    void hoverShowsDirection()
    {
        QFETCH(QStringList, events);
        QFETCH(QString, picture);
        SyncDialog dialog(m_rig->context());
        dialog.show();
        Form form(dialog);
        for (const QString &event : events) {
            QPushButton *button =
                event.startsWith(QLatin1String("device")) ? form.useDevice : form.useComputer;
            if (event.endsWith(QLatin1String("enter"))) {
                QEnterEvent enter(QPointF(4, 4), QPointF(4, 4), QPointF(4, 4));
                QApplication::sendEvent(button, &enter);
            } else {
                QEvent leave(QEvent::Leave);
                QApplication::sendEvent(button, &leave);
            }
        }
        QVERIFY(pictureColour(picture).isValid());
        QCOMPARE(diagramPicture(form), picture);
    }

    // The diagram sits between the two buttons, the computer's on its left like the computer
    // in the picture, and the progress bar stays hidden until a sync runs.
    void layoutPlacesDiagramBetweenButtons()
    {
        SyncDialog dialog(m_rig->context());
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        Form form(dialog);
        QVERIFY(form.useComputer->geometry().right() < form.diagram->geometry().left());
        QVERIFY(form.diagram->geometry().right() < form.useDevice->geometry().left());
        QVERIFY(form.progress->isHidden());
        QVERIFY(!form.imageLabel->accessibleName().isEmpty());
        QVERIFY(!form.diagram->accessibleName().isEmpty());
    }
};

ZX_REGISTER_TEST(SyncDialogTest);
#include "test_syncdialog.moc"
