#include "catalogue/commands.h"
#include "testSupport.h"

#include <gtest/gtest.h>

namespace ovcache {
namespace {

using test::FakeView;
using test::TempPrefix;
using test::WriteFile;
namespace fs = std::filesystem;

class ClearTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        prefix.MakeGame();
        prefix.WriteIndex({"[Cache]", "A=One.kmx"});
        prefix.AddCached("A");
        WriteFile(prefix.Cache() / "cache.bak", "left over");
        ASSERT_TRUE(Form_Load(state, view, CreateFileSystemService()));
    }
    std::size_t CacheFiles() const
    {
        return static_cast<std::size_t>(
            std::distance(fs::directory_iterator(prefix.Cache()), fs::directory_iterator()));
    }
    TempPrefix prefix;
    WorkingState state;
    FakeView view;
};

TEST_F(ClearTest, asksThenDeletesEveryFileIncludingReadOnlyOnes)
{
    fs::permissions(prefix.Cache() / "A.uxx", fs::perms::owner_read);
    view.answers = {vbYes};
    cmdClear_Click(state, view);
    ASSERT_EQ(view.boxes.size(), 1u);
    EXPECT_EQ(view.boxes[0].title, "Clear Cache");
    EXPECT_EQ(view.boxes[0].text,
              "This will delete all files under " + prefix.CacheWin() + "\nDo you wish to continue?");
    EXPECT_EQ(view.boxes[0].buttons, MsgButtons::YesNo);
    EXPECT_EQ(CacheFiles(), 0u);
    EXPECT_TRUE(view.list.empty());
    EXPECT_EQ(view.labels[DataLabel::FileCount], "0");
    EXPECT_EQ(view.labels[DataLabel::CacheSize], "0 Megabytes");
    EXPECT_EQ(view.labels[DataLabel::Path], prefix.CacheWin());
}

TEST_F(ClearTest, answeringNoChangesNothing)
{
    const auto before = prefix.Snapshot();
    const auto labels = view.labels;
    view.answers = {vbNo};
    cmdClear_Click(state, view);
    EXPECT_EQ(prefix.Snapshot(), before);
    EXPECT_EQ(view.list, std::vector<std::string>{"One.kmx"});
    EXPECT_EQ(view.labels, labels);
}

TEST_F(ClearTest, anAlreadyEmptyCacheIsNoError)
{
    view.answers = {vbYes, vbYes};
    cmdClear_Click(state, view);
    cmdClear_Click(state, view);
    EXPECT_EQ(view.boxes.size(), 2u);
    EXPECT_EQ(view.boxes[1].title, "Clear Cache");
    EXPECT_EQ(view.labels[DataLabel::FileCount], "0");
}

} // namespace
} // namespace ovcache
