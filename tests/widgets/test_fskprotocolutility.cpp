// The protocol test window against the simulated device: what each request writes, and that
// input is blocked exactly while a request runs.
#include "app/log.h"
#include "device/deviceconnection.h"
#include "device/sectioncrc.h"
#include "device/ui/fskprotocolutility.h"
#include "device/ui/protocoltext.h"
#include "devsim/devicesimulator.h"
#include "devsim/profiles.h"
#include "devsim/simulateddevicestream.h"
#include "testregistry.h"
#include "ui/widgets/inputblocker.h"

#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <memory>

namespace {

constexpr int kWaitMs = 5000;

ConnectionTimings quickTimings()
{
    ConnectionTimings timings;
    timings.ackTimeoutMs = 300;
    timings.modeSwitchTimeoutMs = 1500;
    timings.bootloaderGoTimeoutMs = 600;
    return timings;
}

// A receiver whose identification has codes that need their leading zero.
devsim::DeviceProfile testProfile(DeviceMode startMode = DeviceMode::FSK)
{
    devsim::DeviceProfile profile;
    profile.productCode = 0x0A;
    profile.bootloaderProductCode = 0x0A;
    profile.appVersionMajor = 2;
    profile.appVersionMinor = 7;
    profile.bootloaderVersionMajor = 1;
    profile.bootloaderVersionMinor = 3;
    profile.parameterVersion = 5;
    profile.fskProtocolVersion = 2;
    profile.serialNumber = QByteArrayLiteral("ZX-WIN-000042");
    profile.tncSteps = 0x0F;
    profile.testedFlags = 0x10;
    profile.parameterMemory = devsim::profiles::patternBytes(0, 256);
    profile.startMode = startMode;
    return profile;
}

// The window over a connection to a simulated device that has announced itself.
struct Bench
{
    explicit Bench(devsim::DeviceProfile profile)
        : simulator(std::make_shared<devsim::DeviceSimulator>(profile))
    {
        Log::install(&programLog);
        DeviceConnection::Options options;
        options.timings = quickTimings();
        connection = std::make_unique<DeviceConnection>(options);
        window = std::make_unique<FskProtocolUtility>(*connection);
        window->show();
        connection->open(std::make_unique<devsim::SimulatedDeviceStream>(simulator), {});
        const DeviceMode start = devsim::powerUpMode(profile);
        ready = QTest::qWaitFor([&] { return connection->mode() == start; }, kWaitMs);
    }
    ~Bench()
    {
        window.reset();
        connection.reset();
        Log::install(nullptr);
    }

    [[nodiscard]] QStringList lines() const
    {
        const QString text = log()->toPlainText();
        return text.isEmpty() ? QStringList() : text.split(QLatin1Char('\n'));
    }
    [[nodiscard]] QPlainTextEdit *log() const { return window->findChild<QPlainTextEdit *>(); }
    [[nodiscard]] QPushButton *button(const QString &text) const
    {
        for (QPushButton *button : window->findChildren<QPushButton *>()) {
            if (button->text() == text)
                return button;
        }
        return nullptr;
    }
    // Runs `slot` and waits for its request to end; false when input was not blocked while
    // it ran or stayed blocked afterwards.
    [[nodiscard]] bool runRequest(const char *slot)
    {
        QMetaObject::invokeMethod(window.get(), slot);
        if (!isInputBlocked(window.get()))
            return false;
        return QTest::qWaitFor([&] { return !isInputBlocked(window.get()); }, kWaitMs);
    }

    Log programLog;
    std::shared_ptr<devsim::DeviceSimulator> simulator;
    std::unique_ptr<DeviceConnection> connection;
    std::unique_ptr<FskProtocolUtility> window;
    bool ready = false;
};

struct BoxSeen
{
    QString title;
    QString text;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
};

// Closes the next message box as soon as it is shown and notes what it said.
std::shared_ptr<BoxSeen> closeNextMessageBox()
{
    auto seen = std::make_shared<BoxSeen>();
    auto *poll = new QTimer;
    poll->setInterval(10);
    QObject::connect(poll, &QTimer::timeout, [poll, seen] {
        auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
        if (!box)
            return;
        *seen = {box->windowTitle(), box->text(), box->icon()};
        box->done(QMessageBox::Ok);
        poll->deleteLater();
    });
    poll->start();
    return seen;
}

} // namespace

Q_DECLARE_METATYPE(DeviceMode)

