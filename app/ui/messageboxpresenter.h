#pragma once

#include "app/messagepresenter.h"

// Shows the core's messages as message boxes with exactly their title and text. A box is
// window-modal to the active window and shown without a nested event loop, so that device
// work keeps running and no completion runs inside another one's box.
class MessageBoxPresenter final : public MessagePresenter
{
public:
    void showMessage(MessageSeverity severity, const QString &title, const QString &text) override;
};
