#include "simulatedftdibackend.h"

#include "simulatedcablelink.h"
#include "simulatedcablepeer.h"

#include <algorithm>
#include <cstring>

namespace ftdi {

namespace {

// CBUS bit-bang mask: the high nibble sets pin directions (1 = output), the low nibble the
// levels of output pins. The cable's power switch hangs on pin 3 and conducts when it is low.
constexpr quint8 kPowerPinDirectionBit = 0x80;
constexpr quint8 kPowerPinLevelBit = 0x08;

bool powersDevice(quint8 mask, quint8 mode)
{
    return mode == kBitModeCbusBitBang && (mask & kPowerPinDirectionBit) &&
           !(mask & kPowerPinLevelBit);
}

Handle toHandle(quintptr id)
{
    return reinterpret_cast<Handle>(id);
}

quintptr fromHandle(Handle handle)
{
    return reinterpret_cast<quintptr>(handle);
}

} // namespace

SimulatedFtdiBackend::SimulatedFtdiBackend() = default;

SimulatedFtdiBackend::~SimulatedFtdiBackend()
{
    for (auto &[id, session] : m_sessions)
        session.link->stop();
}

void SimulatedFtdiBackend::addCable(const QByteArray &serialNumber,
                                    std::shared_ptr<SimulatedCablePeer> peer, quint16 productId,
                                    const QByteArray &description)
{
    QMutexLocker lock(&m_mutex);
    Cable cable;
    cable.serialNumber = serialNumber;
    cable.description = description;
    cable.productId = productId;
    cable.peer = std::move(peer);
    m_cables.push_back(std::move(cable));
}

void SimulatedFtdiBackend::removeCable(const QByteArray &serialNumber)
{
    std::shared_ptr<SimulatedCableLink> link;
    {
        QMutexLocker lock(&m_mutex);
        auto it = std::find_if(m_cables.begin(), m_cables.end(), [&](const Cable &cable) {
            return cable.serialNumber == serialNumber;
        });
        if (it == m_cables.end())
            return;
        if (auto session = m_sessions.find(it->openHandle); session != m_sessions.end()) {
            session->second.unplugged = true;
            link = session->second.link;
        }
        m_cables.erase(it);
    }
    if (link)
        link->stop();
}

void SimulatedFtdiBackend::setFailure(Call call, Status status)
{
    QMutexLocker lock(&m_mutex);
    m_failures[call] = status;
}

void SimulatedFtdiBackend::clearFailures()
{
    QMutexLocker lock(&m_mutex);
    m_failures.clear();
}

void SimulatedFtdiBackend::setEchoEnabled(bool enabled)
{
    QMutexLocker lock(&m_mutex);
    m_echoEnabled = enabled;
}

QStringList SimulatedFtdiBackend::callLog() const
{
    QMutexLocker lock(&m_mutex);
    return m_callLog;
}

void SimulatedFtdiBackend::clearCallLog()
{
    QMutexLocker lock(&m_mutex);
    m_callLog.clear();
}

bool SimulatedFtdiBackend::isPowered(const QByteArray &serialNumber) const
{
    QMutexLocker lock(&m_mutex);
    const Cable *cable = findCable(serialNumber);
    return cable && cable->powered;
}

int SimulatedFtdiBackend::bytesQueuedForHost(const QByteArray &serialNumber) const
{
    const auto link = linkOf(serialNumber);
    return link ? link->queuedForHost() : 0;
}

int SimulatedFtdiBackend::bytesHeldInChip(const QByteArray &serialNumber) const
{
    const auto link = linkOf(serialNumber);
    return link ? link->heldInChip() : 0;
}

Status SimulatedFtdiBackend::createDeviceInfoList(quint32 *count)
{
    QMutexLocker lock(&m_mutex);
    if (auto failure = m_failures.find(Call::CreateDeviceInfoList); failure != m_failures.end()) {
        *count = 0;
        return failure->second;
    }
    m_snapshot.clear();
    quint32 locId = 0x11;
    for (const Cable &cable : m_cables) {
        DeviceListNode node;
        node.flags = cable.openHandle ? kFlagOpened : 0;
        node.id = deviceId(kFtdiVendorId, cable.productId);
        node.locId = locId++;
        setNodeString(node.serialNumber, sizeof node.serialNumber, cable.serialNumber);
        setNodeString(node.description, sizeof node.description, cable.description);
        node.handle = toHandle(cable.openHandle);
        m_snapshot.push_back(node);
    }
    *count = quint32(m_snapshot.size());
    return kOk;
}

Status SimulatedFtdiBackend::getDeviceInfoList(DeviceListNode *nodes, quint32 *count)
{
    QMutexLocker lock(&m_mutex);
    if (auto failure = m_failures.find(Call::GetDeviceInfoList); failure != m_failures.end()) {
        *count = 0;
        return failure->second;
    }
    const quint32 copied = std::min<quint32>(*count, quint32(m_snapshot.size()));
    std::copy_n(m_snapshot.begin(), copied, nodes);
    *count = copied;
    return kOk;
}

Status SimulatedFtdiBackend::openEx(const QByteArray &key, quint32 how, Handle *handle)
{
    std::shared_ptr<SimulatedCableLink> link;
    {
        QMutexLocker lock(&m_mutex);
        *handle = nullptr;
        m_callLog.append(QStringLiteral("openEx(%1)").arg(QString::fromLatin1(key)));
        if (auto failure = m_failures.find(Call::OpenEx); failure != m_failures.end())
            return failure->second;
        if (how != kOpenBySerialNumber)
            return kInvalidParameter;
        Cable *cable = findCable(key);
        if (!cable)
            return kDeviceNotFound;
        if (cable->openHandle)
            return kDeviceNotOpened;
        link = std::make_shared<SimulatedCableLink>(cable->peer);
        cable->openHandle = m_nextHandle++;
        m_sessions[cable->openHandle] = Session{key, link, false};
        *handle = toHandle(cable->openHandle);
    }
    link->start();
    return kOk;
}

Status SimulatedFtdiBackend::close(Handle handle)
{
    std::shared_ptr<SimulatedCableLink> link;
    {
        QMutexLocker lock(&m_mutex);
        m_callLog.append(QStringLiteral("close"));
        if (auto failure = m_failures.find(Call::Close); failure != m_failures.end())
            return failure->second;
        auto session = m_sessions.find(fromHandle(handle));
        if (session == m_sessions.end())
            return kInvalidHandle;
        link = session->second.link;
        Cable *cable = findCable(session->second.serialNumber);
        if (cable && cable->openHandle == session->first)
            cable->openHandle = 0;
        m_sessions.erase(session);
    }
    link->stop();
    return kOk;
}

Status SimulatedFtdiBackend::enter(Call call, const QString &logText, Handle handle,
                                   Session **session)
{
    if (!logText.isEmpty())
        m_callLog.append(logText);
    if (auto failure = m_failures.find(call); failure != m_failures.end())
        return failure->second;
    auto it = m_sessions.find(fromHandle(handle));
    if (it == m_sessions.end())
        return kInvalidHandle;
    if (it->second.unplugged)
        return kIoError;
    *session = &it->second;
    return kOk;
}

Status SimulatedFtdiBackend::setBaudRate(Handle handle, quint32 baudRate)
{
    QMutexLocker lock(&m_mutex);
    Session *session = nullptr;
    return enter(Call::SetBaudRate, QStringLiteral("setBaudRate(%1)").arg(baudRate), handle,
                 &session);
}

Status SimulatedFtdiBackend::setDataCharacteristics(Handle handle, quint8 wordLength,
                                                    quint8 stopBits, quint8 parity)
{
    QMutexLocker lock(&m_mutex);
    Session *session = nullptr;
    return enter(Call::SetDataCharacteristics,
                 QStringLiteral("setDataCharacteristics(%1,%2,%3)")
                     .arg(wordLength)
                     .arg(stopBits)
                     .arg(parity),
                 handle, &session);
}

Status SimulatedFtdiBackend::setFlowControl(Handle handle, quint16 flowControl, quint8 xon,
                                            quint8 xoff)
{
    QMutexLocker lock(&m_mutex);
    Session *session = nullptr;
    return enter(Call::SetFlowControl,
                 QStringLiteral("setFlowControl(%1,%2,%3)").arg(flowControl).arg(xon).arg(xoff),
                 handle, &session);
}

Status SimulatedFtdiBackend::setBitMode(Handle handle, quint8 mask, quint8 mode)
{
    std::shared_ptr<SimulatedCablePeer> peer;
    bool powered = false;
    {
        QMutexLocker lock(&m_mutex);
        Session *session = nullptr;
        const QString text = QStringLiteral("setBitMode(0x%1,0x%2)")
                                 .arg(mask, 2, 16, QLatin1Char('0'))
                                 .arg(mode, 2, 16, QLatin1Char('0'));
        if (Status status = enter(Call::SetBitMode, text, handle, &session);
            status != kOk || !session)
            return status;
        Cable *cable = findCable(session->serialNumber);
        powered = powersDevice(mask, mode);
        cable->powered = powered;
        peer = cable->peer;
    }
    if (peer)
        peer->setPowered(powered);
    return kOk;
}

Status SimulatedFtdiBackend::setEventNotification(Handle handle, quint32 eventMask,
                                                  ReceiveEvent *event)
{
    QMutexLocker lock(&m_mutex);
    Session *session = nullptr;
    const QString text = QStringLiteral("setEventNotification(%1)").arg(eventMask);
    if (Status status = enter(Call::SetEventNotification, text, handle, &session);
        status != kOk || !session)
        return status;
    session->link->setNotification(eventMask, event);
    return kOk;
}

Status SimulatedFtdiBackend::setLatencyTimer(Handle handle, quint8 latencyMs)
{
    std::shared_ptr<SimulatedCablePeer> peer;
    {
        QMutexLocker lock(&m_mutex);
        Session *session = nullptr;
        const QString text = QStringLiteral("setLatencyTimer(%1)").arg(latencyMs);
        if (Status status = enter(Call::SetLatencyTimer, text, handle, &session);
            status != kOk || !session)
            return status;
        session->link->setLatencyMs(latencyMs);
        peer = findCable(session->serialNumber)->peer;
    }
    if (peer)
        peer->setLatencyTimerMs(latencyMs);
    return kOk;
}

Status SimulatedFtdiBackend::getQueueStatus(Handle handle, quint32 *rxBytes)
{
    QMutexLocker lock(&m_mutex);
    Session *session = nullptr;
    *rxBytes = 0;
    if (Status status = enter(Call::GetQueueStatus, {}, handle, &session);
        status != kOk || !session)
        return status;
    *rxBytes = quint32(session->link->queuedForHost());
    return kOk;
}

Status SimulatedFtdiBackend::read(Handle handle, void *buffer, quint32 bytesToRead,
                                  quint32 *bytesRead)
{
    QMutexLocker lock(&m_mutex);
    Session *session = nullptr;
    *bytesRead = 0;
    if (Status status = enter(Call::Read, {}, handle, &session); status != kOk || !session)
        return status;
    const QByteArray bytes = session->link->takeForHost(int(bytesToRead));
    std::memcpy(buffer, bytes.constData(), size_t(bytes.size()));
    *bytesRead = quint32(bytes.size());
    return kOk;
}

Status SimulatedFtdiBackend::write(Handle handle, const void *buffer, quint32 bytesToWrite,
                                   quint32 *bytesWritten)
{
    std::shared_ptr<SimulatedCableLink> link;
    std::shared_ptr<SimulatedCablePeer> peer;
    const QByteArray bytes(static_cast<const char *>(buffer), int(bytesToWrite));
    bool echo = false;
    {
        QMutexLocker lock(&m_mutex);
        Session *session = nullptr;
        *bytesWritten = 0;
        const QString text = QStringLiteral("write(%1)").arg(bytesToWrite);
        if (Status status = enter(Call::Write, text, handle, &session); status != kOk || !session)
            return status;
        link = session->link;
        peer = findCable(session->serialNumber)->peer;
        echo = m_echoEnabled;
    }
    // The single-wire link: the chip's receiver hears everything the transmitter sends.
    if (echo)
        link->receive(bytes);
    if (peer)
        peer->receiveFromHost(bytes);
    *bytesWritten = bytesToWrite;
    return kOk;
}

SimulatedFtdiBackend::Cable *SimulatedFtdiBackend::findCable(const QByteArray &serialNumber)
{
    auto it = std::find_if(m_cables.begin(), m_cables.end(),
                           [&](const Cable &cable) { return cable.serialNumber == serialNumber; });
    return it == m_cables.end() ? nullptr : &*it;
}

const SimulatedFtdiBackend::Cable *
SimulatedFtdiBackend::findCable(const QByteArray &serialNumber) const
{
    return const_cast<SimulatedFtdiBackend *>(this)->findCable(serialNumber);
}

std::shared_ptr<SimulatedCableLink>
SimulatedFtdiBackend::linkOf(const QByteArray &serialNumber) const
{
    QMutexLocker lock(&m_mutex);
    const Cable *cable = findCable(serialNumber);
    if (!cable)
        return {};
    auto session = m_sessions.find(cable->openHandle);
    return session == m_sessions.end() ? nullptr : session->second.link;
}

} // namespace ftdi
