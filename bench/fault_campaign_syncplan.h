// The pieces of the sync campaign's runs: the model's and the device's bytes as images to
// compare, and the fault plan of a run with where its faults fall.
#pragma once

#include "device/deviceconnection.h"
#include "devicestate/devicememory.h"
#include "devsim/devicesimulator.h"

#include <QByteArray>
#include <QList>
#include <QString>

#include <random>
#include <vector>

namespace faultcampaign {

// A section with a one-field schema of its size, holding `contents`.
[[nodiscard]] TargetSection modelSection(int id, const QByteArray &contents);
[[nodiscard]] QByteArray randomBytes(std::mt19937_64 &random, int size);

using Image = QList<QByteArray>; // the bytes of each section, by section id

[[nodiscard]] Image modelImage(const DeviceMemory &memory);
// What the device keeps across a power cut: its flash, not its RAM.
[[nodiscard]] Image deviceFlash(devsim::DeviceSimulator &simulator);
// Where two images first differ, for a verdict, headed `what`; empty when they are equal.
[[nodiscard]] QString firstDifference(const Image &got, const Image &wanted, const QString &what);

// The faults of one run and where they fall.
struct FaultPlan
{
    InitialSyncDirection direction = InitialSyncDirection::ComputerToDevice;
    std::vector<devsim::Fault> faults;
    int expectedReplies = 0;

    // "to device, drop@12+junk@30:17 of 64 replies"
    [[nodiscard]] QString text() const;
    // The kinds of the faults that hit a reply, in name order; "none" for a clean run.
    [[nodiscard]] QString kindsHit(int repliesSent) const;
};

// The replies a sync takes to bring `device` in step with `model` or back: the CRC request,
// one reply per piece of each section that differs, the commit.
[[nodiscard]] int expectedReplies(const Image &model, const Image &device,
                                  InitialSyncDirection direction);

// A fault of any kind at a reply in 1..`expected`, or now and then just past it (a control
// run). Delays lie on both sides of the acknowledgement timeout.
[[nodiscard]] devsim::Fault randomFault(std::mt19937_64 &random, int expected,
                                        const ConnectionTimings &timings);

} // namespace faultcampaign