class FskProtocolUtilityTest : public QObject
{
    Q_OBJECT

private slots:
    // Codes are "0x" and upper-case digits, padded but never cut.
    void formatsHexadecimal_data()
    {
        QTest::addColumn<uint>("value");
        QTest::addColumn<int>("digits");
        QTest::addColumn<QString>("text");
        QTest::newRow("padded byte") << 0x5u << 2 << "0x05";
        QTest::newRow("upper case") << 0xabu << 2 << "0xAB";
        QTest::newRow("wider than the padding") << 0x1abcu << 2 << "0x1ABC";
        QTest::newRow("padded CRC") << 0x1234u << 8 << "0x00001234";
    }
    void formatsHexadecimal()
    {
        QFETCH(uint, value);
        QFETCH(int, digits);
        QFETCH(QString, text);
        QCOMPARE(protocoltext::hex(value, digits), text);
    }

    // The application's requests, sent with the buttons, write their lines; a click while a
    // request runs is swallowed, so it sends nothing more.
    void applicationRequestsWriteTheirLines()
    {
        Bench bench(testProfile());
        QVERIFY(bench.ready);
        const std::uint32_t crc = bench.simulator->withDevice(
            [](devsim::SimulatedDevice &device) { return device.state().memory.parameterCrc(); });

        QTest::mouseClick(bench.button(QStringLiteral("ID_REQ")), Qt::LeftButton);
        QVERIFY(isInputBlocked(bench.window.get()));
        QTest::mouseClick(bench.button(QStringLiteral("SERIAL_REQ")), Qt::LeftButton);
        QTRY_VERIFY_WITH_TIMEOUT(!isInputBlocked(bench.window.get()), kWaitMs);
        QCOMPARE(bench.lines(),
                 QStringList({"Sending ID_REQ", "Received ID_REQ_ACK",
                              "  Parameter CRC: 0x" +
                                  QString::number(crc, 16).toUpper().rightJustified(8, '0'),
                              "  App version: 2.7", "  Product code: 0x0A",
                              "  Parameter version: 5", "  FSK protocol version: 2"}));

        bench.log()->clear();
        QTest::mouseClick(bench.button(QStringLiteral("SERIAL_REQ")), Qt::LeftButton);
        QTRY_VERIFY_WITH_TIMEOUT(!isInputBlocked(bench.window.get()), kWaitMs);
        QVERIFY(bench.runRequest("sendTncStatus"));
        QVERIFY(bench.runRequest("sendSetTested"));
        QVERIFY(bench.runRequest("sendFlashSave"));
        QCOMPARE(bench.lines(),
                 QStringList({"Sending SERIAL_REQ", "Received SERIAL_ACK",
                              "  Serial number: ZX-WIN-000042", "Sending TNC_STATUS",
                              "Received TNC_STATUS_ACK", "  status: 0x0F", "Sending SET_TESTED",
                              "Flag to set: 0x01", "Received SET_TESTED_ACK", "  status: 0x11",
                              "Sending FLASH_SAVE", "Received FLASH_SAVE_ACK"}));
    }

    // The bootloader's identification and its GO, after which the device runs its application.
    void bootloaderRequestsWriteTheirLines()
    {
        Bench bench(testProfile(DeviceMode::Bootloader));
        QVERIFY(bench.ready);
        QVERIFY(bench.runRequest("sendBlIdReq"));
        QVERIFY(bench.runRequest("sendBlGo"));
        QCOMPARE(bench.lines(),
                 QStringList({"Sending bootloader ID_REQUEST", "Received bootloader ID_REQUEST_ACK",
                              "  Serial number: ZX-WIN-000042", "  Bootloader version: 1.3",
                              "  Bootloader product code: 0x0A", "  App version: 2.7",
                              "  App product code: 0x0A", "  App CRC state: Good",
                              "Sending bootloader GO", "Received bootloader GO_ACK"}));
        QTRY_COMPARE_WITH_TIMEOUT(bench.connection->mode(), DeviceMode::FSK, kWaitMs);
    }

