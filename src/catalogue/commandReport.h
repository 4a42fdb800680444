#pragma once
// What a command could not do, shown to the player in one box at its end.
#include "catalogue/cacheView.h"

#include <string>
#include <vector>

namespace ovcache {

class CommandReport {
public:
    struct Problem {
        std::string entry;  // the entry's name, or the file concerned
        std::string detail; // source -> destination, or the path
        std::string reason; // the system's words, or ours
    };

    void AddProblem(std::string entry, std::string detail, std::string reason);
    void AddNote(std::string note);
    void CountUnsafe() { ++unsafe_; }

    const std::vector<Problem>& Problems() const { return problems_; }
    int Unsafe() const { return unsafe_; }
    bool Empty() const { return problems_.empty() && notes_.empty() && unsafe_ == 0; }

    // One critical box listing the problems; nothing when there are none.
    void Show(CacheView& view, const std::string& title) const;
    std::string Text() const;

private:
    std::vector<Problem> problems_;
    std::vector<std::string> notes_;
    int unsafe_ = 0;
};

} // namespace ovcache
