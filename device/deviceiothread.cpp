#include "device/deviceiothread.h"

#include <QAbstractEventDispatcher>
#include <QCoreApplication>
#include <QSemaphore>
#include <QTimer>

namespace deviceio {

namespace {

struct IoThread
{
    QThread *thread = nullptr;
    QObject *context = nullptr;
};

void stopIoThread();

IoThread &ioThread()
{
    // A function-local static: concurrent first callers create the thread once.
    static IoThread io = [] {
        IoThread created;
        created.thread = new QThread;
        created.thread->setObjectName(QStringLiteral("ZanProg device IO"));
        created.context = new QObject;
        created.context->moveToThread(created.thread);
        QSemaphore started;
        QObject::connect(
            created.thread, &QThread::started, created.context, [&started] { started.release(); },
            Qt::DirectConnection);
        created.thread->start(QThread::InheritPriority);
        started.acquire();
        // A thread still running when the process tears down Qt would abort it.
        qAddPostRoutine(stopIoThread);
        return created;
    }();
    return io;
}

void stopIoThread()
{
    IoThread &io = ioThread();
    io.thread->quit();
    io.thread->wait();
}

} // namespace

QThread *thread()
{
    return ioThread().thread;
}

QObject *context()
{
    return ioThread().context;
}

void post(QObject *target, std::function<void()> work)
{
    QMetaObject::invokeMethod(target, std::move(work), Qt::QueuedConnection);
}

void postToThread(QThread *thread, std::function<void()> work)
{
    // Every running thread's event dispatcher is an object living on that thread.
    if (QObject *dispatcher = QAbstractEventDispatcher::instance(thread))
        post(dispatcher, std::move(work));
    else
        defer(std::move(work));
}

void defer(std::function<void()> work)
{
    QTimer::singleShot(0, std::move(work));
}

} // namespace deviceio
