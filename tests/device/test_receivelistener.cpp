#include "device/receivelistener.h"
#include "testregistry.h"

#include <QTest>

#include <atomic>
#include <memory>

namespace {

// What the listener's callbacks touch, kept alive by them: a listener that fails to stop
// outlives the test.
struct Probe
{
    std::atomic<int> failuresLeft{0}; // negative: every wait fails
    std::atomic<int> waits{0};
    std::atomic<int> wakes{0};
    std::unique_ptr<ReceiveListener> listener;
    std::atomic<bool> stopped{false};
};

} // namespace

class ReceiveListenerTest : public QObject
{
    Q_OBJECT

private slots:
    // Stopping the listener ends its thread promptly whatever its waits do; a failed wait is
    // retried, so a listener whose waits recover still reports wake-ups.
    void stopEndsPromptlyWhateverTheWaitsDo_data()
    {
        QTest::addColumn<int>("failingWaits");
        QTest::newRow("every wait fails") << -1;
        QTest::newRow("first waits fail, then one succeeds") << 3;
        QTest::newRow("no wait fails") << 0;
    }
    void stopEndsPromptlyWhateverTheWaitsDo()
    {
        QFETCH(int, failingWaits);
        auto probe = std::make_shared<Probe>();
        probe->failuresLeft = failingWaits;
        probe->listener = std::make_unique<ReceiveListener>([probe] { ++probe->wakes; },
                                                            [probe](ftdi::ReceiveEvent &event) {
                                                                ++probe->waits;
                                                                if (probe->failuresLeft < 0)
                                                                    return false;
                                                                if (probe->failuresLeft > 0) {
                                                                    --probe->failuresLeft;
                                                                    return false;
                                                                }
                                                                return event.wait();
                                                            });

        if (failingWaits < 0) {
            // Let the thread settle into its retry cycle before it is asked to stop.
            QVERIFY(QTest::qWaitFor([&] { return probe->waits >= 2; }, 10000));
        } else {
            probe->listener->event()->signal();
            QVERIFY(QTest::qWaitFor([&] { return probe->wakes >= 1; }, 10000));
            QCOMPARE(probe->waits.load() > failingWaits, true);
        }

        // Stopped from another thread, so that a listener that never ends fails the test
        // instead of stalling the suite.
        QThread *stopper = QThread::create([probe] {
            probe->listener.reset();
            probe->stopped = true;
        });
        stopper->start();
        if (!QTest::qWaitFor([&] { return probe->stopped.load(); }, 10000))
            QFAIL("the listener did not stop"); // the stopper thread is left behind
        QVERIFY(stopper->wait(10000));
        delete stopper;
    }
};

ZX_REGISTER_TEST(ReceiveListenerTest);
#include "test_receivelistener.moc"
