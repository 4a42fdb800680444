#pragma once
// One command at a time on a thread of its own, while the window's thread
// paints the window and answers the system every few hundredths of a second,
// taking no click or key meanwhile. Whatever the command asks of the window
// (a box, a label, the list) is done on the window's thread while the
// command waits. A command that throws is reported, never let out into the
// toolkit's event handling, where nothing would catch it.
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <functional>
#include <future>
#include <mutex>
#include <string>
#include <thread>

namespace ovcache::forms {

// How often the window is painted while a command works, and how long work
// goes before the progress shows: often enough that the system never takes
// the window for hung, late enough that short work shows none.
inline constexpr std::chrono::milliseconds kPaintEvery{40};
inline constexpr std::chrono::milliseconds kProgressAfter{500};

class CommandRunner {
public:
    // What the runner asks of the window, on the window's thread.
    class Window {
    public:
        // The busy cursor, on or off.
        virtual void SetBusy(bool busy) = 0;
        // The progress of long work, shown or updated; and taken away.
        virtual void ShowProgress(std::size_t done, std::size_t total) = 0;
        virtual void HideProgress() = 0;
        // Paints what waits to be painted, taking no click or key meanwhile.
        virtual void KeepPainted() = 0;
        virtual bool Shown() const = 0;
        // What a command threw, said to the player.
        virtual void Failed(const std::string& what) = 0;

    protected:
        ~Window() = default;
    };

    explicit CommandRunner(Window& window) : window_(window) {}
    CommandRunner(const CommandRunner&) = delete;
    CommandRunner& operator=(const CommandRunner&) = delete;

    // Runs the command to its end; false, and nothing run, while another
    // command runs. Called on the window's thread.
    bool Run(const std::function<void()>& command);
    bool Busy() const { return busy_; }

    // Does the work on the window's thread, waiting for it when called from
    // the command's.
    template <typename Work> auto OnWindow(Work work) -> decltype(work());
    // Runs a modal box's work with the busy cursor and the progress out of
    // its way, on the window's thread.
    template <typename Show> auto Modal(Show show) -> decltype(show());
    // Only noted: the window's thread shows it at its own pace.
    void Progress(std::size_t done, std::size_t total)
    {
        total_ = total;
        done_ = done;
    }

private:
    using Clock = std::chrono::steady_clock;
    // Runs what the command asks of the window, and paints, until it ends.
    void Serve();
    void Post(std::function<void()> call);

    Window& window_;
    const std::thread::id windowThread_ = std::this_thread::get_id();
    bool busy_ = false, progressShown_ = false;
    Clock::time_point busySince_;
    std::mutex mutex_;
    std::condition_variable wake_;
    std::deque<std::function<void()>> calls_; // from the command, for the window's thread
    bool commandDone_ = false;
    std::atomic<std::size_t> done_{0}, total_{0};
};

template <typename Work> auto CommandRunner::OnWindow(Work work) -> decltype(work())
{
    if (std::this_thread::get_id() == windowThread_)
        return work();
    std::packaged_task<decltype(work())()> task(std::move(work));
    auto result = task.get_future();
    Post([&task] { task(); });
    return result.get();
}

template <typename Show> auto CommandRunner::Modal(Show show) -> decltype(show())
{
    return OnWindow([this, &show] {
        if (progressShown_)
            window_.HideProgress();
        if (busy_)
            window_.SetBusy(false);
        struct Restore {
            CommandRunner& runner;
            ~Restore()
            {
                if (runner.busy_)
                    runner.window_.SetBusy(true);
                if (runner.progressShown_)
                    runner.window_.ShowProgress(runner.done_, runner.total_);
            }
        } restore{*this};
        return show();
    });
}

} // namespace ovcache::forms
