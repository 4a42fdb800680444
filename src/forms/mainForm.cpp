#include "forms/mainForm.h"

#include "catalogue/commands.h"

#include <utility>

namespace ovcache::forms {

bool MainForm::Form_Load(std::unique_ptr<FileSystemService> fso)
{
    bool loaded = false;
    RunCommand([&] { loaded = StartUp(state_, *this, fso ? std::move(fso) : CreateFileSystemService()); });
    showWhenListed_ = nullptr; // only the start shows the window
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

void MainForm::RunCommand(const std::function<void()>& command)
{
    // A click while a command runs is not taken: one command at a time.
    if (runner_.Run(command))
        FlushList();
}

void MainForm::Failed(const std::string& what)
{
    FlushList();
    hooks_->ShowBox("The command stopped on a failure it did not expect: " + what +
                        "\nWhatever it left unfinished is put in order when the program next starts.",
                    kProgramTitle, MsgIcon::Critical, MsgButtons::OK);
}

void MainForm::FlushList()
{
    ListRows entries;
    {
        const std::lock_guard<std::mutex> lock(pendingMutex_);
        entries = std::exchange(pending_, {});
    }
    // Entries arrive in index order and go in at once, ordered once, not one
    // at a time.
    if (!entries.empty())
        hooks_->AddRows(entries);
}

void MainForm::ClearList()
{
    runner_.OnWindow([this] {
        {
            const std::lock_guard<std::mutex> lock(pendingMutex_);
            pending_.clear();
        }
        hooks_->ClearRows();
    });
}

void MainForm::AddListEntry(std::string_view text)
{
    // Gathered, not shown one by one: the list takes them all at once.
    const std::lock_guard<std::mutex> lock(pendingMutex_);
    pending_.push_back(text);
}

std::string MainForm::SelectedEntry()
{
    return runner_.OnWindow([this] {
        FlushList();
        return hooks_->SelectedRow();
    });
}

void MainForm::SetLabel(DataLabel label, const std::string& caption)
{
    // The labels follow the list, and the cache is still being measured for
    // the last two: the list is filled now, meanwhile.
    runner_.OnWindow([&] {
        FlushList();
        hooks_->ShowLabel(label == DataLabel::Path        ? "lblPathData"
                          : label == DataLabel::FileCount ? "lblFileCountData"
                                                          : "lblCacheSizeData",
                          caption);
        if (showWhenListed_)
            std::exchange(showWhenListed_, nullptr)();
    });
}

MsgAnswer MainForm::MsgBox(const std::string& text, const std::string& title, MsgIcon icon, MsgButtons buttons)
{
    return runner_.Modal([&] {
        FlushList();
        return hooks_->ShowBox(text, title, icon, buttons);
    });
}

void MainForm::ShowReport(const std::string& summary, const std::string& details, const std::string& title)
{
    runner_.Modal([&] {
        FlushList();
        hooks_->ShowReportBox(summary, details, title);
        return 0;
    });
}

void MainForm::EndProgram(int exitCode)
{
    runner_.OnWindow([this, exitCode] {
        ended_ = true;
        exitCode_ = exitCode;
        hooks_->Quit(exitCode);
    });
}

} // namespace ovcache::forms
