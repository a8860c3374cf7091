#pragma once

#include "device/frames.h"
#include "devsim/simulateddevice.h"
#include "hostend.h"

#include <QByteArray>

#include <utility>
#include <vector>

// A simulated device of any profile on a clock the test moves by hand, already past its
// handshake in the protocol it powers up in.
struct DeviceBench
{
    static constexpr int kBootMs = 5;

    devsim::SimulatedDevice device;
    qint64 nowMs = 0;

    explicit DeviceBench(devsim::DeviceProfile profile)
        : device(withFastBoot(std::move(profile)))
    {
        device.powerUp(nowMs);
        handshake();
    }

    static devsim::DeviceProfile withFastBoot(devsim::DeviceProfile profile)
    {
        profile.bootDelayMs = kBootMs;
        profile.announceIntervalMs = 1000;
        return profile;
    }

    void handshake()
    {
        advance(kBootMs);
        device.receive(hostend::announcementAnswer(device.mode() == DeviceMode::Bootloader), nowMs);
        // Announcements sent before the answer are of no interest here.
        static_cast<void>(device.takeOutput());
    }

    // Moves the clock and returns the device's frames sent meanwhile.
    std::vector<hostend::DeviceFrame> advance(qint64 ms)
    {
        QByteArray sent;
        for (const qint64 until = nowMs + ms; nowMs < until;) {
            ++nowMs;
            device.poll(nowMs);
            sent += hostend::takeSentBytes(device);
        }
        return hostend::parseDeviceFrames(sent);
    }

    std::vector<hostend::DeviceFrame> send(const QByteArray &request)
    {
        device.receive(request, nowMs);
        return hostend::parseDeviceFrames(hostend::takeSentBytes(device));
    }

    // The one reply to an application request; an empty frame when there is none.
    hostend::DeviceFrame fsk(std::uint8_t type, const QByteArray &payload = {})
    {
        const auto replies = send(frames::buildFskFrame(type, payload));
        return replies.size() == 1 ? replies.front() : hostend::DeviceFrame{};
    }

    hostend::DeviceFrame bootloader(std::uint8_t command, std::uint8_t argument = 0,
                                    const QByteArray &payload = {})
    {
        const auto replies = send(frames::buildBootloaderFrame(command, argument, payload));
        return replies.size() == 1 ? replies.front() : hostend::DeviceFrame{};
    }

    // Power off and on again, then the handshake.
    void powerCycle()
    {
        device.powerDown();
        device.powerUp(nowMs);
        handshake();
    }
};
