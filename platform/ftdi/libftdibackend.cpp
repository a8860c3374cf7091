#include "ftdibackends.h"
#include "receiveevent.h"

#include <QMutex>

#include <algorithm>
#include <atomic>
#include <cstring>
#include <ftdi.h>
#include <libusb.h>
#include <map>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

namespace ftdi {

namespace {

// How long one read on the reader thread may block. The chip answers every latency period (at
// most 255 ms) even with nothing to send, so running out of this time means the chip is gone;
// closing waits for the reader at most this long.
constexpr int kReaderPollTimeoutMs = 1000;
constexpr int kReadChunkBytes = 4096;
constexpr quint32 kDeviceTypeUnknown = 3;
constexpr int kStringDescriptorBytes = 128;

// One opened cable. The reader thread stands in for the D2XX receive event: it keeps a bulk read
// pending, queues what arrives and signals the notification event.
struct OpenCable
{
    ftdi_context *context = nullptr;
    libusb_device *device = nullptr;
    QByteArray serialNumber;
    std::thread reader;
    std::atomic<bool> stopReading{false};
    std::atomic<bool> failed{false};
    std::mutex rxMutex;
    QByteArray rx;
    quint32 eventMask = 0;
    ReceiveEvent *event = nullptr;
};

struct ListedDevice
{
    libusb_device *device = nullptr;
    DeviceListNode node;
    bool accessDenied = false;
};

class LibftdiBackend final : public FtdiApi
{
public:
    ~LibftdiBackend() override
    {
        std::vector<Handle> open;
        for (auto &[handle, cable] : m_open)
            open.push_back(handle);
        for (Handle handle : open)
            close(handle);
        releaseList();
        if (m_usb)
            libusb_exit(m_usb);
    }

    bool init() { return libusb_init(&m_usb) == 0; }

    QString backendName() const override { return QStringLiteral("libftdi1"); }

    Status createDeviceInfoList(quint32 *count) override
    {
        QMutexLocker lock(&m_mutex);
        if (Status status = enumerate())
            return status;
        *count = quint32(m_listed.size());
        return kOk;
    }

    Status getDeviceInfoList(DeviceListNode *nodes, quint32 *count) override
    {
        QMutexLocker lock(&m_mutex);
        const quint32 copied = std::min<quint32>(*count, quint32(m_listed.size()));
        for (quint32 i = 0; i < copied; ++i)
            nodes[i] = m_listed[i].node;
        *count = copied;
        return kOk;
    }

    Status openEx(const QByteArray &key, quint32 how, Handle *handle) override
    {
        QMutexLocker lock(&m_mutex);
        *handle = nullptr;
        if (how != kOpenBySerialNumber)
            return kInvalidParameter;
        if (Status status = enumerate())
            return status;
        auto listed = std::find_if(m_listed.begin(), m_listed.end(), [&](const ListedDevice &d) {
            return !d.accessDenied && nodeSerialNumber(d.node) == key;
        });
        if (listed == m_listed.end()) {
            // A cable we may not open shows no serial number, so it cannot be told apart: say
            // that access was refused rather than that the cable is missing.
            const bool anyDenied =
                std::any_of(m_listed.begin(), m_listed.end(),
                            [](const ListedDevice &d) { return d.accessDenied; });
            return anyDenied ? kAccessDenied : kDeviceNotFound;
        }
        if (listed->node.flags & kFlagOpened)
            return kDeviceNotOpened;

        auto cable = std::make_unique<OpenCable>();
        cable->context = ftdi_new();
        if (!cable->context)
            return kInsufficientResources;
        // The kernel's serial driver claims these chips; libftdi detaches it on open.
        cable->context->module_detach_mode = AUTO_DETACH_SIO_MODULE;
        ftdi_set_interface(cable->context, INTERFACE_ANY);
        if (ftdi_usb_open_dev(cable->context, listed->device) < 0) {
            ftdi_free(cable->context);
            return classifyOpenFailure(listed->device);
        }
        cable->context->usb_read_timeout = kReaderPollTimeoutMs;
        cable->device = libusb_ref_device(listed->device);
        cable->serialNumber = key;
        OpenCable *raw = cable.get();
        raw->reader = std::thread([raw] { readLoop(raw); });
        *handle = raw;
        m_open.emplace(raw, std::move(cable));
        return kOk;
    }

