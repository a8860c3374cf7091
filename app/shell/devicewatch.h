#pragma once

#include <QObject>
#include <QTimer>

class DeviceConnection;

// Looks for the device every 800 ms: closes a cable or port that has vanished, pings a device
// behind the programming cable, and opens the first stream found while none is open. Main
// thread only.
class DeviceWatch : public QObject
{
    Q_OBJECT

public:
    static constexpr int kIntervalMs = 800;

    explicit DeviceWatch(DeviceConnection &connection, QObject *parent = nullptr);

    void start();
    void stop();
    // Tests shorten the interval.
    void setIntervalMs(int ms) { m_timer.setInterval(ms); }
    [[nodiscard]] const QTimer &timer() const { return m_timer; }
    [[nodiscard]] bool isOpening() const { return m_opening; }

public slots:
    void tick();

signals:
    // After every open attempt, before the faulted flag is cleared and the timer restarted.
    void openAttempted(bool opened);

private:
    void openFinished(bool opened);

    DeviceConnection &m_connection;
    QTimer m_timer;
    bool m_opening = false;
};
