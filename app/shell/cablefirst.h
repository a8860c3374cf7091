#pragma once

#include <QString>

#include <functional>

class QSettings;

// The prompt that asks a first-time user to plug the programming cable in before going on.
// Implemented by the window; at most one is showing at a time.
class CableFirstPrompt
{
public:
    virtual ~CableFirstPrompt() = default;
    virtual void showPrompt() = 0;
    [[nodiscard]] virtual bool isShowing() const = 0;
    // Finishes a showing prompt as if "Open Anyway" was pressed.
    virtual void acceptPrompt() = 0;
};

// Until a programming cable has been opened once (or the user chose to go on without one),
// every failed open attempt shows the "Cable First" prompt, and the first successful one
// dismisses it. The state lives in the settings key "cableOpenedOnce".
class CableFirstRule
{
public:
    static inline const QString kSettingsKey = QStringLiteral("cableOpenedOnce");
    static constexpr int kResultExit = 0;
    static constexpr int kResultOpenAnyway = 1;

    CableFirstRule(QSettings &settings, CableFirstPrompt &prompt,
                   std::function<void()> exitProgram);

    [[nodiscard]] bool cableOpenedOnce() const;
    // After an open attempt, with whether the connection is open now.
    void openAttempted(bool connectionOpen);
    // The prompt finished with the index of the pressed button.
    void promptFinished(int result);

private:
    void remember();

    QSettings &m_settings;
    CableFirstPrompt &m_prompt;
    std::function<void()> m_exitProgram;
};
