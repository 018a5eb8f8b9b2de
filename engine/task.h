// A search that can stop in the middle and go on later: each recursive step of the search is a
// coroutine that awaits its children, so the whole line of play being examined can be suspended
// at any node and resumed from there in the next slice of time, with no thread.
//
// The steps do not call each other: awaiting a child, or ending, only names the step that is to
// run next, and a driver loop resumes it. So the machine stack stays flat however deep the search
// goes, and no tail calls are needed (WebAssembly without its tail-call feature has none).
#pragma once

#include <exception>
#include <utility>

// Emscripten's C++ library still has coroutines under std::experimental only.
#if __has_include(<coroutine>)
#include <coroutine>
namespace engine::coro
{
using std::coroutine_handle;
using std::suspend_always;
} // namespace engine::coro
#else
#include <experimental/coroutine>
namespace engine::coro
{
using std::experimental::coroutine_handle;
using std::experimental::suspend_always;
} // namespace engine::coro
#endif

namespace engine
{

// The driver loop's one slot: the step to resume next, or none when the slice is over.
struct Driver
{
    coro::coroutine_handle<> next;

    // Resumes steps until none is named: a pause, or the end of the outermost.
    void run(coro::coroutine_handle<> first)
    {
        next = first;
        while (next)
        {
            coro::coroutine_handle<> h = next;
            next = nullptr;
            h.resume();
        }
    }
};

// The result of one coroutine step of the search. Awaiting it runs the step, which hands its
// value back to the awaiting step when it ends.
template <class T> class [[nodiscard]] Task
{
public:
    struct promise_type
    {
        T value{};
        coro::coroutine_handle<> caller; // named next when this step ends; none for the outermost
        Driver *driver = nullptr;

        Task get_return_object()
        {
            return Task{coro::coroutine_handle<promise_type>::from_promise(*this)};
        }
        coro::suspend_always initial_suspend() noexcept { return {}; }
        auto final_suspend() noexcept
        {
            struct BackToCaller
            {
                bool await_ready() noexcept { return false; }
                void await_suspend(coro::coroutine_handle<promise_type> h) noexcept
                {
                    h.promise().driver->next = h.promise().caller;
                }
                void await_resume() noexcept {}
            };
            return BackToCaller{};
        }
        void return_value(T v) { value = std::move(v); }
        void unhandled_exception() { std::terminate(); }
    };

    explicit Task(coro::coroutine_handle<promise_type> h) : handle(h) {}
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

    // Awaiting: the child runs next, and the awaiting step waits for its value.
    bool await_ready() const noexcept { return false; }
    template <class P> void await_suspend(coro::coroutine_handle<P> caller) noexcept
    {
        handle.promise().caller = caller;
        handle.promise().driver = caller.promise().driver;
        handle.promise().driver->next = handle;
    }
    T await_resume() { return std::move(handle.promise().value); }

    // For the outermost step, driven by hand through `driver`.
    coro::coroutine_handle<promise_type> coroutine(Driver *driver) const
    {
        handle.promise().driver = driver;
        return handle;
    }
    bool done() const { return !handle || handle.done(); }

private:
    void destroy()
    {
        if (handle)
        {
            handle.destroy();
            handle = {};
        }
    }

    coro::coroutine_handle<promise_type> handle;
};

} // namespace engine
