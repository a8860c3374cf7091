#include "app/log.h"
#include "app/ui/logview/logdialog.h"
#include "testregistry.h"

#include <QApplication>
#include <QCheckBox>
#include <QDialogButtonBox>
#include <QLabel>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QTest>
#include <QThread>

#include <memory>

namespace {

// The dialog as the user sees it, found by the object names other code relies on.
struct Viewer
{
    explicit Viewer(Log &log)
        : dialog(log)
        , categories(dialog.findChild<QListWidget *>("catList"))
        , pause(dialog.findChild<QCheckBox *>("pauseCheckBox"))
        , clear(dialog.findChild<QPushButton *>("clearButton"))
        , text(dialog.findChild<QPlainTextEdit *>("logTextBox"))
    {}

    QStringList lines() const
    {
        QStringList result = text->toPlainText().split(u'\n');
        // Every message ends in a line break, which leaves an empty last line.
        if (!result.isEmpty() && result.last().isEmpty())
            result.removeLast();
        return result;
    }

    QStringList categoryNames() const
    {
        QStringList names;
        for (int row = 0; row < categories->count(); ++row)
            names.append(categories->item(row)->text());
        return names;
    }

    QListWidgetItem *category(const QString &name) const
    {
        const QList<QListWidgetItem *> found = categories->findItems(name, Qt::MatchExactly);
        return found.isEmpty() ? nullptr : found.first();
    }

    // Long enough for the viewer to have appended anything it was going to append.
    static void letArrivalsSettle() { QTest::qWait(3 * LogDialog::kAppendIntervalMs); }

    LogDialog dialog;
    QListWidget *categories;
    QCheckBox *pause;
    QPushButton *clear;
    QPlainTextEdit *text;
};

QStringList numbered(const QString &prefix, int from, int to)
{
    QStringList messages;
    for (int i = from; i < to; ++i)
        messages.append(prefix + QString::number(i));
    return messages;
}

void logAll(Log &log, const QString &category, const QStringList &messages)
{
    for (const QString &message : messages)
        log.log(category, message);
}

} // namespace

