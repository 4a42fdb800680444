#include "forms/mainForm.h"
#include "forms/commandRunner.h"
#include "testSupport.h"

#include <gtest/gtest.h>

#include <map>
#include <stdexcept>
#include <thread>

namespace ovcache::forms {
namespace {

// A front end that records what the shared rules ask of it.
class FakeWindow : public CommandRunner::Window {
public:
    void SetBusy(bool on) override
    {
        busy = on;
        ++busyChanges;
    }
    void ShowProgress(std::size_t done, std::size_t total) override { progress.emplace_back(done, total); }
    void HideProgress() override { ++progressHidden; }
    void KeepPainted() override { ++paints; }
    bool Shown() const override { return true; }
    void Failed(const std::string& what) override { failures.push_back(what); }

    bool busy = false;
    int busyChanges = 0, progressHidden = 0, paints = 0;
    std::vector<std::pair<std::size_t, std::size_t>> progress;
    std::vector<std::string> failures;
};

TEST(CommandRunner, runsOneCommandAtATimeAndShowsProgressOnlyForLongWork)
{
    FakeWindow window;
    CommandRunner runner(window);
    bool nested = true, busyInBox = true;
    ASSERT_TRUE(runner.Run([&] {
        runner.Progress(1, 4);
        // A click while it runs reaches the window's thread and is not taken.
        nested = runner.OnWindow([&] { return runner.Run([] { FAIL() << "a second command ran"; }); });
        busyInBox = runner.Modal([&] { return window.busy; });
    }));
    EXPECT_FALSE(nested);
    EXPECT_FALSE(busyInBox);              // the normal cursor while a box is up
    EXPECT_TRUE(window.progress.empty()); // short work shows none
    EXPECT_FALSE(window.busy);
    EXPECT_FALSE(runner.Busy());

    ASSERT_TRUE(runner.Run([&] {
        runner.Progress(3, 10);
        std::this_thread::sleep_for(kProgressAfter + 4 * kPaintEvery);
    }));
    ASSERT_FALSE(window.progress.empty());
    EXPECT_EQ(window.progress.back(), (std::pair<std::size_t, std::size_t>{3, 10}));
    EXPECT_EQ(window.progressHidden, 1);
    EXPECT_GT(window.paints, 1); // painted meanwhile, at its pace
    EXPECT_TRUE(window.failures.empty());
}

// What a command throws, or what the window throws on its behalf, is said to
// the player; it never reaches the toolkit's event handling.
TEST(CommandRunner, aFailureInACommandIsReportedAndTheNextCommandRuns)
{
    FakeWindow window;
    CommandRunner runner(window);
    EXPECT_TRUE(runner.Run([] { throw std::runtime_error("disk on fire"); }));
    EXPECT_TRUE(runner.Run([&] { runner.OnWindow([]() -> int { throw std::logic_error("window gone"); }); }));
    EXPECT_TRUE(runner.Run([] { throw 42; }));
    EXPECT_EQ(window.failures, (std::vector<std::string>{"disk on fire", "window gone", "An unknown failure."}));
    EXPECT_FALSE(window.busy);
    bool ran = false;
    EXPECT_TRUE(runner.Run([&] { ran = true; }));
    EXPECT_TRUE(ran);
}

struct FakeHooks final : WindowHooks {
    std::vector<std::vector<std::string>> added;
    std::vector<std::string> boxes;
    std::map<std::string, std::string, std::less<>> labels;
    std::function<void()> onLabel;
    MsgAnswer answer = MsgAnswer::OK; // to Yes/No boxes
    int quit = -1;

