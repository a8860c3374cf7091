#include "testregistry.h"
#include "ui/navigation/pageenabling.h"

#include <QtTest>

#include <optional>

Q_DECLARE_METATYPE(DeviceMode)
Q_DECLARE_METATYPE(std::optional<int>)

class PageEnablingTest : public QObject
{
    Q_OBJECT

private slots:
    // A row needing a connected device (flag 2) is closed without one; a row needing a
    // programmable device (flag 1) is closed while a device no model class serves is connected.
    // Only Bootloader and FSK count as connected. `enabled` lists flags 0 to 7 in order.
    void rowsFollowTheDeviceState_data()
    {
        QTest::addColumn<DeviceMode>("mode");
        QTest::addColumn<bool>("hasModelClass");
        QTest::addColumn<bool>("connected");
        QTest::addColumn<bool>("programmable");
        QTest::addColumn<QList<bool>>("enabled");

        const QList<bool> noDevice{true, true, false, false, true, true, false, false};
        const QList<bool> notProgrammable{true, false, true, false, true, false, true, false};
        const QList<bool> all{true, true, true, true, true, true, true, true};
        QTest::newRow("no device") << DeviceMode::Unknown << false << false << true << noDevice;
        QTest::newRow("switching counts as no device")
            << DeviceMode::Switching << true << false << true << noDevice;
        QTest::newRow("FSK device without model class")
            << DeviceMode::FSK << false << true << false << notProgrammable;
        QTest::newRow("bootloader without model class")
            << DeviceMode::Bootloader << false << true << false << notProgrammable;
        QTest::newRow("FSK device with model class")
            << DeviceMode::FSK << true << true << true << all;
        QTest::newRow("bootloader with model class")
            << DeviceMode::Bootloader << true << true << true << all;
    }
    void rowsFollowTheDeviceState()
    {
        QFETCH(DeviceMode, mode);
        QFETCH(bool, hasModelClass);
        QFETCH(bool, connected);
        QFETCH(bool, programmable);
        QFETCH(QList<bool>, enabled);

        const PageEnabling enabling(mode, hasModelClass);
        QCOMPARE(enabling.deviceConnected(), connected);
        QCOMPARE(enabling.programmable(), programmable);
        QList<bool> actual;
        for (int flags = 0; flags < 8; ++flags)
            actual.append(enabling.isRowEnabled(std::uint8_t(flags)));
        QCOMPARE(actual, enabled);
        QCOMPARE(enabling.logLine(),
                 QString("updateEnabledPages(), deviceConnected: %1, progModeEnabled: %2")
                     .arg(int(connected))
                     .arg(int(programmable)));
    }

    // The selected row stays while it can be chosen; otherwise the first that can, or none.
    void selectionAfterEnabling_data()
    {
        QTest::addColumn<QList<bool>>("choosable");
        QTest::addColumn<std::optional<int>>("current");
        QTest::addColumn<std::optional<int>>("expected");

        const std::optional<int> none;
        QTest::newRow("current stays")
            << QList<bool>{true, true, true} << std::optional(2) << std::optional(2);
        QTest::newRow("closed row gives way to the first open")
            << QList<bool>{false, true, true, false} << std::optional(3) << std::optional(1);
        QTest::newRow("no current takes the first open")
            << QList<bool>{false, false, true} << none << std::optional(2);
        QTest::newRow("current beyond the rows")
            << QList<bool>{true, false} << std::optional(5) << std::optional(0);
        QTest::newRow("nothing open") << QList<bool>{false, false} << std::optional(0) << none;
        QTest::newRow("no rows") << QList<bool>{} << none << none;
    }
    void selectionAfterEnabling()
    {
        QFETCH(QList<bool>, choosable);
        QFETCH(std::optional<int>, current);
        QFETCH(std::optional<int>, expected);

        QCOMPARE(rowToKeepSelected(choosable, current), expected);
    }
};

ZX_REGISTER_TEST(PageEnablingTest);
#include "test_pageenabling.moc"
