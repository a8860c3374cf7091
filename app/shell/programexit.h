#pragma once

#include <functional>
#include <vector>

class DeviceConnection;
class QSettings;

// The program's one way out: settings flushed, the cable powered off (unless the user asked
// to leave it powered), the connection closed, and the process ended at once with status 0,
// without running destructors or further events. Pending library saves are written by the
// caller first (the main window's close handling).
class ProgramExit
{
public:
    using Terminate = std::function<void(int status)>;

    ProgramExit(QSettings &settings, DeviceConnection &connection, Terminate terminate = {});

    // Runs just before the connection closes, in the order added (the demo device saves its
    // flash here).
    void addBeforeTermination(std::function<void()> step);

    void finishAndExit();
    [[nodiscard]] bool isFinishing() const { return m_finishing; }

private:
    void closeAndTerminate();

    QSettings &m_settings;
    DeviceConnection &m_connection;
    Terminate m_terminate;
    std::vector<std::function<void()>> m_beforeTermination;
    bool m_finishing = false;
};
