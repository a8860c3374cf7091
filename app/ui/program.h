#pragma once

#include "app/shell/programoptions.h"
#include "app/startup.h"
#include "online/ui/onlinecontext.h"

#include <QString>

#include <expected>
#include <memory>

class CableFirstPromptBox;
class CableFirstRule;
class DemoDevice;
class DeviceConnection;
class DeviceWatch;
class MainWindow;
class MessageBoxPresenter;
class PageRegistry;
class ProgramExit;
struct ProgramLibraries;

// Everything start-up creates for the desktop program, in creation order. None of it is
// destroyed before the process ends (the process ends through ProgramExit); tests and the
// tour create a Program and let it go when they are done.
class Program
{
public:
    struct Setup
    {
        ProgramOptions options;
        EnvironmentOptions environment;
        // Ends the process; tests and the tour record the call instead.
        std::function<void(int)> terminate;
        // The tour and tests drive the window themselves and start the device watch later.
        bool startDeviceWatch = true;
        bool showWindow = true;
    };

    [[nodiscard]] static std::expected<std::unique_ptr<Program>, QString> start(Setup setup);
    ~Program();

    [[nodiscard]] AppEnvironment &environment() { return m_environment; }
    [[nodiscard]] DeviceConnection &connection() const { return *m_connection; }
    [[nodiscard]] DeviceWatch &deviceWatch() const { return *m_watch; }
    [[nodiscard]] MainWindow &mainWindow() const { return *m_window; }
    [[nodiscard]] PageRegistry &pages() const { return *m_pages; }
    [[nodiscard]] ProgramLibraries &libraries() const { return *m_libraries; }
    [[nodiscard]] ProgramExit &exit() const { return *m_exit; }
    [[nodiscard]] DemoDevice *demoDevice() const { return m_demo.get(); }
    [[nodiscard]] CableFirstPromptBox &cableFirstPrompt() const { return *m_prompt; }

private:
    Program() = default;
    [[nodiscard]] std::expected<void, QString> build(Setup &setup);
    [[nodiscard]] QString startupProblems() const;
    void registerModelScreens();
    void registerOnlineScreens();
    [[nodiscard]] std::expected<void, QString> applyServiceOptions(const ProgramOptions &options);
    [[nodiscard]] OnlineContext onlineContext() const;

    AppEnvironment m_environment;
    std::unique_ptr<ProgramLibraries> m_libraries;
    std::unique_ptr<MessageBoxPresenter> m_presenter;
    std::unique_ptr<DemoDevice> m_demo;
    std::unique_ptr<DeviceConnection> m_connection;
    std::unique_ptr<ProgramExit> m_exit;
    std::unique_ptr<CableFirstPromptBox> m_prompt;
    std::unique_ptr<CableFirstRule> m_cableFirst;
    std::unique_ptr<DeviceWatch> m_watch;
    std::unique_ptr<PageRegistry> m_pages;
    std::unique_ptr<MainWindow> m_window;
};
