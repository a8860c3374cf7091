#pragma once

#include <QString>

// How a message the user must see is shown. Core classes (the device manager, the library
// flows) never construct widgets: they hand the message to the presenter installed at start-up.
// The GUI shows a message box with exactly this title and text; the CLI prints a line on
// standard error; tests install a recorder.
enum class MessageSeverity { Information, Warning, Critical };

class MessagePresenter
{
public:
    virtual ~MessagePresenter() = default;
    // Shows the message. Callers must not wait for the user: the GUI's box is window-modal but
    // returns at once, so that no device completion runs inside another one's box.
    virtual void showMessage(MessageSeverity severity, const QString &title,
                             const QString &text) = 0;
};

// The installed presenter. Until one is installed, messages only reach the log under the
// category "Message".
[[nodiscard]] MessagePresenter &messagePresenter();
// Installs `presenter` (not owned; it must outlive its use) or, with nullptr, the log-only
// default. Returns the previous one so that tests can restore it.
MessagePresenter *installMessagePresenter(MessagePresenter *presenter);

// Shorthand for the common case: a critical box titled "Error".
void showErrorMessage(const QString &text);