    // The advanced read sends the range from the line edits to the selected target and
    // writes the bytes.
    void advancedReadWritesTheBytes()
    {
        Bench bench(testProfile());
        QVERIFY(bench.ready);
        const QList<QLineEdit *> edits = bench.window->findChildren<QLineEdit *>();
        QCOMPARE(edits.size(), 2);
        edits[0]->setText(QStringLiteral("0x10"));
        edits[1]->setText(QStringLiteral("20"));
        QVERIFY(bench.runRequest("sendAdvReadSeq"));
        const QByteArray expected = devsim::profiles::patternBytes(0, 256).mid(16, 20);
        QCOMPARE(bench.lines(),
                 QStringList({"Sending ADV_READ_SEQ packets", "Received all data:",
                              "  " + QString::fromLatin1(expected.left(16).toHex(' ').toUpper()),
                              "  " + QString::fromLatin1(expected.mid(16).toHex(' ').toUpper())}));
    }

    // A request that fails, refused in the wrong mode or unanswered, leaves only its sending
    // lines and gives input back.
    void failedRequestLeavesOnlyItsSendingLines_data()
    {
        QTest::addColumn<DeviceMode>("mode");
        QTest::addColumn<QByteArray>("slot");
        QTest::addColumn<QStringList>("lines");
        QTest::newRow("GO in the application")
            << DeviceMode::FSK << QByteArray("sendBlGo") << QStringList{"Sending bootloader GO"};
        QTest::newRow("ID_REQUEST unanswered by the application")
            << DeviceMode::FSK << QByteArray("sendBlIdReq")
            << QStringList{"Sending bootloader ID_REQUEST"};
        QTest::newRow("ID_REQ in the bootloader")
            << DeviceMode::Bootloader << QByteArray("sendIdReq") << QStringList{"Sending ID_REQ"};
        QTest::newRow("SET_TESTED in the bootloader")
            << DeviceMode::Bootloader << QByteArray("sendSetTested")
            << QStringList{"Sending SET_TESTED", "Flag to set: 0x01"};
        QTest::newRow("ADV_READ_SEQ in the bootloader")
            << DeviceMode::Bootloader << QByteArray("sendAdvReadSeq")
            << QStringList{"Sending ADV_READ_SEQ packets"};
    }
    void failedRequestLeavesOnlyItsSendingLines()
    {
        QFETCH(DeviceMode, mode);
        QFETCH(QByteArray, slot);
        QFETCH(QStringList, lines);
        Bench bench(testProfile(mode));
        QVERIFY(bench.ready);
        QVERIFY(bench.runRequest(slot.constData()));
        QCOMPARE(bench.lines(), lines);
        QTest::mouseClick(bench.button(QStringLiteral("Clear Log")), Qt::LeftButton);
        QVERIFY(bench.lines().isEmpty());
    }

    // A field that is not an integer stops the advanced read with a critical box; the address
    // is checked first.
    void advancedReadRefusesNonIntegers_data()
    {
        QTest::addColumn<QString>("address");
        QTest::addColumn<QString>("count");
        QTest::addColumn<QString>("message");
        const QString index = QStringLiteral("The index must be an integer.");
        const QString count = QStringLiteral("The count must be an integer.");
        QTest::newRow("count abc") << "0"
                                   << "abc" << count;
        QTest::newRow("index x") << "x"
                                 << "16" << index;
        QTest::newRow("both wrong") << "x"
                                    << "abc" << index;
        QTest::newRow("empty index") << ""
                                     << "16" << index;
        QTest::newRow("fraction") << "0"
                                  << "1.5" << count;
        QTest::newRow("index past 16 bits")
            << "65536"
            << "16" << QStringLiteral("The index must be from 0 to 65535.");
    }
    void advancedReadRefusesNonIntegers()
    {
        QFETCH(QString, address);
        QFETCH(QString, count);
        QFETCH(QString, message);
        Bench bench(testProfile());
        QVERIFY(bench.ready);
        const QList<QLineEdit *> edits = bench.window->findChildren<QLineEdit *>();
        edits[0]->setText(address);
        edits[1]->setText(count);
        const int replies = bench.simulator->repliesSent();

        const auto seen = closeNextMessageBox();
        bench.window->sendAdvReadSeq();
        QCOMPARE(seen->title, QStringLiteral("Error"));
        QCOMPARE(seen->text, message);
        QCOMPARE(seen->icon, QMessageBox::Critical);
        QVERIFY(!isInputBlocked(bench.window.get()));
        QTest::qWait(100);
        QVERIFY(bench.lines().isEmpty());
        QCOMPARE(bench.simulator->repliesSent(), replies);
    }

