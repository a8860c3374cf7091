#pragma once

#include <QByteArray>

#include <functional>

namespace ftdi {

// The device end of a simulated programming cable. The simulated FTDI backend hands every
// byte the program writes to the peer (and echoes it back to the program, as the real
// single-wire cable does), and tells the peer when the cable switches its supply power.
// The peer answers by calling the deliver function it was given, from any thread.
class SimulatedCablePeer
{
public:
    using DeliverToHost = std::function<void(const QByteArray &bytes)>;

    virtual ~SimulatedCablePeer() = default;

    // Called once when the program opens the cable; `deliver` stays valid until detach().
    virtual void attach(DeliverToHost deliver) = 0;
    // Called when the program closes the cable; the peer must not call `deliver` afterwards.
    virtual void detach() = 0;

    // Bytes the program wrote, in order.
    virtual void receiveFromHost(const QByteArray &bytes) = 0;
    // The cable's power switch (CBUS pin driven low = device powered).
    virtual void setPowered(bool powered) = 0;
    // The latency timer the program set, in milliseconds: how long the chip holds a short
    // reply before passing it on.
    virtual void setLatencyTimerMs(int latencyMs) { (void)latencyMs; }
};

} // namespace ftdi
