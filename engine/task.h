// A search that can stop in the middle and go on later: each recursive step of the search is a
// coroutine that awaits its children, so the whole line of play being examined can be suspended
// at any node and resumed from there in the next slice of time, with no thread.
#pragma once

#include <coroutine>
#include <exception>
#include <utility>

namespace engine
{

// The result of one coroutine step of the search. Awaiting it runs the step, which hands its
// value back to the awaiting step when it ends.
template <class T> class [[nodiscard]] Task
{
public:
    struct promise_type
    {
        T value{};
        std::coroutine_handle<> caller; // resumed when this step ends; none for the outermost

        Task get_return_object()
        {
            return Task{std::coroutine_handle<promise_type>::from_promise(*this)};
        }
        std::suspend_always initial_suspend() noexcept { return {}; }
        auto final_suspend() noexcept
        {
            struct BackToCaller
            {
                bool await_ready() noexcept { return false; }
                std::coroutine_handle<>
                await_suspend(std::coroutine_handle<promise_type> h) noexcept
                {
                    std::coroutine_handle<> caller = h.promise().caller;
                    return caller ? caller : std::noop_coroutine();
                }
                void await_resume() noexcept {}
            };
            return BackToCaller{};
        }
        void return_value(T v) { value = std::move(v); }
        void unhandled_exception() { std::terminate(); }
    };

    explicit Task(std::coroutine_handle<promise_type> h) : handle(h) {}
    Task(Task &&other) noexcept : handle(std::exchange(other.handle, {})) {}
    Task &operator=(Task &&other) noexcept
    {
        if (this != &other)
        {
            destroy();
            handle = std::exchange(other.handle, {});
        }
        return *this;
    }
    Task(const Task &) = delete;
    Task &operator=(const Task &) = delete;
    ~Task() { destroy(); }

    // Awaiting: the child starts at once and the awaiting step waits for its value.
    bool await_ready() const noexcept { return false; }
    std::coroutine_handle<> await_suspend(std::coroutine_handle<> caller) noexcept
    {
        handle.promise().caller = caller;
        return handle;
    }
    T await_resume() { return std::move(handle.promise().value); }

    // For the outermost step, driven by hand.
    std::coroutine_handle<promise_type> coroutine() const { return handle; }
    bool done() const { return !handle || handle.done(); }
    const T &result() const { return handle.promise().value; }

private:
    void destroy()
    {
        if (handle)
        {
            handle.destroy();
            handle = {};
        }
    }

    std::coroutine_handle<promise_type> handle;
};

} // namespace engine
