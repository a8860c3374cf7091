#include "testregistry.h"
#include "ui/pages/rates/ratecurve.h"

#include <QtTest>

class RateCurveTest : public QObject
{
    Q_OBJECT

private slots:
    // Each side of the stick uses its own values: the dual rate scales the travel, a positive
    // exponential softens the centre (x^3 at 100 %), a negative one sharpens it with the
    // mirrored cubic; full stick always gives the dual rate.
    void outputOfStick_data()
    {
        QTest::addColumn<int>("expoPositive");
        QTest::addColumn<int>("expoNegative");
        QTest::addColumn<int>("dualRatePositive");
        QTest::addColumn<int>("dualRateNegative");
        QTest::addColumn<double>("stick");
        QTest::addColumn<double>("output");

        QTest::newRow("straight, half stick") << 0 << 0 << 100 << 100 << 50.0 << 50.0;
        QTest::newRow("straight, centre") << 0 << 0 << 100 << 100 << 0.0 << 0.0;
        QTest::newRow("full expo, half stick") << 100 << 0 << 100 << 100 << 50.0 << 12.5;
        QTest::newRow("half expo, half stick") << 50 << 0 << 100 << 100 << 50.0 << 31.25;
        QTest::newRow("sharp expo, half stick") << -100 << 0 << 100 << 100 << 50.0 << 87.5;
        QTest::newRow("expo keeps full travel") << 70 << 0 << 100 << 100 << 100.0 << 100.0;
        QTest::newRow("dual rate scales travel") << 0 << 0 << 60 << 100 << 100.0 << 60.0;
        QTest::newRow("dual rate above 100") << 0 << 0 << 125 << 100 << 40.0 << 50.0;
        QTest::newRow("negative side, own values") << 0 << 100 << 125 << 80 << -50.0 << -10.0;
        QTest::newRow("negative side ignores positive") << 100 << 0 << 30 << 100 << -50.0 << -50.0;
        QTest::newRow("stick beyond full") << 0 << 0 << 90 << 90 << 150.0 << 90.0;
        QTest::newRow("expo beyond range") << 300 << 0 << 100 << 100 << 50.0 << 12.5;
    }
    void outputOfStick()
    {
        QFETCH(int, expoPositive);
        QFETCH(int, expoNegative);
        QFETCH(int, dualRatePositive);
        QFETCH(int, dualRateNegative);
        QFETCH(double, stick);
        QFETCH(double, output);
        const RateCurve curve{expoPositive, expoNegative, dualRatePositive, dualRateNegative};
        QCOMPARE(rateCurveOutput(curve, stick), output);
    }

    // Whatever the values, more stick never gives less output, and the output stays within
    // the dual rate of its side.
    void monotonicWithinRate()
    {
        for (int expo = -100; expo <= 100; expo += 10) {
            const RateCurve curve{expo, -expo, 125, 40};
            double previous = rateCurveOutput(curve, -100);
            QCOMPARE(previous, -40.0);
            for (int stick = -99; stick <= 100; ++stick) {
                const double output = rateCurveOutput(curve, stick);
                QVERIFY2(output >= previous - 1e-9,
                         qPrintable(QStringLiteral("expo %1 at stick %2").arg(expo).arg(stick)));
                QVERIFY(output >= -40.0 && output <= 125.0);
                previous = output;
            }
            QCOMPARE(previous, 125.0);
        }
    }
};

ZX_REGISTER_TEST(RateCurveTest);
#include "test_ratecurve.moc"
