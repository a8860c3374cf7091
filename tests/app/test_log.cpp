#include "app/log.h"
#include "testregistry.h"

#include <QRegularExpression>
#include <QSignalSpy>
#include <QTest>
#include <QThread>

#include <vector>

class LogTest : public QObject
{
    Q_OBJECT

private slots:
    void recordsInOrderAndSignalsEachEntry()
    {
        Log log;
        QSignalSpy added(&log, &Log::entryAdded);
        log.log("A", "one");
        log.log("B", "two");
        QCOMPARE(log.count(), 2);
        QCOMPARE(log.entry(0).category, QString("A"));
        QCOMPARE(log.entry(1).message, QString("two"));
        QCOMPARE(added.count(), 2);
        QCOMPARE(added.at(1).at(0).value<LogEntry>().message, QString("two"));
    }

    void entryOutsideTheStoreIsEmpty_data()
    {
        QTest::addColumn<int>("index");
        QTest::newRow("at count") << 1;
        QTest::newRow("far beyond") << 1000;
        QTest::newRow("negative") << -1;
    }
    void entryOutsideTheStoreIsEmpty()
    {
        QFETCH(int, index);
        Log log;
        log.log("A", "one");
        const LogEntry entry = log.entry(index);
        QVERIFY(entry.category.isEmpty());
        QVERIFY(entry.message.isEmpty());
    }

    // A full log drops its oldest entries so a long session cannot grow without bound.
    void keepsOnlyTheNewestEntries()
    {
        Log log(3);
        for (int i = 0; i < 5; ++i)
            log.log("C", QString::number(i));
        QCOMPARE(log.count(), 3);
        QCOMPARE(log.entry(0).message, QString("2"));
        QCOMPARE(log.entry(2).message, QString("4"));
        QCOMPARE(log.droppedCount(), qint64(2));
        QCOMPARE(Log().maxEntries(), 100'000);
    }

    void clearEmptiesAndSignals()
    {
        Log log;
        QSignalSpy cleared(&log, &Log::entriesCleared);
        log.log("A", "one");
        log.clear();
        QCOMPARE(log.count(), 0);
        QCOMPARE(cleared.count(), 1);
    }

    void notRecordingKeepsNothingAndEmitsNothing()
    {
        Log log;
        QSignalSpy added(&log, &Log::entryAdded);
        log.setRecording(false);
        log.log("A", "one");
        QCOMPARE(log.count(), 0);
        QCOMPARE(added.count(), 0);
    }

    void freeFunctionWritesToTheInstalledLogOnly()
    {
        log("Nowhere", "before install"); // must not crash
        Log target;
        Log::install(&target);
        log("Error", "installed");
        Log::install(nullptr);
        log("Error", "after uninstall");
        QCOMPARE(target.count(), 1);
        QCOMPARE(target.entry(0).message, QString("installed"));
    }

    // Writers on several threads and a reader never lose or tear entries.
    void isSafeFromManyThreads()
    {
        Log log(1'000'000);
        constexpr int kThreads = 4;
        constexpr int kPerThread = 5000;
        std::vector<QThread *> threads;
        for (int t = 0; t < kThreads; ++t) {
            threads.push_back(QThread::create([&log, t] {
                for (int i = 0; i < kPerThread; ++i)
                    log.log(QString::number(t), QString::number(i));
            }));
            threads.back()->start();
        }
        int reads = 0;
        while (log.count() < kThreads * kPerThread && reads < 10'000'000)
            reads += log.entry(log.count() - 1).category.size() >= 0 ? 1 : 0;
        for (QThread *thread : threads) {
            QVERIFY(thread->wait(30'000));
            delete thread;
        }
        QCOMPARE(log.count(), kThreads * kPerThread);
    }

    void currentTimeTextHasHoursMinutesSecondsMilliseconds()
    {
        QVERIFY(QRegularExpression("^\\d\\d:\\d\\d:\\d\\d\\.\\d{1,3}$")
                    .match(currentTimeText())
                    .hasMatch());
    }
};

ZX_REGISTER_TEST(LogTest);
#include "test_log.moc"
