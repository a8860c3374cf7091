#include "app/shell/cablefirst.h"

#include <QSettings>

CableFirstRule::CableFirstRule(QSettings &settings, CableFirstPrompt &prompt,
                               std::function<void()> exitProgram)
    : m_settings(settings)
    , m_prompt(prompt)
    , m_exitProgram(std::move(exitProgram))
{}

bool CableFirstRule::cableOpenedOnce() const
{
    return m_settings.value(kSettingsKey).toString() == QLatin1String("true");
}

void CableFirstRule::openAttempted(bool connectionOpen)
{
    if (cableOpenedOnce())
        return;
    if (!connectionOpen) {
        if (!m_prompt.isShowing())
            m_prompt.showPrompt();
        return;
    }
    if (m_prompt.isShowing())
        m_prompt.acceptPrompt(); // finishes through promptFinished(kResultOpenAnyway)
    remember();
}

void CableFirstRule::promptFinished(int result)
{
    if (result == kResultOpenAnyway)
        remember();
    else if (result == kResultExit && m_exitProgram)
        m_exitProgram();
}

void CableFirstRule::remember()
{
    m_settings.setValue(kSettingsKey, QStringLiteral("true"));
}
