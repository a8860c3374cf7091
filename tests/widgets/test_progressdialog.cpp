#include "testregistry.h"
#include "ui/widgets/progressdialog.h"

#include <QLabel>
#include <QProgressBar>
#include <QSignalSpy>
#include <QTest>

#include <memory>

namespace {

struct TaskbarRecorder : TaskbarProgress
{
    void setProgress(QWindow *window, int maximum, int value) override
    {
        shownOn = window;
        shown = {maximum, value};
    }
    void clear(QWindow *window) override
    {
        if (window == shownOn)
            cleared = true;
    }
    QWindow *shownOn = nullptr;
    QPair<int, int> shown{-1, -1};
    bool cleared = false;
};

struct BarState
{
    int minimum;
    int maximum;
    int value;
    bool operator==(const BarState &) const = default;
};

BarState stateOf(const QProgressBar *bar)
{
    return {bar->minimum(), bar->maximum(), bar->value()};
}

} // namespace

class ProgressDialogTest : public QObject
{
    Q_OBJECT

private slots:
    // Rows keep the order they were added in; a key names the first row that has it, and an
    // unknown key changes nothing.
    void rowsAreSetByTheirFirstKey()
    {
        ProgressDialog dialog;
        dialog.addProgress(QStringLiteral("updating"), QStringLiteral("Updating device..."), false);
        dialog.addProgress(QStringLiteral("waiting"), QStringLiteral("Waiting..."), true);
        dialog.addProgress(QStringLiteral("updating"), QStringLiteral("Second"), false);
        dialog.setProgress(QStringLiteral("updating"), 40);
        dialog.setProgress(QStringLiteral("missing"), 70);

        QCOMPARE(dialog.rowCount(), 3);
        QCOMPARE(stateOf(dialog.progressBar(0)), (BarState{0, 100, 40}));
        QCOMPARE(stateOf(dialog.progressBar(1)), (BarState{0, 0, 0}));
        QCOMPARE(stateOf(dialog.progressBar(2)), (BarState{0, 100, 0}));
        QVERIFY(!dialog.progressBar(3));
        const QList<QLabel *> labels = dialog.findChildren<QLabel *>();
        QCOMPARE(labels.size(), 3);
        QCOMPARE(labels[0]->text(), QStringLiteral("Updating device..."));
        QCOMPARE(labels[0]->buddy(), dialog.progressBar(0));
    }

    // The dialog is the given size at least, and grows to hold every row.
    void growsFromItsMinimumSize()
    {
        QWidget parent;
        parent.show();
        ProgressDialog dialog(&parent);
        QCOMPARE(dialog.windowTitle(), QStringLiteral("Progress"));
        const Qt::WindowFlags flags = dialog.windowFlags();
        QVERIFY(!(flags & Qt::WindowCloseButtonHint));
        QVERIFY(!(flags & Qt::WindowContextHelpButtonHint));
        dialog.open();
        QVERIFY(dialog.width() >= 300 && dialog.height() >= 16);
        const int oneRow = [&] {
            dialog.addProgress(QStringLiteral("a"), QStringLiteral("First"), false);
            QCoreApplication::processEvents();
            return dialog.height();
        }();
        for (int i = 0; i < 4; ++i)
            dialog.addProgress(QStringLiteral("b"), QStringLiteral("More"), false);
        QCoreApplication::processEvents();
        QVERIFY(dialog.height() > oneRow);
        const QProgressBar *last = dialog.progressBar(4);
        QVERIFY(last->geometry().bottom() < dialog.height());
        QVERIFY(dialog.width() >= 300);
    }

    // Opened, it is window-modal and returns at once; Escape does not close it (its work
    // cannot be cancelled), the code that opened it does.
    void onlyItsOwnerClosesIt()
    {
        QWidget parent;
        parent.show();
        ProgressDialog dialog(&parent);
        dialog.addProgress(QStringLiteral("updating"), QStringLiteral("Updating device..."), false);
        QSignalSpy finished(&dialog, &QDialog::finished);
        dialog.open();
        QVERIFY(dialog.isVisible());
        QCOMPARE(dialog.windowModality(), Qt::WindowModal);

        QTest::keyClick(&dialog, Qt::Key_Escape);
        QTest::keyClick(dialog.progressBar(0), Qt::Key_Escape);
        QVERIFY(dialog.isVisible());
        QCOMPARE(finished.count(), 0);

        dialog.close();
        QVERIFY(!dialog.isVisible());
        QCOMPARE(finished.count(), 1);
    }

    // The taskbar shows the sum of all rows (a busy row adds nothing to either sum) on the
    // parent's window, and is cleared when the dialog goes away.
    void mirrorsTheSumOfItsRowsOnTheTaskbar()
    {
        auto recorder = std::make_shared<TaskbarRecorder>();
        ProgressDialog::installTaskbarProgress(recorder);
        QWidget parent;
        parent.show();
        {
            ProgressDialog dialog(&parent);
            ProgressDialog::installTaskbarProgress(nullptr); // a dialog keeps what it got
            dialog.addProgress(QStringLiteral("a"), QStringLiteral("A"), false);
            dialog.addProgress(QStringLiteral("busy"), QStringLiteral("Busy"), true);
            dialog.addProgress(QStringLiteral("b"), QStringLiteral("B"), false);
            dialog.open();
            dialog.setProgress(QStringLiteral("a"), 30);
            dialog.setProgress(QStringLiteral("b"), 50);
            QCOMPARE(recorder->shownOn, parent.windowHandle());
            QCOMPARE(recorder->shown, qMakePair(200, 80));
            QVERIFY(!recorder->cleared);
        }
        QVERIFY(recorder->cleared);
    }
};

ZX_REGISTER_TEST(ProgressDialogTest);
#include "test_progressdialog.moc"
