#include "forms/mainForm.h"
#include "forms/commandRunner.h"
#include "testSupport.h"

#include <gtest/gtest.h>

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
    std::function<void()> onLabel;

    void AddRows(const ListRows& entries) override { added.push_back(test::RowTexts(entries)); }
    void ClearRows() override { added.clear(); }
    std::string SelectedRow() const override { return {}; }
    void ShowLabel(std::string_view, const std::string&) override
    {
        if (onLabel)
            onLabel();
    }
    MsgAnswer ShowBox(const std::string& text, const std::string&, MsgIcon, MsgButtons) override
    {
        boxes.push_back(text);
        return MsgAnswer::OK;
    }
    void ShowReportBox(const std::string& summary, const std::string&, const std::string&) override
    {
        boxes.push_back(summary);
    }
    void Quit(int) override {}
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

} // namespace
} // namespace ovcache::forms
