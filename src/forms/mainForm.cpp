#include "forms/mainForm.h"

#include "catalogue/destinations.h"

#include <exception>
#include <utility>

namespace ovcache::forms {

std::string OverwriteQuestion(const std::string& gameFolder, const std::string& name)
{
    return Fill(T("File Already Exists {path}\nDo you wisht to overwrite?"),
                {{"path", DestinationPath(gameFolder, EntryKind::Map, name)}});
}

std::string ClearQuestion(const std::string& cacheFolder)
{
    return Fill(T("This will delete all files under {folder}\nDo you wish to continue?"), {{"folder", cacheFolder}});
}

std::string RestartQuestion(const std::string& gameFolder)
{
    return Fill(T("Windows did not let this program change the game's files in {folder}.\nOnly a program run as "
                  "administrator may change them. Restart Orvane Cache Importer as administrator and try again?"),
                {{"folder", gameFolder}});
}

std::string UnexpectedFailureText(const std::string& what)
{
    return Fill(T("The command stopped on a failure it did not expect: {failure}\nWhatever it left unfinished is put "
                  "in order when the program next starts."),
                {{"failure", what}});
}

bool MainForm::Form_Load(std::unique_ptr<FileSystemService> fso)
{
    std::optional<Opening> opening;
    listShown_ = false;
    runner_.Run([&] {
        opening.emplace(
            OpenGame(fso ? std::move(fso) : CreateFileSystemService(), folder_, CommandProgress(), true, options_));
    });
    if (opening) {
        game_.emplace(opening->game);
        try {
            if (opening->repair == Ending::Busy)
                Box(BusyText(game_->Folder()), kProgramTitle, MsgIcon::None, MsgButtons::OK);
            ShowResult(opening->result, kProgramTitle);
        } catch (const std::exception& e) {
            Failed(e.what());
        }
    }
    showWhenListed_ = nullptr; // only the start shows the window
    return game_ && !ended_;
}

void MainForm::LoadCacheList()
{
    RunCommand([this] { return ovcache::LoadCacheList(*game_, CommandProgress()); }, kProgramTitle);
}

void MainForm::cmdClear_Click()
{
    RunCommand([this] { return ClearCache(*game_, *this, CommandProgress()); }, T(kClearTitle));
}

void MainForm::cmdMove_Click()
{
    const std::string selected = SelectedEntry();
    RunCommand([this, &selected] { return MoveSelectedMap(*game_, selected, *this, CommandProgress()); }, T("Move"),
               selected);
}

void MainForm::cmdMoveAll_Click()
{
    RunCommand([this] { return MoveAllCached(*game_, *this, CommandProgress()); }, T("Move All"));
}

void MainForm::RunCommand(const std::function<CommandResult()>& command, const std::string& title,
                          const std::string& selected)
{
    if (!game_ || runner_.Busy())
        return; // a click while a command runs is not taken: one command at a time
    std::optional<CommandResult> result;
    listShown_ = false;
    runner_.Run([&] { result.emplace(command()); });
    if (!result)
        return; // it failed, and the player has been told
    // Shown on the window's thread, where nothing catches for the toolkit.
    try {
        ShowResult(*result, title, selected);
    } catch (const std::exception& e) {
        Failed(e.what());
    }
}

Progress MainForm::CommandProgress()
{
    Progress progress;
    progress.step = [this](std::size_t done, std::size_t total) { runner_.Progress(done, total); };
    progress.listed = [this](const ListRows& rows, const std::string& cacheFolder) {
        runner_.OnWindow([&] {
            ShowList(rows, cacheFolder);
            listShown_ = true;
            if (showWhenListed_)
                std::exchange(showWhenListed_, nullptr)();
        });
    };
    return progress;
}

void MainForm::ShowList(const ListRows& rows, const std::string& cacheFolder)
{
    // All at once, ordered once, not one at a time.
    hooks_->ClearRows();
    if (!rows.empty())
        hooks_->AddRows(rows);
    hooks_->ShowLabel("lblPathData", cacheFolder);
}

void MainForm::ShowResult(const CommandResult& result, const std::string& title, const std::string& selected)
{
    switch (result.ending) {
    case Ending::NothingSelected:
        Box(T(kNothingChosen), T(kChooseFileTitle), MsgIcon::None, MsgButtons::OK);
        return;
    case Ending::NotConfirmed:
        return;
    case Ending::Busy:
        Box(BusyText(game_->Folder()), title, MsgIcon::None, MsgButtons::OK);
        break;
    case Ending::Done:
    case Ending::Refused:
    case Ending::IndexMissing:
        break;
    }
    if (result.list && !listShown_)
        ShowList(*result.list, result.cacheFolder);
    if (result.figures) {
        hooks_->ShowLabel("lblFileCountData", FileCountText(*result.figures));
        hooks_->ShowLabel("lblCacheSizeData", SizeText(*result.figures, groupSeparator_));
    }
    const auto report = [&] {
        if (!result.report.Empty())
            hooks_->ShowReportBox(ReportSummary(result.report), ReportDetails(result.report), title);
    };
    if (result.ending == Ending::IndexMissing) {
        // what the command has to report comes before the box that ends the program
        report();
        Box(MissingIndexText(result.cacheFolder), T(kMissingIndexTitle), MsgIcon::Critical, MsgButtons::OK);
        EndProgram(1);
        return;
    }
    if (result.selected != SelectedFate::Handled)
        Box(SelectedFateText(result.selected, selected), title, MsgIcon::None, MsgButtons::OK);
    report();
    // Where Windows refused this program the game's folders, the way out:
    // the same program run as administrator.
    if (result.report.Denied() && restart_ &&
        Box(RestartQuestion(game_->Folder()), title, MsgIcon::None, MsgButtons::YesNo) == MsgAnswer::Yes && restart_())
        EndProgram(0);
}

MsgAnswer MainForm::Box(const std::string& text, const std::string& title, MsgIcon icon, MsgButtons buttons)
{
    return runner_.Modal([&] { return hooks_->ShowBox(text, title, icon, buttons); });
}

ExistingMap MainForm::MapExists(const std::string& gameFolder, std::string_view name)
{
    const MsgAnswer answer =
        Box(OverwriteQuestion(gameFolder, std::string(name)), T(kFileExistsTitle), MsgIcon::None, MsgButtons::YesNo);
    return answer == MsgAnswer::Yes ? ExistingMap::Replace : ExistingMap::Discard;
}

bool MainForm::ConfirmClear(const std::string& cacheFolder)
{
    return Box(ClearQuestion(cacheFolder), T(kClearTitle), MsgIcon::None, MsgButtons::YesNo) == MsgAnswer::Yes;
}

void MainForm::Failed(const std::string& what)
{
    hooks_->ShowBox(UnexpectedFailureText(what), kProgramTitle, MsgIcon::Critical, MsgButtons::OK);
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