    Status close(Handle handle) override
    {
        std::unique_ptr<OpenCable> cable;
        {
            QMutexLocker lock(&m_mutex);
            auto it = m_open.find(handle);
            if (it == m_open.end())
                return kInvalidHandle;
            cable = std::move(it->second);
            m_open.erase(it);
        }
        cable->stopReading = true;
        if (cable->reader.joinable())
            cable->reader.join();
        const int closed = ftdi_usb_close(cable->context);
        ftdi_free(cable->context);
        libusb_unref_device(cable->device);
        return closed < 0 ? kIoError : kOk;
    }

    Status setBaudRate(Handle handle, quint32 baudRate) override
    {
        return call(handle, [&](ftdi_context *c) { return ftdi_set_baudrate(c, int(baudRate)); });
    }

    Status setDataCharacteristics(Handle handle, quint8 wordLength, quint8 stopBits,
                                  quint8 parity) override
    {
        // The D2XX values of word length, stop bits and parity are libftdi's enumerators.
        if ((wordLength != BITS_7 && wordLength != BITS_8) || stopBits > STOP_BIT_2 ||
            parity > SPACE)
            return kInvalidParameter;
        return call(handle, [&](ftdi_context *c) {
            return ftdi_set_line_property(c, ftdi_bits_type(wordLength),
                                          ftdi_stopbits_type(stopBits), ftdi_parity_type(parity));
        });
    }

    Status setFlowControl(Handle handle, quint16 flowControl, quint8, quint8) override
    {
        // The D2XX flow-control values equal libftdi's SIO_*_HS constants.
        return call(handle, [&](ftdi_context *c) { return ftdi_setflowctrl(c, flowControl); });
    }

    Status setBitMode(Handle handle, quint8 mask, quint8 mode) override
    {
        return call(handle, [&](ftdi_context *c) { return ftdi_set_bitmode(c, mask, mode); });
    }

    Status setEventNotification(Handle handle, quint32 eventMask, ReceiveEvent *event) override
    {
        OpenCable *cable = find(handle);
        if (!cable)
            return kInvalidHandle;
        std::lock_guard lock(cable->rxMutex);
        cable->eventMask = eventMask;
        cable->event = event;
        return kOk;
    }

    Status setLatencyTimer(Handle handle, quint8 latencyMs) override
    {
        return call(handle, [&](ftdi_context *c) { return ftdi_set_latency_timer(c, latencyMs); });
    }

    Status getQueueStatus(Handle handle, quint32 *rxBytes) override
    {
        *rxBytes = 0;
        OpenCable *cable = find(handle);
        if (!cable)
            return kInvalidHandle;
        std::lock_guard lock(cable->rxMutex);
        if (cable->rx.isEmpty() && cable->failed)
            return kIoError;
        *rxBytes = quint32(cable->rx.size());
        return kOk;
    }

    Status read(Handle handle, void *buffer, quint32 bytesToRead, quint32 *bytesRead) override
    {
        *bytesRead = 0;
        OpenCable *cable = find(handle);
        if (!cable)
            return kInvalidHandle;
        std::lock_guard lock(cable->rxMutex);
        if (cable->rx.isEmpty() && cable->failed)
            return kIoError;
        const auto count = std::min<qsizetype>(bytesToRead, cable->rx.size());
        std::memcpy(buffer, cable->rx.constData(), size_t(count));
        cable->rx.remove(0, count);
        *bytesRead = quint32(count);
        return kOk;
    }

    Status write(Handle handle, const void *buffer, quint32 bytesToWrite,
                 quint32 *bytesWritten) override
    {
        *bytesWritten = 0;
        OpenCable *cable = find(handle);
        if (!cable)
            return kInvalidHandle;
        if (cable->failed)
            return kIoError;
        const int written = ftdi_write_data(
            cable->context, static_cast<const unsigned char *>(buffer), int(bytesToWrite));
        if (written < 0)
            return kIoError;
        *bytesWritten = quint32(written);
        return kOk;
    }

private:
    static void readLoop(OpenCable *cable)
    {
        unsigned char chunk[kReadChunkBytes];
        while (!cable->stopReading) {
            const int count = ftdi_read_data(cable->context, chunk, sizeof chunk);
            if (count == 0)
                continue;
            ReceiveEvent *event = nullptr;
            {
                std::lock_guard lock(cable->rxMutex);
                if (count > 0)
                    cable->rx.append(reinterpret_cast<const char *>(chunk), count);
                else
                    cable->failed = true; // unplugged or refused: the next read reports it
                if (cable->eventMask & kEventRxChar)
                    event = cable->event;
            }
            if (event)
                event->signal();
            if (count < 0)
                return;
        }
    }

