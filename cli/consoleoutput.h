#pragma once

#include "app/log.h"
#include "app/messagepresenter.h"

#include <QMutex>

#include <memory>

class Console;
class QIODevice;

// --verbose: the application log on standard error as it is written, from whatever thread
// writes it. Installs its own Log for its lifetime.
class ConsoleLogWriter
{
public:
    explicit ConsoleLogWriter(QIODevice &err);
    ~ConsoleLogWriter();
    ConsoleLogWriter(const ConsoleLogWriter &) = delete;
    ConsoleLogWriter &operator=(const ConsoleLogWriter &) = delete;

private:
    QIODevice &m_err;
    QMutex m_mutex;
    Log m_log;
    Log *m_previous = nullptr;
};

// Messages the core shows the user become lines on standard error. Installed for its lifetime.
class ConsoleMessagePresenter final : public MessagePresenter
{
public:
    explicit ConsoleMessagePresenter(Console &console);
    ~ConsoleMessagePresenter() override;
    ConsoleMessagePresenter(const ConsoleMessagePresenter &) = delete;
    ConsoleMessagePresenter &operator=(const ConsoleMessagePresenter &) = delete;

    void showMessage(MessageSeverity severity, const QString &title, const QString &text) override;
    // Whether some message reached the user.
    [[nodiscard]] bool hasShownMessage() const { return m_shown; }

private:
    Console &m_console;
    MessagePresenter *m_previous = nullptr;
    bool m_shown = false;
};
