// The trash dialog: restoring models to the library and deleting them for good, with the
// questions it asks first.
#include "models/libraryoperations.h"
#include "modelspagerig.h"
#include "testregistry.h"
#include "ui/models/trashdialog.h"

#include <QPushButton>
#include <QSignalSpy>
#include <QTest>

using namespace modelspagetest;
namespace ops = libraryoperations;

class TrashDialogTest : public QObject
{
    Q_OBJECT

    std::unique_ptr<LibraryRig> m_rig;
    std::unique_ptr<TrashDialog> m_dialog;
    QString m_glider;
    QString m_trainer;

    QPushButton *button(const char *name) const
    {
        return m_dialog->findChild<QPushButton *>(QString::fromLatin1(name));
    }
    ModelListView *list() const
    {
        return m_dialog->findChild<ModelListView *>(QStringLiteral("trashList"));
    }
    QStringList rowTexts() const
    {
        QStringList texts;
        for (int row = 0; row < list()->model()->rowCount(); ++row)
            texts.append(list()->model()->index(row, 0).data().toString());
        return texts;
    }
    void openDialog()
    {
        m_dialog = std::make_unique<TrashDialog>(m_rig->context());
        m_dialog->open();
        QApplication::setActiveWindow(m_dialog.get());
        QVERIFY(QTest::qWaitForWindowActive(m_dialog.get()));
    }

private slots:
    void init()
    {
        m_rig = std::make_unique<LibraryRig>();
        m_glider = m_rig->add(QStringLiteral("Glider"), {}, kReceiver, kReceiverVersion,
                              m_rig->trash.get());
        m_trainer = m_rig->add(QStringLiteral("Trainer"), {}, kReceiver, kReceiverVersion,
                               m_rig->trash.get());
        m_rig->add(QStringLiteral("Glider"));
    }
    void cleanup()
    {
        m_dialog.reset();
        m_rig.reset();
    }

    // Restore moves the chosen model back to the library under a free name and says so; the
    // next row is chosen.
    void restoreMovesModelBack()
    {
        openDialog();
        QCOMPARE(rowTexts(), QStringList({"Glider", "Trainer"}));
        QSignalSpy restored(m_dialog.get(), &TrashDialog::modelRestored);
        button("restoreButton")->click();
        QCOMPARE(restored.count(), 1);
        QCOMPARE(m_rig->names(*m_rig->models), QStringList({"Glider", "Glider 2"}));
        QCOMPARE(m_rig->trash->fileNames(), QStringList{m_trainer});
        QCOMPARE(rowTexts(), QStringList{"Trainer"});
        QCOMPARE(list()->currentIndex().data().toString(), QStringLiteral("Trainer"));
    }

    // Delete removes the chosen model for good, only after the user agreed.
    void deleteAsks_data()
    {
        QTest::addColumn<QString>("answer");
        QTest::addColumn<bool>("deleted");
        QTest::newRow("cancel") << ops::kDeleteCancelButton << false;
        QTest::newRow("delete") << ops::kDeleteAcceptButton << true;
    }
    void deleteAsks()
    {
        QFETCH(QString, answer);
        QFETCH(bool, deleted);
        openDialog();
        BoxAnswerer boxes;
        boxes.queue(answer);
        list()->setFocus();
        QTest::keyClick(list(), Qt::Key_Delete);
        QCOMPARE(boxes.boxes,
                 QStringList{TrashDialog::kDeleteTitle + ": " + TrashDialog::kDeleteQuestion});
        QCOMPARE(boxes.buttons.first(),
                 QStringList({ops::kDeleteCancelButton, ops::kDeleteAcceptButton}));
        QCOMPARE(m_rig->trash->contains(m_glider), !deleted);
        QCOMPARE(rowTexts(), deleted ? QStringList{"Trainer"} : QStringList({"Glider", "Trainer"}));
        QCOMPARE(m_rig->names(*m_rig->models), QStringList{"Glider"});
    }

    // "Empty Trash" asks, then deletes every model; with nothing left only "Close" remains
    // to be pressed.
    void emptyTrashAsks_data()
    {
        QTest::addColumn<QString>("answer");
        QTest::addColumn<bool>("emptied");
        QTest::newRow("cancel") << ops::kEmptyTrashCancelButton << false;
        QTest::newRow("empty") << ops::kEmptyTrashAcceptButton << true;
    }
    void emptyTrashAsks()
    {
        QFETCH(QString, answer);
        QFETCH(bool, emptied);
        openDialog();
        BoxAnswerer boxes;
        boxes.queue(answer);
        button("emptyTrashButton")->click();
        QCOMPARE(boxes.boxes, QStringList{ops::kEmptyTrashTitle + ": " + ops::kEmptyTrashQuestion});
        QCOMPARE(boxes.buttons.first(),
                 QStringList({ops::kEmptyTrashCancelButton, ops::kEmptyTrashAcceptButton}));
        QCOMPARE(m_rig->trash->fileNames().isEmpty(), emptied);
        QCOMPARE(rowTexts().isEmpty(), emptied);
        for (const char *name : {"restoreButton", "deleteButton", "emptyTrashButton"})
            QCOMPARE(button(name)->isEnabled(), !emptied);
    }

    // Restoring from the dialog the page opened shows the model on the page at once.
    void pageShowsRestoredModel()
    {
        PageDriver driver(m_rig->context());
        QVERIFY(driver.ready());
        driver.page.form().trashButton->click();
        const QList<QDialog *> dialogs = driver.openDialogs("TrashDialog");
        QCOMPARE(dialogs.size(), 1);
        dialogs.first()->findChild<QPushButton *>(QStringLiteral("restoreButton"))->click();
        QCOMPARE(driver.rowTexts(), QStringList({"Glider", "Glider 2"}));
        dialogs.first()->reject();
    }
};

ZX_REGISTER_TEST(TrashDialogTest);
#include "test_trashdialog.moc"
