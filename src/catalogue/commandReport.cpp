#include "catalogue/commandReport.h"

#include <utility>

namespace ovcache {
namespace {
constexpr std::size_t kShownGroups = 6;   // the summary stays a few lines; the list has the rest
constexpr std::size_t kLongestName = 240; // characters of a name shown whole
} // namespace

std::string ShortName(const std::string& name)
{
    if (name.size() <= kLongestName)
        return name;
    return name.substr(0, kLongestName / 2) + "..." + name.substr(name.size() - kLongestName / 2);
}

std::string CommandReport::ReasonOf(const FileSystemError& e)
{
    if (e.Kind() == FsErrorKind::AccessDenied)
        MarkDenied();
    return e.Kind() == FsErrorKind::AlreadyExists ? kAlreadyThere : e.Reason();
}

void CommandReport::AddProblem(const std::string& entry, const std::string& detail, std::string reason,
                               std::string folder)
{
    problems_.push_back({ShortName(entry), ShortName(detail), std::move(reason), std::move(folder)});
}

void CommandReport::AddNote(std::string note)
{
    notes_.push_back(std::move(note));
}

std::string CommandReport::Summary() const
{
    std::vector<std::string> lines = notes_;
    // Problems of one kind, in the order they first came.
    std::vector<std::pair<const Problem*, std::size_t>> groups;
    for (const Problem& p : problems_) {
        bool found = false;
        for (auto& [first, count] : groups) {
            if (!p.folder.empty() && first->folder == p.folder && first->reason == p.reason) {
                ++count;
                found = true;
                break;
            }
        }
        if (!found)
            groups.emplace_back(&p, 1);
    }
    for (std::size_t k = 0; k < groups.size() && k < kShownGroups; ++k) {
        const auto& [p, count] = groups[k];
        if (p->folder.empty())
            lines.push_back(p->entry + " (" + p->detail + "): " + p->reason);
        else if (count == 1)
            lines.push_back(p->entry + " could not be moved into " + p->folder + ": " + p->reason);
        else
            lines.push_back(std::to_string(count) + " files could not be moved into " + p->folder + ": " + p->reason);
    }
    if (groups.size() > kShownGroups)
        lines.push_back("...and " + std::to_string(groups.size() - kShownGroups) + " more kinds of failure.");
    if (!problems_.empty())
        lines.push_back(problems_.size() == 1 ? std::string("It was left as it was.")
                                              : "They were left as they were; the list below names each.");
    if (unsafe_ > 0)
        lines.push_back(std::to_string(unsafe_) +
                        (unsafe_ == 1 ? " entry was passed over because its name"
                                      : " entries were passed over because their names") +
                        " could lead outside the game's folders.");
    std::string text;
    for (const std::string& line : lines)
        text += (text.empty() ? "" : "\n\n") + line;
    return text;
}

std::string CommandReport::Details() const
{
    std::string text;
    for (const Problem& p : problems_)
        text += (text.empty() ? "" : "\n") + p.entry + "\n    " + p.detail + "\n    " + p.reason + "\n";
    while (!text.empty() && text.back() == '\n')
        text.pop_back();
    return text;
}

void CommandReport::Show(CacheView& view, const std::string& title) const
{
    view.Report(*this, title);
}

void CacheView::Report(const CommandReport& report, const std::string& title)
{
    if (!report.Empty())
        ShowReport(report.Summary(), report.Details(), title);
}

} // namespace ovcache
