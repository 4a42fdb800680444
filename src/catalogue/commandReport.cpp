#include "catalogue/commandReport.h"

namespace ovcache {
namespace {
constexpr std::size_t kShownProblems = 12; // a box taller than the screen helps nobody
}

void CommandReport::AddProblem(std::string entry, std::string detail, std::string reason)
{
    problems_.push_back({std::move(entry), std::move(detail), std::move(reason)});
}

void CommandReport::AddNote(std::string note)
{
    notes_.push_back(std::move(note));
}

std::string CommandReport::Text() const
{
    std::string text;
    for (const std::string& note : notes_)
        text += note + "\n\n";
    if (!problems_.empty()) {
        text += problems_.size() == 1 ? std::string("This could not be handled and was left as it was:\n")
                                      : "These " + std::to_string(problems_.size()) +
                                            " could not be handled and were left as they were:\n";
        for (std::size_t k = 0; k < problems_.size() && k < kShownProblems; ++k) {
            const Problem& p = problems_[k];
            text += "\n" + p.entry + "\n    " + p.detail + "\n    " + p.reason + "\n";
        }
        if (problems_.size() > kShownProblems)
            text += "\n...and " + std::to_string(problems_.size() - kShownProblems) + " more.\n";
    }
    if (unsafe_ > 0)
        text += "\n" + std::to_string(unsafe_) +
                (unsafe_ == 1 ? " entry was passed over because its name"
                              : " entries were passed over because their names") +
                " could lead outside the game's folders.\n";
    while (!text.empty() && text.back() == '\n')
        text.pop_back();
    return text;
}

void CommandReport::Show(CacheView& view, const std::string& title) const
{
    if (!Empty())
        view.MsgBox(Text(), title, MsgIcon::Critical, MsgButtons::OK);
}

} // namespace ovcache
