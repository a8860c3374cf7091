// Input that was already there when a command went out is never that command's reply, through
// the programming cable and through a USB CDC port alike.
#include "device/deviceconnection.h"
#include "device/deviceiothread.h"
#include "device/frames.h"
#include "device/ftdicabledevicestream.h"
#include "device/sectioncrc.h"
#include "device/usbcdcdevicestream.h"
#include "devsim/devicesimulator.h"
#include "devsim/ptyserver.h"
#include "devsim/simulatedcabledevice.h"
#include "platform/ftdi/simulatedftdibackend.h"
#include "pseudoterminal.h"
#include "scriptedcablepeer.h"
#include "testregistry.h"

#include <QDeadlineTimer>
#include <QSemaphore>
#include <QTest>

#include <functional>
#include <memory>

namespace {

constexpr int kWaitMs = 10000;
// Long enough for any reply on a loaded machine; only the late reply's command waits it out.
constexpr int kAckTimeoutMs = 1500;
constexpr std::uint8_t kReadType = 0x0E;
constexpr std::uint16_t kFirstAddress = 0x0100;
constexpr std::uint16_t kSecondAddress = 0x0200;

// The device's end of the link, played by the test.
class DeviceEnd
{
public:
    virtual ~DeviceEnd() = default;
    virtual std::unique_ptr<DeviceStream> makeStream() = 0;
    // A device behind the cable announces itself; a USB CDC port fixes the mode.
    [[nodiscard]] virtual bool announces() const = 0;
    virtual bool send(const QByteArray &bytes) = 0;
    // True once everything sent so far has reached the host: waiting for the program's reader,
    // or taken by it.
    [[nodiscard]] virtual bool sentBytesAtHost(int count) = 0;
    // Everything the program wrote.
    virtual QByteArray written() = 0;

    // Read requests among the program's writes (all of them whole FSK frames).
    int readRequests()
    {
        const QByteArray bytes = written();
        int count = 0;
        for (int at = 0; at + frames::kFskFrameSize <= bytes.size(); at += frames::kFskFrameSize)
            count += std::uint8_t(bytes.at(at)) == kReadType ? 1 : 0;
        return count;
    }
};

class CableEnd final : public DeviceEnd
{
public:
    CableEnd() { m_backend.addCable(kSerial, m_peer); }
    std::unique_ptr<DeviceStream> makeStream() override
    {
        return std::make_unique<FtdiCableDeviceStream>(m_backend, kSerial);
    }
    bool announces() const override { return true; }
    bool send(const QByteArray &bytes) override { return m_peer->send(bytes); }
    bool sentBytesAtHost(int) override { return m_backend.bytesHeldInChip(kSerial) == 0; }
    QByteArray written() override { return m_peer->received(); }

private:
    static inline const QByteArray kSerial = QByteArrayLiteral("STALE1");
    ftdi::SimulatedFtdiBackend m_backend;
    std::shared_ptr<ScriptedCablePeer> m_peer = std::make_shared<ScriptedCablePeer>();
};

class PortEnd final : public DeviceEnd
{
public:
    PortEnd() { m_probed = m_terminal.openProbe(); }
    std::unique_ptr<DeviceStream> makeStream() override
    {
        if (!m_probed)
            return nullptr;
        return std::make_unique<UsbCdcDeviceStream>(m_terminal.portPath(),
                                                    SupportedModes::ApplicationOnly);
    }
    bool announces() const override { return false; }
    bool send(const QByteArray &bytes) override { return m_terminal.send(bytes); }
    // Only asked while the port's reader is held up, so the bytes are still at the port.
    bool sentBytesAtHost(int count) override { return m_terminal.bytesWaitingAtPort() >= count; }
    QByteArray written() override
    {
        m_written += m_terminal.receiveAvailable();
        return m_written;
    }

private:
    PseudoTerminal m_terminal;
    bool m_probed = false;
    QByteArray m_written;
};

// Keeps the device-IO thread busy, so that whatever arrives meanwhile waits for it: the port's
// reader does not run, and a write queued now is handed to the stream only after the release.
class IoThreadHold
{
public:
    IoThreadHold()
    {
        deviceio::post(deviceio::context(), [gate = m_gate] {
            gate->entered.release();
            gate->released.acquire();
        });
        m_holding = m_gate->entered.tryAcquire(1, kWaitMs);
    }
    ~IoThreadHold() { m_gate->released.release(); }
    IoThreadHold(const IoThreadHold &) = delete;
    IoThreadHold &operator=(const IoThreadHold &) = delete;

