#pragma once

#include "platform/ftdi/receiveevent.h"

#include <QThread>

#include <atomic>
#include <functional>
#include <memory>

// The thread that waits for the cable's receive notification and reports each wake-up. It only
// signals; whoever it calls reads the bytes itself.
class ReceiveListener
{
public:
    // How the thread waits for the next notification; false when the wait itself failed. The
    // default waits on event(); tests hand in a wait that fails.
    using Wait = std::function<bool(ftdi::ReceiveEvent &event)>;

    explicit ReceiveListener(std::function<void()> onWake, Wait wait = {});
    // Stops the thread and waits for it.
    ~ReceiveListener();
    ReceiveListener(const ReceiveListener &) = delete;
    ReceiveListener &operator=(const ReceiveListener &) = delete;

    // The event the FTDI backend signals when characters arrive.
    [[nodiscard]] ftdi::ReceiveEvent *event() const { return &m_record->event; }

private:
    struct Record
    {
        std::atomic<int> stop{0};
        ftdi::ReceiveEvent event;
        std::function<void()> onWake;
        Wait wait;
    };

    static void listen(Record &record);

    // Shared with the thread, which may outlive this object when it stops itself.
    std::shared_ptr<Record> m_record;
    QThread *m_thread = nullptr;
};
