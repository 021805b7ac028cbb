#pragma once

#include <QObject>

#include <coroutine>
#include <exception>
#include <functional>
#include <utility>

namespace tessaro {

// One step sequence of the programmer link, as a coroutine: it runs until its
// first wait, goes back to the event loop, and goes on when the timer or the
// signal it waits for comes. Awaited by another sequence, it goes on with
// that one at its end; started on its own, it calls `done` with its result.
// Nothing is started until start() or co_await; the frame goes with the task.
class [[nodiscard]] LinkTask
{
public:
    struct promise_type;
    using Handle = std::coroutine_handle<promise_type>;

    struct promise_type {
        bool result = false;
        std::coroutine_handle<> continuation;
        std::function<void(bool)> done;

        LinkTask get_return_object() { return LinkTask(Handle::from_promise(*this)); }
        std::suspend_always initial_suspend() noexcept { return {}; }
        struct FinalStep {
            bool await_ready() noexcept { return false; }
            std::coroutine_handle<> await_suspend(Handle handle) noexcept
            {
                promise_type& promise = handle.promise();
                if (promise.continuation)
                    return promise.continuation;
                // The frame stays (suspended at its end) until its task goes.
                if (auto tell = std::move(promise.done))
                    tell(promise.result);
                return std::noop_coroutine();
            }
            void await_resume() noexcept {}
        };
        FinalStep final_suspend() noexcept { return {}; }
        void return_value(bool value) { result = value; }
        void unhandled_exception() { std::terminate(); }
    };

    LinkTask(LinkTask&& other) noexcept : m_handle(std::exchange(other.m_handle, {})) {}
    LinkTask& operator=(LinkTask&& other) noexcept
    {
        if (this != &other) {
            reset();
            m_handle = std::exchange(other.m_handle, {});
        }
        return *this;
    }
    LinkTask(const LinkTask&) = delete;
    LinkTask& operator=(const LinkTask&) = delete;
    ~LinkTask() { reset(); }

    // Runs the sequence up to its first wait; `done` hears its result at its end.
    void start(std::function<void(bool)> done)
    {
        m_handle.promise().done = std::move(done);
        m_handle.resume();
    }
    [[nodiscard]] bool finished() const { return !m_handle || m_handle.done(); }

    bool await_ready() const noexcept { return false; }
    std::coroutine_handle<> await_suspend(std::coroutine_handle<> caller) noexcept
    {
        m_handle.promise().continuation = caller;
        return m_handle;
    }
    bool await_resume() const noexcept { return m_handle.promise().result; }

private:
    explicit LinkTask(Handle handle) : m_handle(handle) {}
    void reset()
    {
        if (m_handle)
            std::exchange(m_handle, {}).destroy();
    }

    Handle m_handle;
};

// Waits in a LinkTask for the next emission of `signal` by `sender`. The
// connection goes when the signal came or the waiting sequence is destroyed.
template <typename Sender, typename Signal>
class SignalWait
{
public:
    SignalWait(Sender* sender, Signal signal) : m_sender(sender), m_signal(signal) {}
    SignalWait(const SignalWait&) = delete;
    SignalWait& operator=(const SignalWait&) = delete;
    ~SignalWait() { QObject::disconnect(m_connection); }

    bool await_ready() const noexcept { return false; }
    void await_suspend(std::coroutine_handle<> handle)
    {
        m_connection = QObject::connect(m_sender, m_signal, m_sender, [this, handle](auto&&...) {
            QObject::disconnect(m_connection);
            handle.resume();
        });
    }
    void await_resume() const noexcept {}

private:
    Sender* m_sender;
    Signal m_signal;
    QMetaObject::Connection m_connection;
};

}  // namespace tessaro
