// The models page's row operations, driven as the user would: keys, buttons, actions and the
// answers to the questions the page asks.
#include "models/devicemodel.h"
#include "models/libraryoperations.h"
#include "modelspagerig.h"
#include "testregistry.h"

#include <QAction>
#include <QContextMenuEvent>
#include <QFile>
#include <QLineEdit>
#include <QMenu>
#include <QSignalSpy>
#include <QTest>

using namespace modelspagetest;
namespace ops = libraryoperations;

class ModelsPageTest : public QObject
{
    Q_OBJECT

    std::unique_ptr<LibraryRig> m_rig;
    std::unique_ptr<PageDriver> m_driver;

    void openPage()
    {
        m_driver = std::make_unique<PageDriver>(m_rig->context());
        QVERIFY(m_driver->ready());
    }

private slots:
    void init() { m_rig = std::make_unique<LibraryRig>(); }
    void cleanup()
    {
        m_driver.reset();
        m_rig.reset();
    }

    // Enter, a double-click and the button all select; the chosen model becomes the current
    // one and its row is marked.
    void selectMakesModelCurrent_data()
    {
        QTest::addColumn<QString>("gesture");
        QTest::newRow("enter") << "enter";
        QTest::newRow("double-click") << "double-click";
        QTest::newRow("button") << "button";
    }
    void selectMakesModelCurrent()
    {
        QFETCH(QString, gesture);
        m_rig->add(QStringLiteral("Glider"));
        const QString trainer = m_rig->add(QStringLiteral("Trainer"));
        openPage();
        QVERIFY(m_driver->choose(trainer));
        ModelListView *list = m_driver->list();
        if (gesture == QLatin1String("enter")) {
            QTest::keyClick(list, Qt::Key_Return);
        } else if (gesture == QLatin1String("double-click")) {
            // A double-click is a click and then the second press; QTest sends only the latter.
            const QPoint centre = list->visualRect(list->currentIndex()).center();
            QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, centre);
            QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, centre);
        } else {
            QTest::mouseClick(m_driver->page.form().selectButton, Qt::LeftButton);
        }
        QCOMPARE(m_rig->madeCurrent.size(), 1);
        QCOMPARE(m_rig->madeCurrent.first()->info().fileName(), trainer);
        QCOMPARE(m_driver->model()->currentFileName(), trainer);
        QVERIFY(m_driver->model()->indexOfFile(trainer).data(ModelListModel::CurrentRole).toBool());
        QCOMPARE(m_driver->chosenFile(), trainer);
    }

    // Delete moves the model to the trash, forgets it as a device's last-synced model and
    // leaves the row after it chosen.
    void deleteMovesModelToTrash()
    {
        const QString glider = m_rig->add(QStringLiteral("Glider"), QStringLiteral("SER-A"));
        const QString trainer = m_rig->add(QStringLiteral("Trainer"));
        m_rig->lastSynced->setLastSyncedModel(QStringLiteral("SER-A"), glider);
        openPage();
        BoxAnswerer boxes;
        QVERIFY(m_driver->choose(glider));
        QTest::keyClick(m_driver->list(), Qt::Key_Delete);
        boxes.settle();
        QCOMPARE(boxes.boxes, QStringList());
        QCOMPARE(m_rig->models->fileNames(), QStringList{trainer});
        QCOMPARE(m_rig->names(*m_rig->trash), QStringList{"Glider"});
        QCOMPARE(m_rig->lastSynced->modelFileFor(QStringLiteral("SER-A")), QString());
        QCOMPARE(m_driver->rowTexts(), QStringList{"Trainer"});
        QCOMPARE(m_driver->chosenFile(), trainer);
    }

    // A model that cannot go to the trash is deleted only when the user says so.
    void deleteWithoutTrashAsks_data()
    {
        QTest::addColumn<QString>("answer");
        QTest::addColumn<bool>("deleted");
        QTest::newRow("cancel") << ops::kDeleteCancelButton << false;
        QTest::newRow("delete") << ops::kDeleteAcceptButton << true;
    }
    void deleteWithoutTrashAsks()
    {
        QFETCH(QString, answer);
        QFETCH(bool, deleted);
        const QString glider = m_rig->add(QStringLiteral("Glider"));
        // A file where the trash folder was: nothing can be written there.
        const QString trashFolder = m_rig->trash->directory();
        QVERIFY(QDir(trashFolder).removeRecursively());
        QFile blocker(trashFolder);
        QVERIFY(blocker.open(QIODevice::WriteOnly));
        blocker.close();

        openPage();
        BoxAnswerer boxes;
        boxes.queue(answer);
        QVERIFY(m_driver->choose(glider));
        m_driver->page.form().deleteAction->trigger();
        QCOMPARE(boxes.boxes,
                 QStringList{ops::kDeleteTitle + ": " + ops::kDeletePermanentlyQuestion});
        QCOMPARE(boxes.buttons.first(),
                 QStringList({ops::kDeleteCancelButton, ops::kDeleteAcceptButton}));
        QCOMPARE(m_rig->models->contains(glider), !deleted);
        QCOMPARE(m_driver->rowTexts(), deleted ? QStringList() : QStringList{"Glider"});
    }

    // The copy gets a copy name and a new file and is chosen; the original file stays.
    void duplicateChoosesCopy()
    {
        const QString glider = m_rig->add(QStringLiteral("Glider"));
        openPage();
        QVERIFY(m_driver->choose(glider));
        QTest::keySequence(m_driver->list(), QKeySequence(Qt::CTRL | Qt::Key_D));
        QCOMPARE(m_rig->names(*m_rig->models),
                 QStringList({"Glider", "Glider - 2024-05-06 07:08:09 Copy"}));
        QVERIFY(m_driver->chosenFile() != glider);
        QCOMPARE(m_driver->list()->currentIndex().data().toString(),
                 QStringLiteral("Glider - 2024-05-06 07:08:09 Copy"));
    }

    // Reset asks first and resets on any answer but No.
    void resetAsks_data()
    {
        QTest::addColumn<QString>("answer");
        QTest::addColumn<bool>("reset");
        QTest::newRow("no") << "No" << false;
        QTest::newRow("yes") << "Yes" << true;
    }
    void resetAsks()
    {
        QFETCH(QString, answer);
        QFETCH(bool, reset);
        const QString glider = m_rig->add(QStringLiteral("Glider"));
        const auto model = std::dynamic_pointer_cast<DeviceModel>(m_rig->models->openModel(glider));
        QVERIFY(model);
        const QByteArray defaults = model->memory().modelData(0);
        QByteArray changed = defaults;
        changed[4] = char(changed[4] ^ 0x5A);
        model->memory().setModelData(0, changed);

        openPage();
        BoxAnswerer boxes;
        boxes.queue(answer);
        QVERIFY(m_driver->choose(glider));
        m_driver->page.form().resetAction->trigger();
        QCOMPARE(boxes.boxes, QStringList{ops::kResetTitle + ": " + ops::kResetQuestion});
        QCOMPARE(boxes.buttons.first(), QStringList({"Yes", "No"}));
        QCOMPARE(model->memory().modelData(0), reset ? defaults : changed);
    }

    // Upgrade is offered where the model's class has a newer variant, here the older
    // transmitter only; accepting adds an upgraded copy and chooses it.
    void upgradeOfferedForOlderTransmitter_data()
    {
        QTest::addColumn<int>("productCode");
        QTest::addColumn<int>("parameterVersion");
        QTest::addColumn<QString>("answer");
        QTest::addColumn<bool>("offered");
        QTest::newRow("older transmitter, upgraded")
            << kTransmitter << 0 << ops::kUpgradeAcceptButton << true;
        QTest::newRow("older transmitter, cancelled")
            << kTransmitter << 0 << ops::kUpgradeCancelButton << true;
        QTest::newRow("newer transmitter") << kTransmitter << 1 << QString() << false;
        QTest::newRow("receiver") << kReceiver << kReceiverVersion << QString() << false;
    }
    void upgradeOfferedForOlderTransmitter()
    {
        QFETCH(int, productCode);
        QFETCH(int, parameterVersion);
        QFETCH(QString, answer);
        QFETCH(bool, offered);
        const QString file = m_rig->add(QStringLiteral("Radio"), {}, productCode, parameterVersion);
        QVERIFY(!file.isEmpty());
        openPage();
        QVERIFY(m_driver->choose(file));
        QAction *upgrade = m_driver->page.form().upgradeAction;
        QCOMPARE(upgrade->isEnabled(), offered);
        QCOMPARE(upgrade->isVisible(), offered);
        if (!offered)
            return;

        BoxAnswerer boxes;
        boxes.queue(answer);
        upgrade->trigger();
        QCOMPARE(boxes.boxes, QStringList{ops::kUpgradeTitle + ": " + ops::kUpgradeQuestion});
        // In the platform's order of the two roles.
        QStringList buttons = boxes.buttons.first();
        buttons.sort();
        QCOMPARE(buttons, QStringList({ops::kUpgradeCancelButton, ops::kUpgradeAcceptButton}));
        const bool accepted = answer == ops::kUpgradeAcceptButton;
        QCOMPARE(m_rig->models->fileNames().size(), accepted ? 2 : 1);
        if (accepted) {
            const QString copy = m_driver->chosenFile();
            QVERIFY(copy != file);
            QCOMPARE(m_rig->models->entryInfo(copy).parameterVersion(), 1);
        }
    }

    // F2 and Ctrl+E open the edit dialog without waiting for it; the list follows its close.
    void editOpensDialog_data()
    {
        QTest::addColumn<QKeySequence>("keys");
        QTest::newRow("F2") << QKeySequence(Qt::Key_F2);
        QTest::newRow("Ctrl+E") << QKeySequence(Qt::CTRL | Qt::Key_E);
    }
    void editOpensDialog()
    {
        QFETCH(QKeySequence, keys);
        const QString glider = m_rig->add(QStringLiteral("Glider"));
        openPage();
        QVERIFY(m_driver->choose(glider));
        QTest::keySequence(m_driver->list(), keys);
        const QList<QDialog *> dialogs = m_driver->openDialogs("ModelEditDialog");
        QCOMPARE(dialogs.size(), 1);

        m_rig->models->openModel(glider)->info().setName(QStringLiteral("Sailplane"));
        QPointer<QDialog> dialog = dialogs.first();
        dialog->reject();
        QTRY_VERIFY(dialog.isNull());
        QCOMPARE(m_driver->rowTexts(), QStringList{"Sailplane"});
    }

    // An operation on a model whose file no longer loads shows its failure text in an error
    // box that does not hold up the page.
    void brokenModelFileShowsError_data()
    {
        QTest::addColumn<QString>("action");
        QTest::addColumn<QString>("error");
        QTest::newRow("select") << "selectAction" << ops::kSelectFailed;
        QTest::newRow("edit") << "editAction" << ops::kEditFailed;
        QTest::newRow("duplicate") << "duplicateAction" << ops::kDuplicateFailed;
        QTest::newRow("reset") << "resetAction" << ops::kResetFailed;
    }
    void brokenModelFileShowsError()
    {
        QFETCH(QString, action);
        QFETCH(QString, error);
        const QString glider = m_rig->add(QStringLiteral("Glider"));
        QFile file(m_rig->models->filePath(glider));
        QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write("not a model");
        file.close();

        openPage();
        BoxAnswerer boxes;
        boxes.queue(QStringLiteral("Yes")); // the reset question
        QVERIFY(m_driver->choose(glider));
        auto *trigger = m_driver->list()->findChild<QAction *>(action);
        QVERIFY(trigger);
        QVERIFY(trigger->isEnabled());
        trigger->trigger();
        QVERIFY(boxes.waitForBoxes(action == QLatin1String("resetAction") ? 2 : 1));
        QCOMPARE(boxes.boxes.last(), errorBox(error));
        QCOMPARE(m_rig->madeCurrent.size(), 0);
        QCOMPARE(m_driver->openDialogs("ModelEditDialog").size(), 0);
    }

    // Typing filters the list once typing pauses; Enter takes the focus to the rows found.
    void searchFieldFiltersList()
    {
        m_rig->add(QStringLiteral("Glider"));
        m_rig->add(QStringLiteral("Trainer"));
        m_rig->add(QStringLiteral("Big Trainer"));
        openPage();
        QLineEdit *search = m_driver->page.form().search;
        QVERIFY(!search->placeholderText().isEmpty());
        QVERIFY(!search->accessibleName().isEmpty());
        search->setFocus();
        QTest::keyClicks(search, QStringLiteral("TRAIN"));
        QCOMPARE(m_driver->rowTexts().size(), 3);
        QTRY_COMPARE(m_driver->rowTexts(), QStringList({"Trainer", "Big Trainer"}));
        QTest::keyClick(search, Qt::Key_Return);
        QVERIFY(m_driver->list()->hasFocus());
    }

    // Tab goes search field, list, row buttons, library buttons; the menu key opens the row's
    // menu with the row operations.
    void keyboardReachesEverything()
    {
        const QString glider = m_rig->add(QStringLiteral("Glider"));
        openPage();
        const ModelsPageForm &form = m_driver->page.form();
        const QList<QWidget *> order{form.search,       form.list,        form.selectButton,
                                     form.editButton,   form.moreButton,  form.addNewButton,
                                     form.importButton, form.trashButton, form.presetsButton};
        QVERIFY(m_driver->choose(glider));
        form.search->setFocus();
        for (int i = 1; i < order.size(); ++i) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
            QCOMPARE(QApplication::focusWidget(), order.at(i));
        }

        // The menu key reaches the list as a keyboard context-menu request; Shift+F10 is the
        // list's own shortcut for it.
        form.list->setFocus();
        QContextMenuEvent menuKey(QContextMenuEvent::Keyboard, QPoint(1, 1));
        QApplication::sendEvent(form.list->viewport(), &menuKey);
        QTRY_VERIFY(form.rowMenu->isVisible());
        QStringList offered;
        for (QAction *action : form.rowMenu->actions()) {
            if (action->isVisible() && !action->isSeparator())
                offered.append(action->text());
        }
        QCOMPARE(offered, QStringList({"Select", "Edit...", "Export...", "Duplicate", "Reset...",
                                       "Delete"}));
        // Opened on the current row, not where the request said.
        const QRect row = form.list->visualRect(form.list->currentIndex());
        QVERIFY(
            form.rowMenu->geometry().contains(form.list->viewport()->mapToGlobal(row.center())) ||
            form.rowMenu->pos() == form.list->viewport()->mapToGlobal(row.center()));
        form.rowMenu->close();
        QTRY_VERIFY(!form.rowMenu->isVisible());
        QTest::keySequence(form.list, QKeySequence(Qt::SHIFT | Qt::Key_F10));
        QTRY_VERIFY(form.rowMenu->isVisible());
        form.rowMenu->close();
    }

    // "Add New...", "Trash..." and "Download Preset..." open their dialogs without waiting.
    void libraryButtonsOpenDialogs_data()
    {
        QTest::addColumn<QString>("button");
        QTest::addColumn<QByteArray>("dialogClass");
        QTest::newRow("add new") << "addNewButton" << QByteArray("AddModelWizard");
        QTest::newRow("trash") << "trashButton" << QByteArray("TrashDialog");
        QTest::newRow("presets") << "downloadPresetButton" << QByteArray("PresetsDialog");
    }
    void libraryButtonsOpenDialogs()
    {
        QFETCH(QString, button);
        QFETCH(QByteArray, dialogClass);
        openPage();
        auto *pushButton = m_driver->page.findChild<QPushButton *>(button);
        QVERIFY(pushButton);
        pushButton->click();
        const QList<QDialog *> dialogs = m_driver->openDialogs(dialogClass.constData());
        QCOMPARE(dialogs.size(), 1);
        QPointer<QDialog> dialog = dialogs.first();
        dialog->reject();
        QTRY_VERIFY(dialog.isNull());
    }
};

ZX_REGISTER_TEST(ModelsPageTest);
#include "test_modelspage.moc"
