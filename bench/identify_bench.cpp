// Identification of each simulated product through the programming cable, timed on the wall
// clock from the device's announcement to the device manager's deviceStateChanged, and set
// against the time the line itself needs for the same exchanges plus the connection's
// announcement delay.
//
// Usage: bench-identify [RUNS]   (default 5 per profile)
//
// The path is a user's: DeviceManager over the cable rig of cablebench.h. Connection timings
// are the real ones (200 ms announcement delay).
//
// The bound of one identification is the wire-time bound of its exchanges (cablebench.h) plus
// the announcement delay:
//
//   bound = announcement delay
//         + (bytes of the requests + bytes of their replies) * 10 / baud
//         + exchanges * (turnaround + latency timer)
//
// The time starts when the device has handed over the announcement the program answers, so
// the wall time also holds that announcement's own wait in the chip (one latency timer), which
// the bound leaves out.
#include "cablebench.h"
#include "devicestate/devicemanager.h"
#include "devsim/profiles.h"

#include <QCoreApplication>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <vector>

using namespace cablebench;

namespace {

constexpr int kRunTimeoutMs = 30000;

// Every named product is served by a class that holds device sections, so each
// identification goes as far as the device lets it.
ListModelClassRegistry registryForAllProfiles()
{
    ListModelClassRegistry registry;
    for (const QString &name : devsim::profiles::names()) {
        const devsim::DeviceProfile profile = *devsim::profiles::profileByName(name);
        registry.add({name, -1, true, {{profile.productCode, profile.parameterVersion}}});
    }
    return registry;
}

// One identification from power-up, on a fresh cable, connection and manager.
Measurement identifyOnce(const devsim::DeviceProfile &profile, const ModelClassRegistry &registry)
{
    CableRig rig(profile);
    DeviceManager manager(&rig.connection, registry);

    Measurement m;
    qint64 stateChangedNs = -1;
    QObject::connect(&manager, &DeviceManager::deviceStateChanged, &manager, [&] {
        if (stateChangedNs < 0)
            stateChangedNs = rig.device->nowNs();
    });
    if (!rig.open())
        return m;
    rig.connection.powerOn({});
    if (!waitFor([&] { return stateChangedNs >= 0; }, kRunTimeoutMs))
        return m;

    // The program's first write answers the announcement; the identification's exchanges
    // follow it.
    const CountingCableDevice::Traffic traffic = rig.device->traffic();
    if (traffic.unpromptedNs < 0 || traffic.exchanges.empty())
        return m;
    m.ok = manager.serialNumber().size() > 0;
    m.wallMs = double(stateChangedNs - traffic.unpromptedNs) / 1e6;
    m.exchanges = int(traffic.exchanges.size()) - 1;
    m.bytesOnWire = traffic.toDevice() - traffic.exchanges.front().requestBytes +
                    traffic.fromDevice() - traffic.unpromptedBytes;
    m.boundMs =
        rig.connection.timings().announcementSettleMs + wireBoundMs(m.bytesOnWire, m.exchanges);
    rig.connection.close();
    return m;
}

void printRow(const QString &name, const std::vector<Measurement> &runs)
{
    const QByteArray label = name.toLatin1();
    const std::optional<RatioSpread> spread = ratioSpread(runs);
    if (!spread) {
        std::printf("%-28s FAILED\n", label.constData());
        return;
    }
    std::printf("%-28s %4zu %9d %9d %9.1f %9.1f %7.3f %7.3f %7.3f\n", label.constData(),
                spread->runs, spread->median.exchanges, spread->median.bytesOnWire,
                spread->median.boundMs, spread->median.wallMs, spread->minRatio,
                spread->medianRatio, spread->maxRatio);
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 5;
    const ListModelClassRegistry registry = registryForAllProfiles();

    std::printf("%s; announcement delay %d ms\n\n", wireDescription().constData(),
                kAnnouncementSettleMs);
    std::printf("%-28s %4s %9s %9s %9s %9s %7s %7s %7s\n", "profile", "runs", "exchanges",
                "wirebytes", "bound_ms", "wall_ms", "min", "median", "max");
    for (const QString &name : devsim::profiles::names()) {
        const devsim::DeviceProfile profile = *devsim::profiles::profileByName(name);
        std::vector<Measurement> measurements;
        for (int run = 0; run < runs; ++run)
            measurements.push_back(identifyOnce(profile, registry));
        printRow(name, measurements);
    }
    std::printf("\nwall: from the device handing over the announcement it gets answered to "
                "deviceStateChanged (median run);\nratio = wall / bound (min, median, max); the "
                "wall time includes one latency timer for the announcement itself.\n");
    return 0;
}
