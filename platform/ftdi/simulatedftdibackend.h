#pragma once

#include "ftdiapi.h"

#include <QMutex>
#include <QStringList>

#include <map>
#include <memory>
#include <vector>

namespace ftdi {

class SimulatedCablePeer;
class SimulatedCableLink;

// Programming cables that exist only in this process, for tests, the simulator and demos. The
// device end of each cable is a SimulatedCablePeer. Like the real single-wire cable, every byte
// the program writes comes back to it as received data (before anything the device answers);
// CBUS pin 3 of the bit-bang mode switches the peer's power; the latency timer holds short
// replies in the chip. Faults are scripted per call kind.
class SimulatedFtdiBackend final : public FtdiApi
{
public:
    static constexpr quint16 kDefaultProductId = 0x7C48;

    enum class Call {
        CreateDeviceInfoList,
        GetDeviceInfoList,
        OpenEx,
        Close,
        SetBaudRate,
        SetDataCharacteristics,
        SetFlowControl,
        SetBitMode,
        SetEventNotification,
        SetLatencyTimer,
        GetQueueStatus,
        Read,
        Write,
    };

    SimulatedFtdiBackend();
    ~SimulatedFtdiBackend() override;

    // Plugs in a cable. The backend keeps the peer while the cable is plugged in.
    void addCable(const QByteArray &serialNumber, std::shared_ptr<SimulatedCablePeer> peer,
                  quint16 productId = kDefaultProductId,
                  const QByteArray &description = "Simulated programming cable");
    // Unplugs a cable: it leaves the device list, and calls on a handle still open to it fail
    // with kIoError (as after a real unplug) until the handle is closed.
    void removeCable(const QByteArray &serialNumber);

    // Every later call of kind `call` answers `status` without effect, until clearFailures().
    // With kOk this scripts a call that succeeds but moves no byte.
    void setFailure(Call call, Status status);
    void clearFailures();
    // A cable whose single wire no longer returns the sent bytes (on by default).
    void setEchoEnabled(bool enabled);

    // The configuration calls made so far (open, close, settings, writes), e.g.
    // "setBitMode(0x88,0x20)". Reads and queue queries are left out: the listener makes them.
    [[nodiscard]] QStringList callLog() const;
    void clearCallLog();

    // Whether the cable currently powers its device (CBUS pin 3 an output driven low).
    [[nodiscard]] bool isPowered(const QByteArray &serialNumber) const;
    // Received bytes not yet read by the program: in the host queue, and held in the chip.
    [[nodiscard]] int bytesQueuedForHost(const QByteArray &serialNumber) const;
    [[nodiscard]] int bytesHeldInChip(const QByteArray &serialNumber) const;

    [[nodiscard]] QString backendName() const override { return QStringLiteral("simulated"); }
    Status createDeviceInfoList(quint32 *count) override;
    Status getDeviceInfoList(DeviceListNode *nodes, quint32 *count) override;
    Status openEx(const QByteArray &key, quint32 how, Handle *handle) override;
    Status close(Handle handle) override;
    Status setBaudRate(Handle handle, quint32 baudRate) override;
    Status setDataCharacteristics(Handle handle, quint8 wordLength, quint8 stopBits,
                                  quint8 parity) override;
    Status setFlowControl(Handle handle, quint16 flowControl, quint8 xon, quint8 xoff) override;
    Status setBitMode(Handle handle, quint8 mask, quint8 mode) override;
    Status setEventNotification(Handle handle, quint32 eventMask, ReceiveEvent *event) override;
    Status setLatencyTimer(Handle handle, quint8 latencyMs) override;
    Status getQueueStatus(Handle handle, quint32 *rxBytes) override;
    Status read(Handle handle, void *buffer, quint32 bytesToRead, quint32 *bytesRead) override;
    Status write(Handle handle, const void *buffer, quint32 bytesToWrite,
                 quint32 *bytesWritten) override;

private:
    struct Cable
    {
        QByteArray serialNumber;
        QByteArray description;
        quint16 productId = kDefaultProductId;
        std::shared_ptr<SimulatedCablePeer> peer;
        bool powered = false;
        quintptr openHandle = 0;
    };
    struct Session
    {
        QByteArray serialNumber;
        std::shared_ptr<SimulatedCableLink> link;
        bool unplugged = false;
    };

    // Records the call, applies a scripted failure, and finds the session of `handle`. After a
    // scripted answer (even kOk) `*session` stays null: the call must then have no effect.
    Status enter(Call call, const QString &logText, Handle handle, Session **session);
    Cable *findCable(const QByteArray &serialNumber);
    const Cable *findCable(const QByteArray &serialNumber) const;
    std::shared_ptr<SimulatedCableLink> linkOf(const QByteArray &serialNumber) const;

    mutable QMutex m_mutex;
    std::vector<Cable> m_cables;
    std::vector<DeviceListNode> m_snapshot;
    std::map<quintptr, Session> m_sessions;
    quintptr m_nextHandle = 1;
    std::map<Call, Status> m_failures;
    bool m_echoEnabled = true;
    QStringList m_callLog;
};

} // namespace ftdi
