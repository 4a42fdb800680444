#include "catalogue/commandReport.h"

#include <gtest/gtest.h>

namespace ovcache {
namespace {

// Failures of one kind are counted in the summary; the list names each one,
// and a very long name is shortened in both.
TEST(CommandReportTest, summaryGroupsByFolderAndReasonAndTheListHasEveryEntry)
{
    CommandReport report;
    for (int k = 0; k < 73; ++k)
        report.AddProblem("Map" + std::to_string(k) + ".kmx", "x.uxx -> C:\\Maps", "Permission denied", "C:\\Maps");
    report.AddProblem(std::string(5000, 'n') + ".u", "y.uxx -> C:\\System", "Disk full", "C:\\System");
    const std::string summary = report.Summary();
    EXPECT_NE(summary.find("73 files could not be moved into C:\\Maps: Permission denied"), std::string::npos);
    EXPECT_LT(summary.size(), 600u);
    EXPECT_NE(summary.front(), '\n');
    const std::string details = report.Details();
    EXPECT_NE(details.find("Map0.kmx"), std::string::npos);
    EXPECT_NE(details.find("Map72.kmx"), std::string::npos);
    EXPECT_LT(details.size(), 73 * 60 + 400u);
}

} // namespace
} // namespace ovcache
