#include "forms/commandRunner.h"

#include "words/translation.h"

#include <exception>
#include <optional>

namespace ovcache::forms {

bool CommandRunner::Run(const std::function<void()>& command)
{
    if (busy_)
        return false;
    busy_ = true;
    busySince_ = Clock::now();
    done_ = 0;
    total_ = 0;
    commandDone_ = false;
    window_.SetBusy(true);
    std::optional<std::string> failure;
    std::thread worker([&] {
        try {
            command();
        } catch (const std::exception& e) {
            failure = e.what();
        } catch (...) {
            failure = T("An unknown failure.");
        }
        const std::lock_guard<std::mutex> lock(mutex_);
        commandDone_ = true;
        wake_.notify_one();
    });
    Serve();
    worker.join();
    if (progressShown_)
        window_.HideProgress();
    progressShown_ = false;
    window_.SetBusy(false);
    busy_ = false;
    if (failure)
        window_.Failed(*failure);
    return true;
}

void CommandRunner::Post(std::function<void()> call)
{
    const std::lock_guard<std::mutex> lock(mutex_);
    calls_.push_back(std::move(call));
    wake_.notify_one();
}

void CommandRunner::Serve()
{
    for (;;) {
        std::function<void()> call;
        {
            std::unique_lock<std::mutex> lock(mutex_);
            wake_.wait_for(lock, kPaintEvery, [this] { return !calls_.empty() || commandDone_; });
            if (!calls_.empty()) {
                call = std::move(calls_.front());
                calls_.pop_front();
            } else if (commandDone_) {
                return;
            }
        }
        if (call) {
            call();
            continue;
        }
        if (!progressShown_ && Clock::now() - busySince_ >= kProgressAfter && total_ > 0 && window_.Shown())
            progressShown_ = true;
        if (progressShown_)
            window_.ShowProgress(done_, total_);
        window_.KeepPainted();
    }
}

} // namespace ovcache::forms