    [[nodiscard]] bool isHolding() const { return m_holding; }

private:
    struct Gate
    {
        QSemaphore entered;
        QSemaphore released;
    };
    std::shared_ptr<Gate> m_gate = std::make_shared<Gate>();
    bool m_holding = false;
};

// Waits without serving the main thread's events, so that nothing received meanwhile has been
// handled by the connection yet.
bool waitWithoutEvents(const std::function<bool()> &condition)
{
    QDeadlineTimer deadline(kWaitMs);
    while (!condition()) {
        if (deadline.hasExpired())
            return false;
        QThread::msleep(1);
    }
    return true;
}

// Errors by their messages, so that a failure says what went wrong.
struct ReadOutcome
{
    QStringList errors;
    QByteArray bytes;
};

DeviceConnection::ReplyDone recordTo(const std::shared_ptr<ReadOutcome> &outcome)
{
    return [outcome](DeviceConnectionError code, const QByteArray &bytes) {
        outcome->errors.append(DeviceConnection::errorString(code));
        outcome->bytes = bytes;
    };
}

const QString kNoError = DeviceConnection::errorString(DeviceConnectionError::NoError);

QByteArray readReply(std::uint16_t address, const QByteArray &data)
{
    QByteArray payload;
    payload.append(char(address & 0xFF));
    payload.append(char(address >> 8));
    return frames::buildFskFrame(kReadType | frames::kFskReplyBit, payload + data);
}

enum class Link { Cable, UsbCdc };
// How the first read's reply is still around when the second read goes out.
enum class Staging {
    Duplicated,  // the device answers the first read twice; the second is queued behind it
    Late,        // the answer to the first read comes after it timed out
    Interleaved, // part of that late answer comes before the second read, the rest after
};

struct Rig
{
    explicit Rig(Link link)
        : end(link == Link::Cable ? std::unique_ptr<DeviceEnd>(std::make_unique<CableEnd>())
                                  : std::make_unique<PortEnd>())
    {
        DeviceConnection::Options options;
        options.timings.ackTimeoutMs = kAckTimeoutMs;
        options.enumerator = [](bool) { return DeviceStreamList{}; };
        options.cableLogger = [] {};
        connection = std::make_unique<DeviceConnection>(options);
    }

    bool openInApplication()
    {
        std::unique_ptr<DeviceStream> stream = end->makeStream();
        if (!stream)
            return false;
        auto opened = std::make_shared<int>(-1);
        connection->open(std::move(stream), [opened](bool ok) { *opened = ok ? 1 : 0; });
        if (!QTest::qWaitFor([&] { return *opened != -1; }, kWaitMs) || *opened != 1)
            return false;
        if (end->announces() && !end->send(frames::buildFskFrame(frames::kFskAnnouncementType)))
            return false;
        return QTest::qWaitFor([&] { return connection->mode() == DeviceMode::FSK; }, kWaitMs);
    }

