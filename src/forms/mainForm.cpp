#include "forms/mainForm.h"

#include "catalogue/commands.h"
#include "forms/formTable.h"

#include <array>
#include <exception>
#include <future>
#include <utility>

namespace ovcache::forms {
namespace {

constexpr std::array kMainControls{
    Control{"frmCacheDir", Kind::Frame, "", "Cache Directory Information", 120, 120, 4215, 1095, 5},
    Control{"lblCacheSize", Kind::Label, "frmCacheDir", "Cache Size:", 120, 720, 1215, 255, 11},
    Control{"lblCacheSizeData", Kind::Label, "frmCacheDir", kPlaceholder, 1560, 720, 2535, 255, 10},
    Control{"lblFileCount", Kind::Label, "frmCacheDir", "Number of Files:", 120, 480, 1215, 255, 9},
    Control{"lblFileCountData", Kind::Label, "frmCacheDir", kPlaceholder, 1560, 480, 2535, 255, 8},
    Control{"lblPathData", Kind::Label, "frmCacheDir", kPlaceholder, 1560, 240, 2535, 255, 7},
    Control{"lblPath", Kind::Label, "frmCacheDir", "Cache Directory:", 120, 240, 1215, 255, 6},
    Control{"frmMaps", Kind::Frame, "", "Cached Maps", 120, 1320, 4215, 2535, 3},
    Control{"lstCache", Kind::ListBox, "frmMaps", "", 120, 240, 3975, 2205, 4},
    Control{"cmdMoveAll", Kind::Button, "", "Move All", 1560, 3960, 1215, 375, 2},
    Control{"cmdClear", Kind::Button, "", "Clear Cache", 3000, 3960, 1335, 375, 1},
    Control{"cmdMove", Kind::Button, "", "Move", 120, 3960, 1215, 375, 0},
};

constexpr std::array kMainMenus{
    MenuItem{"mnuFile", "&File", ""},
    MenuItem{"mnuExit", "E&xit", "mnuFile"},
    MenuItem{"mnuEdit", "&Edit", ""},
    MenuItem{"mnuMove", "&Move", "mnuEdit"},
    MenuItem{"mnuMoveAll", "Move &All", "mnuEdit"},
    MenuItem{"mnuSeparator", "-", "mnuEdit"},
    MenuItem{"mnuClearCache", "&Clear Cache", "mnuEdit"},
    MenuItem{"mnuHelp", "&Help", ""},
    MenuItem{"mnuAbout", "&About", "mnuHelp"},
};

} // namespace

const Form kMainForm{"frmOVCache", "Orvane Cache Importer", 4455, 4485, kMainControls, kMainMenus, {}};

bool MainForm::Form_Load(std::unique_ptr<FileSystemService> fso)
{
    bool loaded = false;
    RunCommand([&] { loaded = StartUp(state_, *this, fso ? std::move(fso) : CreateFileSystemService()); });
    return loaded && !ended_;
}

void MainForm::cmdClear_Click()
{
    RunCommand([this] { ClearCache(state_, *this); });
}

void MainForm::cmdMove_Click()
{
    RunCommand([this] { MoveSelectedMap(state_, *this); });
}

void MainForm::cmdMoveAll_Click()
{
    RunCommand([this] { MoveAllCached(state_, *this); });
}

template <typename Command> void MainForm::RunCommand(Command command)
{
    // One command at a time: the window takes no other until this one ends.
    if (busy_)
        return;
    busy_ = true;
    busySince_ = Clock::now();
    done_ = 0;
    total_ = 0;
    commandDone_ = false;
    SetBusy(true);
    std::exception_ptr failure;
    std::thread worker([&] {
        try {
            command();
        } catch (...) {
            failure = std::current_exception();
        }
        const std::lock_guard<std::mutex> lock(mutex_);
        commandDone_ = true;
        wake_.notify_one();
    });
    Serve();
    worker.join();
    FlushList();
    if (progressShown_)
        HideProgress();
    progressShown_ = false;
    SetBusy(false);
    busy_ = false;
    if (failure)
        std::rethrow_exception(failure);
}

void MainForm::Serve()
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
        if (!progressShown_ && Clock::now() - busySince_ >= kProgressAfter && total_ > 0 && Shown())
            progressShown_ = true;
        if (progressShown_)
            ShowProgress(done_, total_);
        KeepPainted();
    }
}

template <typename Work> auto MainForm::OnWindow(Work work) -> decltype(work())
{
    if (std::this_thread::get_id() == window_)
        return work();
    std::packaged_task<decltype(work())()> task(std::move(work));
    auto result = task.get_future();
    {
        const std::lock_guard<std::mutex> lock(mutex_);
        calls_.emplace_back([&task] { task(); });
        wake_.notify_one();
    }
    return result.get();
}

void MainForm::Progress(std::size_t done, std::size_t total)
{
    // Only noted: the window's thread shows it at its own pace.
    total_ = total;
    done_ = done;
}

template <typename Show> auto MainForm::Modal(Show show)
{
    return OnWindow([this, &show] {
        FlushList();
        if (progressShown_)
            HideProgress();
        if (busy_)
            SetBusy(false);
        auto answer = show();
        if (busy_)
            SetBusy(true);
        if (progressShown_)
            ShowProgress(done_, total_);
        return answer;
    });
}

void MainForm::FlushList() const
{
    auto* self = const_cast<MainForm*>(this);
    std::vector<std::string> entries;
    {
        const std::lock_guard<std::mutex> lock(self->mutex_);
        entries = std::exchange(pending_, {});
    }
    // Entries arrive in index order and go in at once, sorted once, not one
    // at a time.
    if (!entries.empty())
        self->AddRows(std::move(entries));
}

void MainForm::ClearList()
{
    OnWindow([this] {
        {
            const std::lock_guard<std::mutex> lock(mutex_);
            pending_.clear();
        }
        ClearRows();
    });
}

void MainForm::AddListEntry(const std::string& text)
{
    // Gathered, not shown one by one: the list takes them all at once.
    const std::lock_guard<std::mutex> lock(mutex_);
    pending_.push_back(text);
}

std::string MainForm::SelectedEntry() const
{
    return const_cast<MainForm*>(this)->OnWindow([this] {
        FlushList();
        return SelectedRow();
    });
}

void MainForm::SetLabel(DataLabel label, const std::string& caption)
{
    // The labels follow the list, and the cache is still being measured for
    // the last two: the list is filled now, meanwhile.
    OnWindow([&] {
        FlushList();
        ShowLabel(label == DataLabel::Path        ? "lblPathData"
                  : label == DataLabel::FileCount ? "lblFileCountData"
                                                  : "lblCacheSizeData",
                  caption);
    });
}

MsgAnswer MainForm::MsgBox(const std::string& text, const std::string& title, MsgIcon icon, MsgButtons buttons)
{
    return Modal([&] { return ShowBox(text, title, icon, buttons); });
}

void MainForm::ShowReport(const std::string& summary, const std::string& details, const std::string& title)
{
    Modal([&] {
        ShowReportBox(summary, details, title);
        return 0;
    });
}

void MainForm::EndProgram(int exitCode)
{
    OnWindow([this, exitCode] {
        ended_ = true;
        exitCode_ = exitCode;
        Quit(exitCode);
    });
}

} // namespace ovcache::forms
