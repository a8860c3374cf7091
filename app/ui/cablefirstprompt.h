#pragma once

#include "app/shell/cablefirst.h"

#include <QMessageBox>
#include <QPointer>

#include <functional>

class QMessageBox;

// The "Cable First" message box: window-modal, shown without blocking, deleted when finished.
class CableFirstPromptBox final : public CableFirstPrompt
{
public:
    // `finished` receives the index of the pressed button (0 "Exit", 1 "Open Anyway").
    explicit CableFirstPromptBox(std::function<void(int)> finished);

    void showPrompt() override;
    [[nodiscard]] bool isShowing() const override { return !m_box.isNull(); }
    void acceptPrompt() override;
    [[nodiscard]] QMessageBox *box() const { return m_box; }

private:
    std::function<void(int)> m_finished;
    QPointer<QMessageBox> m_box;
};