    std::unique_ptr<DeviceEnd> end;
    std::unique_ptr<DeviceConnection> connection;
};

// A simulated receiver with three parameter sections, reached through the simulated cable or
// through a pseudo-terminal as a USB CDC port.
struct SimulatorRig
{
    explicit SimulatorRig(Link link)
        : link(link)
        , simulator(std::make_shared<devsim::DeviceSimulator>(
              profile(), link == Link::Cable ? devsim::DeviceSimulator::Power::Off
                                             : devsim::DeviceSimulator::Power::On))
        , server(simulator)
    {
        DeviceConnection::Options options;
        options.timings.ackTimeoutMs = kAckTimeoutMs;
        options.enumerator = [](bool) { return DeviceStreamList{}; };
        options.cableLogger = [] {};
        connection = std::make_unique<DeviceConnection>(options);
    }
    ~SimulatorRig() { connection.reset(); }

    static devsim::DeviceProfile profile()
    {
        devsim::DeviceProfile profile = devsim::defaultReceiverProfile();
        devsim::ProfileTarget target;
        for (std::uint8_t id = 1; id <= 3; ++id)
            target.sections.push_back({id, QByteArray(16, char(0x10 * id))});
        profile.targets = {target};
        return profile;
    }

    bool openInApplication()
    {
        std::unique_ptr<DeviceStream> stream;
        if (link == Link::Cable) {
            backend.addCable(kSerial, std::make_shared<devsim::SimulatedCableDevice>(simulator));
            stream = std::make_unique<FtdiCableDeviceStream>(backend, kSerial);
        } else {
            const std::expected<QString, QString> path = server.start();
            if (!path)
                return false;
            stream = std::make_unique<UsbCdcDeviceStream>(*path, SupportedModes::Announced);
        }
        auto opened = std::make_shared<int>(-1);
        connection->open(std::move(stream), [opened](bool ok) { *opened = ok ? 1 : 0; });
        if (!QTest::qWaitFor([&] { return *opened != -1; }, kWaitMs) || *opened != 1)
            return false;
        if (link == Link::Cable)
            connection->powerOn({});
        return QTest::qWaitFor([&] { return connection->mode() == DeviceMode::FSK; }, kWaitMs);
    }

    static inline const QByteArray kSerial = QByteArrayLiteral("SIMSTALE");
    const Link link;
    std::shared_ptr<devsim::DeviceSimulator> simulator;
    ftdi::SimulatedFtdiBackend backend;
    devsim::PtyServer server;
    std::unique_ptr<DeviceConnection> connection;
};

template <typename T> bool finished(Task<T> &task)
{
    return QTest::qWaitFor([&] { return task.isReady(); }, kWaitMs);
}

} // namespace

Q_DECLARE_METATYPE(Link)
Q_DECLARE_METATYPE(Staging)

