#include "receivelistener.h"

namespace {

// A failed wait is retried after this pause rather than spinning.
constexpr unsigned long kWaitRetryPauseMs = 20;

} // namespace

ReceiveListener::ReceiveListener(std::function<void()> onWake, Wait wait)
    : m_record(std::make_shared<Record>())
{
    m_record->onWake = std::move(onWake);
    m_record->wait =
        wait ? std::move(wait) : [](ftdi::ReceiveEvent &event) { return event.wait(); };
    std::shared_ptr<Record> record = m_record;
    m_thread = QThread::create([record] { listen(*record); });
    m_thread->setObjectName(QStringLiteral("ZanProg cable listener"));
    m_thread->start(QThread::InheritPriority);
}

ReceiveListener::~ReceiveListener()
{
    m_record->stop.exchange(1);
    m_record->event.signal();
    if (QThread::currentThread() == m_thread) {
        // Destroyed from its own callback: the loop ends once the callback returns, and the
        // thread object goes with the event loop of the thread that made it.
        QObject::connect(m_thread, &QThread::finished, m_thread, &QObject::deleteLater);
        return;
    }
    m_thread->wait();
    delete m_thread;
}

void ReceiveListener::listen(Record &record)
{
    for (;;) {
        const bool woken = record.wait(record.event);
        // Looked at after every wait, failed or not: a wait that keeps failing would otherwise
        // keep the owner waiting in its destructor for ever.
        if (record.stop.load())
            return;
        if (!woken) {
            QThread::msleep(kWaitRetryPauseMs);
            continue;
        }
        record.event.reset();
        if (record.onWake)
            record.onWake();
    }
}