    // The shipped actions read the parameter memory's section table and CRCs; with no action
    // selected nothing happens.
    void applicationSpecificActions()
    {
        const auto profile = devsim::profiles::trivorReceiver(devsim::profiles::Generation::Newer);
        const auto &sections = profile.targets[0].sections;
        Bench bench(profile);
        QVERIFY(bench.ready);
        QComboBox *actions = nullptr;
        for (QComboBox *combo : bench.window->findChildren<QComboBox *>()) {
            if (combo->findText(QStringLiteral("Read section table")) >= 0)
                actions = combo;
        }
        QVERIFY(actions);

        actions->setCurrentIndex(-1);
        QVERIFY(!bench.button(QStringLiteral("Run"))->isEnabled());
        bench.window->sendAppSpecific();
        QVERIFY(!isInputBlocked(bench.window.get()));
        QVERIFY(bench.lines().isEmpty());

        actions->setCurrentIndex(actions->findText(QStringLiteral("Read section table")));
        QVERIFY(bench.runRequest("sendAppSpecific"));
        QStringList lines = bench.lines();
        QCOMPARE(lines.size(), 2 + int(sections.size()));
        QCOMPARE(lines[1], QStringLiteral("Received section table:"));
        QCOMPARE(lines[2],
                 QStringLiteral("  Section 0x00: %1 bytes").arg(sections[0].contents.size()));

        bench.log()->clear();
        actions->setCurrentIndex(actions->findText(QStringLiteral("Read section CRCs")));
        QVERIFY(bench.runRequest("sendAppSpecific"));
        lines = bench.lines();
        QCOMPARE(lines.size(), 2 + int(sections.size()));
        QCOMPARE(lines[1], QStringLiteral("Received section CRCs:"));
        QCOMPARE(lines.last(), QStringLiteral("  Section 0x0C: ") +
                                   protocoltext::hex(sectionCrc(sections[12].contents), 8));
    }

    // The connection label follows the link.
    void showsTheConnectionState()
    {
        Log log;
        Log::install(&log);
        DeviceConnection connection;
        FskProtocolUtility window(connection);
        QCOMPARE(window.windowTitle(), QStringLiteral("Protocol Test"));
        const auto hasLabel = [&](const QString &text) {
            for (const QLabel *label : window.findChildren<QLabel *>()) {
                if (label->text() == text)
                    return true;
            }
            return false;
        };
        QVERIFY(hasLabel(QStringLiteral("No Device Connected")));
        auto simulator = std::make_shared<devsim::DeviceSimulator>(testProfile());
        connection.open(std::make_unique<devsim::SimulatedDeviceStream>(simulator), {});
        QTRY_VERIFY_WITH_TIMEOUT(hasLabel(QStringLiteral("Device Connected")), kWaitMs);
        connection.close();
        QTRY_VERIFY_WITH_TIMEOUT(hasLabel(QStringLiteral("No Device Connected")), kWaitMs);
        Log::install(nullptr);
    }

    // Tab moves through the controls in reading order, group by group; each control without
    // text of its own has an accessible name.
    void tabOrderFollowsTheLayout()
    {
        DeviceConnection connection;
        FskProtocolUtility window(connection);
        QStringList order;
        QWidget *widget = &window;
        while ((widget = widget->nextInFocusChain()) != &window) {
            if (!(widget->focusPolicy() & Qt::TabFocus))
                continue;
            const auto *button = qobject_cast<QPushButton *>(widget);
            order << (button ? button->text() : widget->accessibleName());
        }
        QCOMPARE(order, QStringList({"GO", "ID_REQUEST", "BOOTLOAD_MODE", "ID_REQ", "SERIAL_REQ",
                                     "FLASH_SAVE", "TNC_STATUS", "DISCOVERY_REQUEST", "Tested flag",
                                     "SET_TESTED", "Application-specific action", "Run",
                                     "Flash target", "Start address", "Byte count", "ADV_READ_SEQ",
                                     "Protocol log", "Clear Log"}));
    }

    // The window destroyed while its request runs: the completion finds no window and leaves
    // no block behind.
    void windowDestroyedDuringRequest()
    {
        Bench bench(testProfile());
        QVERIFY(bench.ready);
        bench.window->sendIdReq();
        bench.window.reset();
        Task<QString> later = bench.connection->fskReadSerialAsync();
        QTRY_VERIFY_WITH_TIMEOUT(later.isReady(), kWaitMs);
        QWidget next;
        QVERIFY(!isInputBlocked(&next));
    }
};

ZX_REGISTER_TEST(FskProtocolUtilityTest);
#include "test_fskprotocolutility.moc"
