#pragma once

#include "devsim/devicesimulator.h"

#include <QByteArray>
#include <QMutex>

#include <cstdint>
#include <vector>

// The host's view of a simulated device, for tests: collects what the device sends and
// finds the device's frames in it.
namespace hostend {

struct DeviceFrame
{
    bool bootloader = false;
    std::uint8_t type = 0;
    std::uint8_t status = 0; // bootloader frames only
    QByteArray payload;
};

// Valid frames in order; bytes that start no frame (junk, spoilt frames) are skipped.
[[nodiscard]] std::vector<DeviceFrame> parseDeviceFrames(const QByteArray &bytes);

// The bytes of every transmission the device made since the last look, in order.
[[nodiscard]] QByteArray takeSentBytes(devsim::SimulatedDevice &device);

// A device that boots and repeats its announcement quickly, so tests do not wait.
[[nodiscard]] devsim::DeviceProfile fastProfile();

[[nodiscard]] QByteArray fskRequest(std::uint8_t type, const QByteArray &payload = {});
[[nodiscard]] QByteArray bootloaderRequest(std::uint8_t command, std::uint8_t argument = 0);
// The host's answer to an announcement in the given protocol.
[[nodiscard]] QByteArray announcementAnswer(bool bootloader);

// Receives what the simulator delivers, from its thread.
class Collector
{
public:
    void attachTo(devsim::DeviceSimulator &simulator);
    // For transports that attach the host themselves (the cable).
    [[nodiscard]] devsim::DeviceSimulator::DeliverToHost deliverFunction();
    [[nodiscard]] QByteArray bytes() const;
    [[nodiscard]] std::vector<DeviceFrame> frames() const { return parseDeviceFrames(bytes()); }
    // Frames with the reply bit set: everything but announcements.
    [[nodiscard]] std::vector<DeviceFrame> replies() const;
    [[nodiscard]] int goneCalls() const;
    void clear();

private:
    mutable QMutex m_mutex;
    QByteArray m_bytes;
    int m_gone = 0;
};

// Powers nothing: waits (up to a few seconds) for the device's announcement and answers it.
[[nodiscard]] bool completeHandshake(devsim::DeviceSimulator &simulator, Collector &host,
                                     bool bootloader);

} // namespace hostend
