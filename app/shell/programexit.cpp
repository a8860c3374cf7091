#include "app/shell/programexit.h"

#include "app/processflags.h"
#include "device/deviceconnection.h"

#include <QSettings>

#include <cstdio>
#include <cstdlib>

ProgramExit::ProgramExit(QSettings &settings, DeviceConnection &connection, Terminate terminate)
    : m_settings(settings)
    , m_connection(connection)
    , m_terminate(terminate ? std::move(terminate) : [](int status) {
        std::fflush(stdout);
        std::fflush(stderr);
        std::_Exit(status);
    })
{}

void ProgramExit::addBeforeTermination(std::function<void()> step)
{
    m_beforeTermination.push_back(std::move(step));
}

void ProgramExit::finishAndExit()
{
    // A second request (the prompt's "Exit" while the window closes) joins the first.
    if (m_finishing)
        return;
    m_finishing = true;
    m_settings.sync();
    if (m_connection.isOpen() && !processflags::leaveCablePoweredAfterExit()) {
        m_connection.powerOff(-1, [this](DeviceConnectionError) { closeAndTerminate(); });
        return;
    }
    closeAndTerminate();
}

void ProgramExit::closeAndTerminate()
{
    for (const std::function<void()> &step : m_beforeTermination)
        step();
    m_connection.close();
    m_terminate(0);
}