class StaleReplyTest : public QObject
{
    Q_OBJECT

private slots:
    // A reply received, whole or in part, before a command is handed to the stream is not
    // that command's reply, even when its type fits; the command's own reply, right behind
    // it, still is.
    void earlierInputIsNeverTheNextCommandsReply_data()
    {
        QTest::addColumn<Link>("link");
        QTest::addColumn<Staging>("staging");
        for (const auto &[linkName, link] :
             {std::pair{"cable", Link::Cable}, std::pair{"usb cdc", Link::UsbCdc}}) {
            QTest::addRow("%s, duplicated reply", linkName) << link << Staging::Duplicated;
            QTest::addRow("%s, late reply", linkName) << link << Staging::Late;
            QTest::addRow("%s, late reply split around the write", linkName)
                << link << Staging::Interleaved;
        }
    }
    void earlierInputIsNeverTheNextCommandsReply()
    {
        QFETCH(Link, link);
        QFETCH(Staging, staging);
        Rig rig(link);
        QVERIFY(rig.openInApplication());
        const QByteArray firstReply = readReply(kFirstAddress, "\xa1\xa2\xa3\xa4");
        const QByteArray secondReply = readReply(kSecondAddress, "\xb1\xb2\xb3\xb4");
        QByteArray earlier = firstReply; // reaches the host before the second read goes out
        QByteArray later;                // sent with the second read's reply
        switch (staging) {
        case Staging::Duplicated:
            earlier = firstReply + firstReply;
            break;
        case Staging::Late:
            break;
        case Staging::Interleaved:
            earlier = firstReply.left(40);
            later = firstReply.mid(40);
            break;
        }

        auto first = std::make_shared<ReadOutcome>();
        auto second = std::make_shared<ReadOutcome>();
        rig.connection->fskReadLimited(kFirstAddress, 4, recordTo(first));
        if (staging == Staging::Duplicated)
            rig.connection->fskReadLimited(kSecondAddress, 4, recordTo(second));
        QVERIFY(QTest::qWaitFor([&] { return rig.end->readRequests() == 1; }, kWaitMs));
        if (staging != Staging::Duplicated) {
            QVERIFY(QTest::qWaitFor([&] { return !first->errors.isEmpty(); }, kWaitMs));
            QCOMPARE(first->errors,
                     QStringList{DeviceConnection::errorString(DeviceConnectionError::NoReply)});
        }
        {
            IoThreadHold hold;
            QVERIFY(hold.isHolding());
            QVERIFY(rig.end->send(earlier));
            QVERIFY(waitWithoutEvents([&] { return rig.end->sentBytesAtHost(earlier.size()); }));
            if (staging != Staging::Duplicated)
                rig.connection->fskReadLimited(kSecondAddress, 4, recordTo(second));
        }
        QVERIFY(QTest::qWaitFor([&] { return rig.end->readRequests() == 2; }, kWaitMs));
        QVERIFY(rig.end->send(later + secondReply));

        QVERIFY(QTest::qWaitFor([&] { return !second->errors.isEmpty(); }, kWaitMs));
        QCOMPARE(second->errors, QStringList{kNoError});
        QCOMPARE(second->bytes, QByteArray("\xb1\xb2\xb3\xb4"));
        if (staging == Staging::Duplicated) {
            QCOMPARE(first->errors, QStringList{kNoError});
            QCOMPARE(first->bytes, QByteArray("\xa1\xa2\xa3\xa4"));
        }
        QVERIFY(rig.connection->isOpen());
    }

    // A device that sends its section table twice is read as it is: the second copy does not
    // answer the next page's request, so the table and the CRCs of its sections come out right.
    void sectionTableSentTwiceReadsRight_data()
    {
        QTest::addColumn<Link>("link");
        QTest::newRow("cable") << Link::Cable;
        QTest::newRow("usb cdc") << Link::UsbCdc;
    }
    void sectionTableSentTwiceReadsRight()
    {
        QFETCH(Link, link);
        SimulatorRig rig(link);
        QVERIFY(rig.openInApplication());
        rig.simulator->addFault({devsim::FaultKind::AnswerTwice, 1, -1});

        Task<QList<TargetSectionInfo>> table =
            rig.connection->fskGetTargetSections(FlashTarget::ParameterMemory);
        QVERIFY(finished(table));
        QVERIFY(table.result().has_value());
        QList<std::uint8_t> ids;
        for (const TargetSectionInfo &section : *table.result()) {
            ids.append(section.section);
            QCOMPARE(section.size, std::uint16_t(16));
        }
        QCOMPARE(ids, (QList<std::uint8_t>{1, 2, 3}));

        Task<QList<std::uint32_t>> crcs =
            rig.connection->fskGetSectionCrcs(FlashTarget::ParameterMemory, ids);
        QVERIFY(finished(crcs));
        QVERIFY(crcs.result().has_value());
        const devsim::DeviceProfile profile = SimulatorRig::profile();
        QList<std::uint32_t> expected;
        for (const devsim::ProfileSection &section : profile.targets[0].sections)
            expected.append(sectionCrc(section.contents));
        QCOMPARE(*crcs.result(), expected);
    }
};

ZX_REGISTER_TEST(StaleReplyTest);
#include "test_stalereplies.moc"