    void AddRows(const ListRows& entries) override { added.push_back(test::RowTexts(entries)); }
    void ClearRows() override { added.clear(); }
    std::string SelectedRow() const override { return {}; }
    void ShowLabel(std::string_view name, const std::string& caption) override
    {
        labels[std::string(name)] = caption;
        if (onLabel)
            onLabel();
    }
    MsgAnswer ShowBox(const std::string& text, const std::string& title, MsgIcon, MsgButtons buttons) override
    {
        boxes.push_back(title + ": " + text);
        return buttons == MsgButtons::YesNo ? answer : MsgAnswer::OK;
    }
    void ShowReportBox(const std::string& summary, const std::string&, const std::string& title) override
    {
        boxes.push_back(title + ": " + summary);
    }
    void Quit(int status) override { quit = status; }
    void SetBusy(bool) override {}
    void ShowProgress(std::size_t, std::size_t) override {}
    void HideProgress() override {}
    void KeepPainted() override {}
    bool Shown() const override { return false; }
};

class FakeForm : public MainForm {
public:
    FakeForm() : FakeForm(new FakeHooks) {}
    void mnuAbout_Click() override {}
    using MainForm::ShowResult;
    FakeHooks& window; // kept by the form

private:
    explicit FakeForm(FakeHooks* hooks) : MainForm(std::unique_ptr<WindowHooks>(hooks)), window(*hooks) {}
};

TEST(MainForm, theListIsFilledOnceAndAFailingCommandIsReportedInABox)
{
    test::TempPrefix prefix;
    prefix.MakeGame();
    prefix.AddCached("A");
    {
        FakeForm unlisted; // the index missing: a box, and never the window
        bool shown = false;
        unlisted.ShowWhenListed([&] { shown = true; });
        EXPECT_FALSE(unlisted.Form_Load());
        EXPECT_FALSE(shown);
        EXPECT_EQ(unlisted.window.boxes.size(), 1u);
    }
    prefix.WriteIndex({"[Cache]", "A=Zulu.kmx", "B=Alpha.kmx", "C=Mike.kmx"});
    FakeForm form;
    // shown once, with the list in and before its count is
    std::vector<std::size_t> shownWith;
    form.ShowWhenListed([&] { shownWith.push_back(form.window.added.size()); });
    form.window.onLabel = [&] { shownWith.push_back(99); };
    ASSERT_TRUE(form.Form_Load());
    EXPECT_EQ(shownWith, (std::vector<std::size_t>{99, 1, 99, 99}));
    ASSERT_EQ(form.window.added.size(), 1u); // all at once
    EXPECT_EQ(form.window.added[0], (std::vector<std::string>{"Zulu.kmx", "Alpha.kmx", "Mike.kmx"}));
    EXPECT_TRUE(form.window.boxes.empty());

    form.window.onLabel = [] { throw std::runtime_error("label lost"); };
    form.cmdMoveAll_Click();
    ASSERT_FALSE(form.window.boxes.empty());
    EXPECT_NE(form.window.boxes.back().find("label lost"), std::string::npos) << form.window.boxes.back();
    EXPECT_FALSE(form.Ended());
}

// What a command did, said in the form's boxes and labels, in the order the
// form has always shown them.
TEST(MainForm, aResultIsShownInTheFormsWordsAndOrder)
{
    test::TempPrefix prefix;
    prefix.MakeGame();
    prefix.WriteIndex({"[Cache]"});
    const std::string game = prefix.GameWin(), cache = prefix.CacheWin();
    const FileSystemError denied("MoveFile", game + "\\Maps\\A.kmx", FsErrorKind::AccessDenied, "Access is denied.");
    const auto result = [&](Ending ending) {
        CommandResult r;
        r.ending = ending;
        r.cacheFolder = cache;
        return r;
    };
    const struct {
        const char* what;
        CommandResult result;
        bool canRestart;
        MsgAnswer answer;
        std::vector<std::string> boxes;
        int quit; // -1: the program goes on
    } rows[] = {
        {"nothing selected",
         result(Ending::NothingSelected),
         false,
         MsgAnswer::OK,
         {"Choose File: No file chosen from the list box"},
         -1},
        {"not confirmed", result(Ending::NotConfirmed), false, MsgAnswer::OK, {}, -1},
        {"busy",
         result(Ending::Busy),
         false,
         MsgAnswer::OK,
         {"Move: Another copy of Orvane Cache Importer is working on the game in " + game +
          ".\nThis one changes nothing until that one has finished; try again then."},
         -1},
        {"the index gone",
         result(Ending::IndexMissing),
         false,
         MsgAnswer::OK,
         {"Move: The cache index was removed while this command worked, so the files it moved keep their places.",
          "Cache.ini Missing: Cache.ini not found in \"" + cache + "\".\nProgram cannot continue."},
         1},
        {"the map gone",
         result(Ending::Done),
         false,
         MsgAnswer::OK,
         {"Move: The cached file of A.kmx is no longer in the cache, so there was nothing to move. Its entry has "
          "been removed."},
         -1},
        {"refused, and restarted",
         result(Ending::Done),
         true,
         MsgAnswer::Yes,
         {"Move: A.kmx could not be moved into C:\\G\\Maps: Access is denied.\n\nIt was left as it was.",
          "Move: Windows did not let this program change the game's files in " + game +
              ".\nOnly a program run as administrator may change them. Restart Orvane Cache Importer as "
              "administrator and try again?"},
         0},
        {"refused where no restart can be",
         result(Ending::Done),
         false,
         MsgAnswer::Yes,
         {"Move: A.kmx could not be moved into C:\\G\\Maps: Access is denied.\n\nIt was left as it was."},
         -1},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        CommandResult shown = row.result;
        if (std::string(row.what) == "the index gone")
            shown.report.AddNote({NoteKind::IndexRemovedMeanwhile, cache + "\\cache.ini"});
        if (std::string(row.what) == "the map gone")
            shown.selected = SelectedFate::Gone;
        if (std::string(row.what).starts_with("refused"))
            shown.report.Add(
                {Why::Failed, "A.kmx", "C:\\G\\Cache\\K.uxx", "C:\\G\\Maps", denied.Reason(), denied.Kind()});
        FakeForm form;
        form.SetGameFolder(game);
        ASSERT_TRUE(form.Form_Load());
        int restarts = 0;
        if (row.canRestart)
            form.SetRestartAsAdministrator([&] { return ++restarts, true; });
        form.window.boxes.clear();
        form.window.answer = row.answer;
        form.ShowResult(shown, "Move", "A.kmx");
        EXPECT_EQ(form.window.boxes, row.boxes);
        EXPECT_EQ(form.window.quit, row.quit);
        EXPECT_EQ(restarts, row.quit == 0 ? 1 : 0);
    }
}

// The labels as the form words the figures: an emptied cache reads "0" and
// "0 Megabytes"; sizes follow the separator the window was given.
TEST(MainForm, figuresAreWordedInTheLabels)
{
    test::TempPrefix prefix;
    prefix.MakeGame();
    prefix.WriteIndex({"[Cache]"});
    FakeForm form;
    form.SetGroupSeparator(".");
    ASSERT_TRUE(form.Form_Load());
    CommandResult measured;
    measured.figures = CacheFigures{12, std::uint64_t{1234} * 1024 * 1024, false};
    form.ShowResult(measured, "Move All");
    EXPECT_EQ(form.window.labels["lblFileCountData"], "12");
    EXPECT_EQ(form.window.labels["lblCacheSizeData"], "1.234 Megabytes");
    measured.figures = CacheFigures{0, 0, true};
    form.ShowResult(measured, "Move All");
    EXPECT_EQ(form.window.labels["lblCacheSizeData"], "0 Megabytes");
}

} // namespace
} // namespace ovcache::forms
