#pragma once

#include <QObject>
#include <QThread>

#include <functional>

// Where stream work runs, and how work and results hop between threads.
namespace deviceio {

// The process-wide "ZanProg device IO" thread on which streams are opened, closed and written.
// Created and started on first use; stopped when the application object goes away.
QThread *thread();

// An object living on the device-IO thread, to queue work onto it.
QObject *context();

// Queues `work` onto the thread `target` lives in. Dropped when `target` is destroyed first.
void post(QObject *target, std::function<void()> work);

// Queues `work` onto the event loop of `thread` (for results that must arrive even when the
// object that asked for them is gone). Falls back to the calling thread without a loop.
void postToThread(QThread *thread, std::function<void()> work);

// Runs `work` from the calling thread's event loop, after everything already queued there.
void defer(std::function<void()> work);

} // namespace deviceio
