#pragma once

#include <QPointer>

#include <memory>

class QWidget;

namespace inputblocker {
struct BlockedWidget;
class InputFilter;
} // namespace inputblocker

// Swallows the user's input (mouse, keys, wheel, touch, shortcuts, context menus, drops) to a
// widget and to everything inside it in the same window, and shows a wait cursor over it,
// while device work runs. Painting, timers and closing go on, and other windows (dialogs
// opened from it included) stay usable. Blocks of the same widget nest: input returns when
// the last one ends. A block whose widget is destroyed first ends without touching it.
class InputBlock
{
public:
    // A null widget blocks nothing.
    explicit InputBlock(QWidget *widget);
    ~InputBlock();
    InputBlock(const InputBlock &) = delete;
    InputBlock &operator=(const InputBlock &) = delete;

    // Ends the block before destruction; later calls do nothing.
    void release();
    [[nodiscard]] bool isActive() const { return m_entry != nullptr; }

private:
    QPointer<inputblocker::InputFilter> m_filter;
    inputblocker::BlockedWidget *m_entry = nullptr;
};

// The form an asynchronous completion holds: input stays blocked until the last copy is gone,
// so a completion that is dropped without running unblocks as surely as one that runs.
[[nodiscard]] std::shared_ptr<InputBlock> blockInput(QWidget *widget);

// Whether a block covers `widget`: it, or a widget above it in its window, is blocked.
[[nodiscard]] bool isInputBlocked(const QWidget *widget);
