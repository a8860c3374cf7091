// What one reading of the receiver's TNC status means for the level-calibration dialog.
#include "testregistry.h"
#include "ui/calibration/calibrationpoll.h"

#include <QTest>

using namespace levelcalibration;

Q_DECLARE_METATYPE(DeviceConnectionError)
Q_DECLARE_METATYPE(levelcalibration::Outcome)

namespace {

// Status data as a receiver sends it: `outcome` at byte 2 and `progress` at byte 8 of ten.
QByteArray statusData(int outcome, int progress)
{
    QByteArray data(10, '\0');
    data[kOutcomeByte] = char(outcome);
    data[kProgressByte] = char(progress);
    return data;
}

} // namespace

class CalibrationPollTest : public QObject
{
    Q_OBJECT

private slots:
    // Byte 2 reports the outcome (1 passed, 255 failed), byte 8 the progress, which only a
    // receiver with the progress capability shows. An outcome enables Close. A failed poll
    // ends the polling; before any outcome it says the receiver stopped answering and lets
    // the user close, after one it leaves the outcome on screen.
    void interpretPoll_data()
    {
        QTest::addColumn<DeviceConnectionError>("error");
        QTest::addColumn<QByteArray>("data");
        QTest::addColumn<bool>("supportsProgress");
        QTest::addColumn<Outcome>("shown");
        QTest::addColumn<QString>("status"); // empty: unchanged
        QTest::addColumn<int>("progress");   // -1: unchanged
        QTest::addColumn<bool>("hideProgress");
        QTest::addColumn<bool>("enableClose");
        QTest::addColumn<Outcome>("outcome");
        QTest::addColumn<bool>("pollAgain");

        const auto ok = DeviceConnectionError::NoError;
        const QString none;
        QTest::newRow("running, progress shown")
            << ok << statusData(0, 42) << true << Outcome::None << none << 42 << false << false
            << Outcome::None << true;
        QTest::newRow("running, no progress capability")
            << ok << statusData(0, 42) << false << Outcome::None << none << -1 << false << false
            << Outcome::None << true;
        QTest::newRow("passed, bar full")
            << ok << statusData(1, 100) << true << Outcome::None << kPassedText << 100 << false
            << true << Outcome::Passed << true;
        QTest::newRow("passed, bar follows byte 8")
            << ok << statusData(1, 0) << true << Outcome::None << kPassedText << 0 << false << true
            << Outcome::Passed << true;
        QTest::newRow("passed, busy bar hidden")
            << ok << statusData(1, 0) << false << Outcome::None << kPassedText << -1 << true << true
            << Outcome::Passed << true;
        QTest::newRow("failed") << ok << statusData(255, 37) << true << Outcome::None << kFailedText
                                << 37 << true << true << Outcome::Failed << true;
        QTest::newRow("failed, no progress capability")
            << ok << statusData(255, 0) << false << Outcome::None << kFailedText << -1 << true
            << true << Outcome::Failed << true;
        QTest::newRow("other outcome byte") << ok << statusData(2, 5) << true << Outcome::None
                                            << none << 5 << false << false << Outcome::None << true;
        QTest::newRow("progress past the bar")
            << ok << statusData(0, 200) << true << Outcome::None << none << 100 << false << false
            << Outcome::None << true;
        QTest::newRow("data too short for either byte")
            << ok << QByteArray(2, '\1') << true << Outcome::None << none << -1 << false << false
            << Outcome::None << true;
        QTest::newRow("data with outcome, too short for progress")
            << ok << QByteArray(3, '\1') << true << Outcome::None << kPassedText << 100 << false
            << true << Outcome::Passed << true;
        QTest::newRow("no reply before an outcome")
            << DeviceConnectionError::NoReply << QByteArray() << true << Outcome::None
            << kNoAnswerText << -1 << true << true << Outcome::None << false;
        QTest::newRow("invalid reply, busy bar")
            << DeviceConnectionError::InvalidReply << QByteArray() << false << Outcome::None
            << kNoAnswerText << -1 << true << true << Outcome::None << false;
        QTest::newRow("no reply after a pass")
            << DeviceConnectionError::NoReply << QByteArray() << true << Outcome::Passed << none
            << -1 << false << false << Outcome::None << false;
        QTest::newRow("no reply after a failure")
            << DeviceConnectionError::NoReply << QByteArray() << true << Outcome::Failed << none
            << -1 << false << false << Outcome::None << false;
    }
    void interpretPoll()
    {
        QFETCH(DeviceConnectionError, error);
        QFETCH(QByteArray, data);
        QFETCH(bool, supportsProgress);
        QFETCH(Outcome, shown);
        QFETCH(QString, status);
        QFETCH(int, progress);
        QFETCH(bool, hideProgress);
        QFETCH(bool, enableClose);
        QFETCH(Outcome, outcome);
        QFETCH(bool, pollAgain);

        const PollStep step = levelcalibration::interpretPoll(error, data, supportsProgress, shown);
        QCOMPARE(step.status.value_or(QString()), status);
        QCOMPARE(step.progress.value_or(-1), progress);
        QCOMPARE(step.hideProgress, hideProgress);
        QCOMPARE(step.enableClose, enableClose);
        QCOMPARE(step.outcome, outcome);
        QCOMPARE(step.pollAgain, pollAgain);
        // Whatever lets the user close also ends what Start could begin.
        QCOMPARE(step.disableStart, enableClose);
    }
};

ZX_REGISTER_TEST(CalibrationPollTest);
#include "test_calibrationpoll.moc"
