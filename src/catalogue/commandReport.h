#pragma once
// What a command could not do, shown to the player in one box at its end: a
// short summary, and the whole list where it can be scrolled and copied.
#include "catalogue/cacheView.h"
#include "platform/fileSystem.h"

#include <string>
#include <vector>

namespace ovcache {

// Said of a file that could not go where a file of its name is.
inline constexpr const char* kAlreadyThere = "A file of that name is already there.";

class CommandReport {
public:
    struct Problem {
        std::string entry;  // the entry's name, or the file concerned
        std::string detail; // source -> destination, or the path
        std::string reason; // the system's words, or ours
        std::string folder; // where a move was going; "" for other work
    };

    void AddProblem(const std::string& entry, const std::string& detail, std::string reason, std::string folder = {});
    void AddNote(std::string note);
    void CountUnsafe() { ++unsafe_; }
    // Another copy of the program held the game, so nothing was done.
    void MarkBusy() { busy_ = true; }
    bool Busy() const { return busy_; }
    // The words a report gives for a file-system failure. The one place a
    // failure is judged: a refusal of the rights this program runs with is
    // noted, so that the way out (running as administrator) can be offered.
    std::string ReasonOf(const FileSystemError& e);
    void MarkDenied() { denied_ = true; }
    bool Denied() const { return denied_; }

    // Whether it has anything to report: what was done is not reported.
    bool Empty() const { return problems_.empty() && notes_.empty() && unsafe_ == 0; }
    const std::vector<Problem>& Problems() const { return problems_; }
    const std::vector<std::string>& Notes() const { return notes_; }
    int Unsafe() const { return unsafe_; }

    // A line or two for each kind of failure: moves that failed into one
    // folder for one reason are counted together.
    std::string Summary() const;
    // Every problem, entry by entry.
    std::string Details() const;
    // One critical report; nothing when there is nothing to say.
    void Show(CacheView& view, const std::string& title) const;

private:
    std::vector<Problem> problems_;
    std::vector<std::string> notes_;
    int unsafe_ = 0;
    bool denied_ = false;
    bool busy_ = false;
};

// A name as a report shows it: past a few hundred characters its middle is
// left out, so that no box takes long to lay out.
std::string ShortName(const std::string& name);

} // namespace ovcache