    template <typename Operation> Status call(Handle handle, Operation operation)
    {
        OpenCable *cable = find(handle);
        if (!cable)
            return kInvalidHandle;
        if (cable->failed)
            return kIoError;
        return operation(cable->context) < 0 ? kIoError : kOk;
    }

    OpenCable *find(Handle handle)
    {
        QMutexLocker lock(&m_mutex);
        auto it = m_open.find(handle);
        return it == m_open.end() ? nullptr : it->second.get();
    }

    Status classifyOpenFailure(libusb_device *device)
    {
        libusb_device_handle *probe = nullptr;
        const int result = libusb_open(device, &probe);
        if (probe)
            libusb_close(probe);
        return result == LIBUSB_ERROR_ACCESS ? kAccessDenied : kDeviceNotOpened;
    }

    void releaseList()
    {
        for (ListedDevice &listed : m_listed)
            libusb_unref_device(listed.device);
        m_listed.clear();
    }

    // Lists the FTDI chips (any product) with their strings. Reading the strings needs the
    // device opened briefly; one we may not open is listed without them.
    Status enumerate()
    {
        releaseList();
        libusb_device **devices = nullptr;
        const ssize_t count = libusb_get_device_list(m_usb, &devices);
        if (count < 0)
            return kIoError;
        for (ssize_t i = 0; i < count; ++i) {
            libusb_device_descriptor descriptor{};
            if (libusb_get_device_descriptor(devices[i], &descriptor) != 0 ||
                descriptor.idVendor != kFtdiVendorId)
                continue;
            ListedDevice listed;
            listed.device = libusb_ref_device(devices[i]);
            listed.node.type = kDeviceTypeUnknown;
            listed.node.id = deviceId(descriptor.idVendor, descriptor.idProduct);
            listed.node.locId = (quint32(libusb_get_bus_number(devices[i])) << 8) |
                                libusb_get_port_number(devices[i]);
            if (libusb_get_device_speed(devices[i]) >= LIBUSB_SPEED_HIGH)
                listed.node.flags |= kFlagHighSpeed;
            if (auto open = findOpen(devices[i])) {
                listed.node.flags |= kFlagOpened;
                listed.node.handle = open;
                setNodeString(listed.node.serialNumber, sizeof listed.node.serialNumber,
                              open->serialNumber);
            } else {
                readStrings(devices[i], descriptor, listed);
            }
            m_listed.push_back(listed);
        }
        libusb_free_device_list(devices, 1);
        return kOk;
    }

    void readStrings(libusb_device *device, const libusb_device_descriptor &descriptor,
                     ListedDevice &listed)
    {
        libusb_device_handle *handle = nullptr;
        const int opened = libusb_open(device, &handle);
        if (opened != 0) {
            listed.accessDenied = opened == LIBUSB_ERROR_ACCESS;
            return;
        }
        unsigned char text[kStringDescriptorBytes];
        auto readString = [&](quint8 index) {
            const int length =
                index ? libusb_get_string_descriptor_ascii(handle, index, text, sizeof text) : 0;
            return length > 0 ? QByteArray(reinterpret_cast<const char *>(text), length)
                              : QByteArray();
        };
        setNodeString(listed.node.serialNumber, sizeof listed.node.serialNumber,
                      readString(descriptor.iSerialNumber));
        setNodeString(listed.node.description, sizeof listed.node.description,
                      readString(descriptor.iProduct));
        libusb_close(handle);
    }

    OpenCable *findOpen(libusb_device *device)
    {
        for (auto &[handle, cable] : m_open) {
            if (libusb_get_bus_number(cable->device) == libusb_get_bus_number(device) &&
                libusb_get_device_address(cable->device) == libusb_get_device_address(device))
                return cable.get();
        }
        return nullptr;
    }

    QMutex m_mutex;
    libusb_context *m_usb = nullptr;
    std::vector<ListedDevice> m_listed;
    std::map<Handle, std::unique_ptr<OpenCable>> m_open;
};

} // namespace

std::unique_ptr<FtdiApi> createLibftdiBackend()
{
    auto backend = std::make_unique<LibftdiBackend>();
    if (!backend->init())
        return nullptr;
    return backend;
}

} // namespace ftdi
