#pragma once

#include "device/deviceconnectionerror.h"
#include "device/task.h"
#include "ui/widgets/inputblocker.h"

#include <QPointer>
#include <QWidget>

#include <utility>

// A device request made from a window: input to the window is blocked from before the
// request goes out until it ends, and the result reaches the window only on success and only
// while the window exists.

namespace blockedrequestdetail {
template <typename T> struct TaskValue;
template <typename T> struct TaskValue<Task<T>>
{
    using type = T;
};
} // namespace blockedrequestdetail

// `start` receives the completion to hand to a callback operation of the connection;
// `onSuccess` gets the values the operation reports after its error code.
template <typename Start, typename OnSuccess>
void sendBlocked(QWidget *window, Start start, OnSuccess onSuccess)
{
    // Released through the shared block rather than by dropping it, so that a copy of the
    // completion still held elsewhere cannot keep the window blocked.
    auto block = blockInput(window);
    start([guard = QPointer<QWidget>(window), block,
           onSuccess = std::move(onSuccess)](DeviceConnectionError code, const auto &...values) {
        block->release();
        if (guard && code == DeviceConnectionError::NoError)
            onSuccess(values...);
    });
}

// `start` returns the Task of the request; `onSuccess` gets its value.
template <typename Start, typename OnSuccess>
void awaitBlocked(QWidget *window, Start start, OnSuccess onSuccess)
{
    auto block = blockInput(window);
    auto task = start();
    using T = typename blockedrequestdetail::TaskValue<decltype(task)>::type;
    whenDone<T>(std::move(task), [guard = QPointer<QWidget>(window), block,
                                  onSuccess = std::move(onSuccess)](Expected<T> result) {
        block->release();
        if (guard && result)
            onSuccess(*result);
    });
}