class LogDialogTest : public QObject
{
    Q_OBJECT

private slots:
    void presentsItsControls()
    {
        Log log;
        Viewer viewer(log);
        QCOMPARE(viewer.dialog.windowTitle(), QString("Log"));
        QVERIFY(viewer.categories && viewer.pause && viewer.clear && viewer.text);
        QCOMPARE(viewer.dialog.findChild<QLabel *>()->text(), QString("Show Categories:"));
        QCOMPARE(viewer.pause->text(), QString("Pause Updates"));
        QCOMPARE(viewer.pause->toolTip(), QString("While checked, new log messages are not "
                                                  "displayed. No log messages are ever lost."));
        QCOMPARE(viewer.clear->text(), QString("Clear"));
        QVERIFY(viewer.text->isReadOnly());
        QCOMPARE(viewer.text->font().family(), QString("Consolas"));
        QCOMPARE(viewer.text->font().styleHint(), QFont::TypeWriter);
        // Qt keeps substitutes in lower case.
        QCOMPARE(QFont::substitutes("Consolas").join(',').toLower(), QString("monaco,courier new"));
        QVERIFY(!viewer.categories->accessibleName().isEmpty());
        QVERIFY(!viewer.text->accessibleName().isEmpty());

        // Tab walks the controls in reading order and ends on Close, which Enter presses.
        auto *buttons = viewer.dialog.findChild<QDialogButtonBox *>();
        QPushButton *close = buttons->button(QDialogButtonBox::Close);
        QVERIFY(close->isDefault());
        viewer.dialog.show();
        QVERIFY(QTest::qWaitForWindowActive(&viewer.dialog));
        viewer.categories->setFocus();
        for (QWidget *next : QList<QWidget *>{viewer.pause, viewer.clear, viewer.text, close}) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
            QCOMPARE(QApplication::focusWidget(), next);
        }
    }

    void escapeClosesTheDialog()
    {
        Log log;
        Viewer viewer(log);
        viewer.dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&viewer.dialog));
        QTest::keyClick(&viewer.dialog, Qt::Key_Escape);
        QVERIFY(!viewer.dialog.isVisible());
    }

    // Opening shows every entry in order, and lists each category once, in order of first
    // appearance, checked and check-able by the user.
    void opensOnTheWholeLog()
    {
        Log log;
        log.log("DeviceConnection", "opened");
        log.log("Timing", "12:00:00.5 took 20 ms");
        log.log("DeviceConnection", "closed");
        log.log("Model Sync", "in sync");
        Viewer viewer(log);
        QCOMPARE(viewer.lines(),
                 QStringList({"opened", "12:00:00.5 took 20 ms", "closed", "in sync"}));
        QCOMPARE(viewer.categoryNames(), QStringList({"DeviceConnection", "Timing", "Model Sync"}));
        for (int row = 0; row < viewer.categories->count(); ++row) {
            QListWidgetItem *item = viewer.categories->item(row);
            QCOMPARE(item->checkState(), Qt::Checked);
            QVERIFY(item->flags() & Qt::ItemIsUserCheckable);
        }
    }

    void appendsNewEntriesAndFollowsThem()
    {
        Log log;
        logAll(log, "A", numbered("old ", 0, 200));
        Viewer viewer(log);
        viewer.dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&viewer.dialog));
        logAll(log, "A", numbered("new ", 0, 200));
        logAll(log, "B", {"first of B"});
        QTRY_COMPARE(viewer.lines(), numbered("old ", 0, 200) + numbered("new ", 0, 200) +
                                         QStringList{"first of B"});
        QCOMPARE(viewer.categoryNames(), QStringList({"A", "B"}));
        QCOMPARE(viewer.text->textCursor().position(),
                 viewer.text->document()->characterCount() - 1);
        QScrollBar *scroll = viewer.text->verticalScrollBar();
        QCOMPARE(scroll->value(), scroll->maximum());
    }

    void uncheckingACategoryHidesItsLines_data()
    {
        QTest::addColumn<bool>("byKeyboard");
        QTest::newRow("space on the item") << true;
        QTest::newRow("check state") << false;
    }
    void uncheckingACategoryHidesItsLines()
    {
        QFETCH(bool, byKeyboard);
        Log log;
        log.log("A", "a1");
        log.log("B", "b1");
        log.log("A", "a2");
        Viewer viewer(log);
        viewer.dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&viewer.dialog));

        if (byKeyboard) {
            viewer.categories->setFocus();
            viewer.categories->setCurrentItem(viewer.category("A"));
            QTest::keyClick(viewer.categories, Qt::Key_Space);
        } else {
            viewer.category("A")->setCheckState(Qt::Unchecked);
        }
        QCOMPARE(viewer.category("A")->checkState(), Qt::Unchecked);
        QCOMPARE(viewer.lines(), QStringList({"b1"}));

        // New lines of the hidden category are skipped; the shown one's still arrive.
        log.log("A", "a3");
        log.log("B", "b2");
        QTRY_COMPARE(viewer.lines(), QStringList({"b1", "b2"}));

        viewer.category("A")->setCheckState(Qt::Checked);
        QCOMPARE(viewer.lines(), QStringList({"a1", "b1", "a2", "a3", "b2"}));
    }

    // Entries that arrive while paused are not shown, and all of them are once the pause ends,
    // each once: the queued signals of entries logged on another thread may still be on their
    // way when the pause ends.
    void pauseLosesNothing_data()
    {
        QTest::addColumn<bool>("fromAnotherThread");
        QTest::newRow("this thread") << false;
        QTest::newRow("another thread") << true;
    }
    void pauseLosesNothing()
    {
        QFETCH(bool, fromAnotherThread);
        Log log;
        logAll(log, "A", numbered("before ", 0, 3));
        Viewer viewer(log);
        viewer.pause->click();

        const QStringList during = numbered("during ", 0, 500);
        if (fromAnotherThread) {
            std::unique_ptr<QThread> thread(QThread::create([&] {
                logAll(log, "A", during.mid(0, 250));
                logAll(log, "New while paused", during.mid(250));
            }));
            thread->start();
            QVERIFY(thread->wait(10'000));
        } else {
            logAll(log, "A", during.mid(0, 250));
            logAll(log, "New while paused", during.mid(250));
        }
        Viewer::letArrivalsSettle();
        QCOMPARE(viewer.lines(), numbered("before ", 0, 3));
        QCOMPARE(viewer.categoryNames(), QStringList({"A", "New while paused"}));

        viewer.pause->click();
        QCOMPARE(viewer.lines(), numbered("before ", 0, 3) + during);
        Viewer::letArrivalsSettle();
        QCOMPARE(viewer.lines(), numbered("before ", 0, 3) + during);
    }

    // Clear empties the Log itself, not only the view; entries logged after it appear.
    void clearEmptiesTheLog_data()
    {
        QTest::addColumn<bool>("paused");
        QTest::newRow("running") << false;
        QTest::newRow("paused") << true;
    }
    void clearEmptiesTheLog()
    {
        QFETCH(bool, paused);
        Log log;
        logAll(log, "A", numbered("old ", 0, 5));
        Viewer viewer(log);
        viewer.pause->setChecked(paused);
        log.log("A", "while paused or not");

        QTest::mouseClick(viewer.clear, Qt::LeftButton);
        QCOMPARE(log.count(), 0);
        QCOMPARE(viewer.lines(), QStringList());
        viewer.pause->setChecked(false);
        Viewer::letArrivalsSettle();
        QCOMPARE(viewer.lines(), QStringList());

        log.log("A", "after the clear");
        QTRY_COMPARE(viewer.lines(), QStringList({"after the clear"}));
    }

    // The view holds no line of an entry the bounded log has dropped, also for messages that
    // hold line breaks of their own.
    void followsTheLogsBound_data()
    {
        QTest::addColumn<bool>("openFirst");
        QTest::addColumn<QString>("suffix");
        QTest::newRow("log filled before opening") << false << QString();
        QTest::newRow("log filled while open") << true << QString();
        QTest::newRow("multi-line messages") << true << QString("\n  second line\r\nthird");
    }
    void followsTheLogsBound()
    {
        QFETCH(bool, openFirst);
        QFETCH(QString, suffix);
        Log log(10);
        std::unique_ptr<Viewer> viewer;
        if (openFirst)
            viewer = std::make_unique<Viewer>(log);
        for (int i = 0; i < 25; ++i) {
            log.log(i % 2 ? "Odd" : "Even", QString::number(i) + suffix);
            // Entries appended and trimmed batch by batch, not all at once.
            if (openFirst && i % 4 == 0)
                QTest::qWait(LogDialog::kAppendIntervalMs + 10);
        }
        if (!openFirst)
            viewer = std::make_unique<Viewer>(log);

        QStringList expected;
        for (int i = 15; i < 25; ++i) {
            QString message = QString::number(i) + suffix;
            expected += message.replace("\r\n", "\n").split(u'\n');
        }
        QTRY_COMPARE(viewer->lines(), expected);
    }

    // A logger on another thread writes into a full log while the view reads it, and a
    // category is hidden: every shown entry the log holds is on view once, in order. (Each new
    // entry moves all the others down one place, so a read that does not notice would skip or
    // repeat lines.)
    void keepsUpWithABusyThread()
    {
        constexpr int kBound = 5'000;
        Log log(kBound);
        for (int i = 0; i < kBound; ++i)
            log.log(i % 3 ? "Shown" : "Hidden", QString::number(i));
        Viewer viewer(log);
        viewer.category("Hidden")->setCheckState(Qt::Unchecked);

        std::unique_ptr<QThread> thread(QThread::create([&log] {
            for (int i = kBound; i < kBound + 3'000; ++i) {
                log.log(i % 3 ? "Shown" : "Hidden", QString::number(i));
                QThread::usleep(50);
            }
        }));
        thread->start();
        while (!thread->isFinished())
            QTest::qWait(5);

        QStringList held;
        for (int i = 0; i < log.count(); ++i) {
            if (log.entry(i).category == "Shown")
                held.append(log.entry(i).message);
        }
        QTRY_COMPARE(viewer.lines().mid(viewer.lines().size() - held.size()), held);
        // Lines of entries dropped since may still lead the view for a while, but in order.
        const QStringList lines = viewer.lines();
        for (int i = 1; i < lines.size(); ++i)
            QVERIFY2(lines.at(i - 1).toInt() < lines.at(i).toInt(), qPrintable(lines.at(i)));

        // A refresh shows the log exactly.
        viewer.category("Hidden")->setCheckState(Qt::Checked);
        viewer.category("Hidden")->setCheckState(Qt::Unchecked);
        QTRY_COMPARE(viewer.lines(), held);
    }

    // A full log is too much for one step of the GUI thread: it is appended in steps, and
    // the result is the whole log.
    void fillsALargeLogInSteps()
    {
        Log log;
        for (int i = 0; i < 30'000; ++i)
            log.log(i % 2 ? "Odd" : "Even", QString::number(i));
        Viewer viewer(log);
        QTRY_COMPARE(viewer.lines().size(), 30'000);
        QCOMPARE(viewer.lines().first(), QString("0"));
        QCOMPARE(viewer.lines().last(), QString("29999"));
    }
};

ZX_REGISTER_TEST(LogDialogTest);

#include "test_logdialog.moc"
