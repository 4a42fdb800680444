#include "catalogue/results.h"

#include <utility>

namespace ovcache {

void CommandReport::Add(Problem problem)
{
    Judge(problem.error);
    problems_.push_back(std::move(problem));
}

void CommandReport::AddProblem(Why why, std::string entry, std::string path)
{
    problems_.push_back({why, std::move(entry), std::move(path), {}, {}, FsErrorKind::Other});
}

void CommandReport::AddProblem(Why why, std::string entry, const FileSystemError& e)
{
    Add({why, std::move(entry), e.Path(), {}, e.Reason(), e.Kind()});
}

void CommandReport::AddNote(Note note)
{
    Judge(note.error);
    notes_.push_back(std::move(note));
}

void DoneFiles::Add(std::string_view name, EntryKind kind, bool replaced)
{
    names_.push_back(name);
    what_.push_back(static_cast<std::uint8_t>(static_cast<unsigned>(kind) | (replaced ? 8u : 0u)));
}

DoneFiles::Item DoneFiles::operator[](std::size_t k) const
{
    const auto kind = static_cast<EntryKind>(what_[k] & 7u);
    return {names_[k], DestinationFolder(kind), (what_[k] & 8u) != 0};
}

std::size_t DoneFiles::Count(bool moved) const
{
    std::size_t count = 0;
    for (const std::uint8_t what : what_)
        count += (static_cast<EntryKind>(what & 7u) != EntryKind::Other) == moved ? 1 : 0;
    return count;
}

} // namespace ovcache
