#pragma once

#include "device/expected.h"

#include <QTimer>

#include <coroutine>
#include <exception>
#include <functional>
#include <optional>
#include <utility>

// A resumable device routine over the Qt event loop. It starts running when called, can be
// awaited by another routine, and delivers Expected<T>: the value or the error code.
//
// A Task that is dropped before its routine finished detaches: the routine runs on and frees
// itself at the end. Whoever resumes a routine later (a timer, a command completion) must
// therefore never depend on the Task object still existing.
template <typename T> class [[nodiscard]] Task
{
public:
    struct promise_type;
    using Handle = std::coroutine_handle<promise_type>;

    struct promise_type
    {
        std::optional<Expected<T>> result;
        std::coroutine_handle<> continuation;
        bool detached = false;

        Task get_return_object() { return Task(Handle::from_promise(*this)); }
        std::suspend_never initial_suspend() noexcept { return {}; }

        struct FinalAwaiter
        {
            bool await_ready() noexcept { return false; }
            std::coroutine_handle<> await_suspend(Handle routine) noexcept
            {
                promise_type &promise = routine.promise();
                if (promise.detached) {
                    routine.destroy();
                    return std::noop_coroutine();
                }
                if (promise.continuation)
                    return promise.continuation;
                return std::noop_coroutine();
            }
            void await_resume() noexcept {}
        };
        FinalAwaiter final_suspend() noexcept { return {}; }

        void return_value(Expected<T> value) { result.emplace(std::move(value)); }
        // Device routines report failures as error codes; an exception is a programming error.
        void unhandled_exception() noexcept { std::terminate(); }
    };

    Task(Task &&other) noexcept
        : m_handle(std::exchange(other.m_handle, {}))
    {}
    Task &operator=(Task &&other) noexcept
    {
        if (this != &other) {
            release();
            m_handle = std::exchange(other.m_handle, {});
        }
        return *this;
    }
    Task(const Task &) = delete;
    Task &operator=(const Task &) = delete;
    ~Task() { release(); }

    [[nodiscard]] bool isReady() const { return m_handle && m_handle.done(); }
    // Only once isReady().
    [[nodiscard]] const Expected<T> &result() const { return *m_handle.promise().result; }

    struct Awaiter
    {
        Handle routine;
        bool await_ready() const noexcept { return routine.done(); }
        void await_suspend(std::coroutine_handle<> awaiting) noexcept
        {
            routine.promise().continuation = awaiting;
        }
        Expected<T> await_resume() { return std::move(*routine.promise().result); }
    };
    Awaiter operator co_await() const noexcept { return Awaiter{m_handle}; }

private:
    explicit Task(Handle handle)
        : m_handle(handle)
    {}

    void release()
    {
        if (!m_handle)
            return;
        if (m_handle.done())
            m_handle.destroy();
        else
            m_handle.promise().detached = true;
        m_handle = {};
    }

    Handle m_handle;
};

namespace taskdetail {
template <typename T> Task<bool> deliver(Task<T> task, std::function<void(Expected<T>)> done)
{
    done(co_await task);
    co_return true;
}
} // namespace taskdetail

// Hands the result of `task` to `done` once it is there, for callers that are not routines.
template <typename T> void whenDone(Task<T> task, std::function<void(Expected<T>)> done)
{
    // Dropping the delivering routine's Task detaches it; it frees itself after `done`.
    (void)taskdetail::deliver(std::move(task), std::move(done));
}

// Resumes the awaiting routine after `ms` milliseconds from the calling thread's event loop;
// 0 defers it behind everything already queued. No object guards the timer, so the routine is
// resumed in every case and must itself check that what it works on still exists.
class TimerAwaitable
{
public:
    explicit TimerAwaitable(int ms)
        : m_ms(ms)
    {}
    bool await_ready() const noexcept { return false; }
    void await_suspend(std::coroutine_handle<> routine) const
    {
        QTimer::singleShot(m_ms, [routine] { routine.resume(); });
    }
    void await_resume() const noexcept {}

private:
    int m_ms;
};
