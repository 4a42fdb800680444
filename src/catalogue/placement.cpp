#include "catalogue/placement.h"

#include "catalogue/cacheIndex.h"
#include "catalogue/entryNames.h"

#include <algorithm>

namespace ovcache {

Placement::Placement(GameSession& session, const IndexLines& lines, Decisions& decisions, CommandReport& report,
                     bool forceOverwrite, std::size_t expected)
    : session_(session), lines_(lines), files_(session.Files()), game_(session.Game()), decisions_(decisions),
      report_(report), force_(forceOverwrite)
{
    journal_.reserve(expected);
}

void Placement::Problem(Why why, std::string_view entry, const std::string& from, const std::string& to,
                        const FileSystemError* e)
{
    // the file itself, and the folder it was going to, which is what a player
    // needs to find both
    ovcache::Problem problem{why, std::string(entry), from, to.substr(0, to.find_last_of('\\')),
                             {},  FsErrorKind::Other};
    if (e) {
        problem.why = e->Kind() == FsErrorKind::AlreadyExists ? Why::NameTaken : why;
        problem.message = e->Reason();
        problem.error = e->Kind();
    }
    report_.Add(std::move(problem));
}

void Placement::Failed(std::string_view entry, const std::string& from, const std::string& to,
                       const Outcome<bool>& moved)
{
    if (moved)
        Problem(Why::NameTaken, entry, from, to);
    else
        Problem(Why::Failed, entry, from, to, &moved.Failure());
}

bool Placement::Place(EntryKind kind, std::size_t k, bool listedPlain)
{
    const IndexEntry& entry = lines_[k];
    const auto at = static_cast<std::uint32_t>(k);
    if (kind == EntryKind::Other || !entry.NamesAFile())
        return false;
    if (!entry.Safe()) {
        report_.CountUnsafe();
        return false;
    }
    const std::string_view line = entry.Text();
    const std::string name = NameText(line);
    const std::string cached = CachedFilePath(game_.cache, KeyText(line));
    const std::string destination = DestinationPath(game_.folder, kind, name);

    // Working in the install folder's VirtualStore copy, the game still sees
    // the install folder's files wherever the copy has none of the name: a
    // map hiding one is asked about as one replacing it (which stays where
    // it is), and a package never hides one of the game's own.
    const bool hidesInstalled = !game_.installFolder.empty() &&
                                files_.FileExists(DestinationPath(game_.installFolder, kind, name)) &&
                                !files_.PathExists(destination);
    if (hidesInstalled && kind != EntryKind::Map) {
        Problem(Why::NameTaken, name, cached, DestinationPath(game_.installFolder, kind, name));
        return false;
    }
    if (!game_.installFolder.empty() && !FolderReady(kind)) {
        Problem(Why::NoFolder, name, cached, destination);
        return false;
    }
    if (hidesInstalled) // the installed map stays, out of the game's sight
        return AskThenPlace(kind, at, game_.installFolder, /*replace=*/false);

    if (kind == EntryKind::Map) {
        // Most maps are new to Maps, and a move never replaces: it is tried
        // first, and the player is asked only when a map of that name is there.
        const Outcome<bool> moved = session_.Move(Cached(line), Placed(kind, line), listedPlain);
        if (moved && *moved) {
            journal_.push_back({Step::Moved, kind, 0, at});
            return true;
        }
        // a name that is a folder's can say so too
        if (!moved && (moved.Failure().Kind() != FsErrorKind::NotFound || !files_.FileExists(destination))) {
            Problem(Why::Failed, name, cached, destination, &moved.Failure());
            return false;
        }
        if (!files_.FileExists(destination)) { // the name is taken by no map
            Problem(Why::NameTaken, name, cached, destination);
            return false;
        }
        return AskThenPlace(kind, at, game_.folder, /*replace=*/true);
    }

    // A package with nowhere to go stays where it is; one of the game's own
    // files is never replaced, since a move refuses an existing destination.
    if (!FolderReady(kind)) {
        Problem(Why::NoFolder, name, cached, destination);
        return false;
    }
    return Move(kind, at, cached, destination, listedPlain);
}

bool Placement::AskThenPlace(EntryKind kind, std::uint32_t at, const std::string& shownFolder, bool replace)
{
    const std::string_view line = Line(at);
    const std::string name = NameText(line);
    const std::string cached = CachedFilePath(game_.cache, KeyText(line));
    const std::string destination = DestinationPath(game_.folder, kind, name);
    const ExistingMap answer = decisions_.MapExists(shownFolder, name);
    if (answer == ExistingMap::Keep) {
        Problem(Why::KeptBesideMap, name, cached, DestinationPath(shownFolder, kind, name));
        return false;
    }
    // The player may have changed the folders while the question was up.
    files_.BeginBatch();
    if (answer == ExistingMap::Discard) {
        journal_.push_back({Step::Discarded, kind, 0, at});
        return true;
    }
    return replace ? Replace(kind, at, cached, destination) : Move(kind, at, cached, destination);
}

bool Placement::FolderReady(EntryKind kind)
{
    int& there = folderThere_[static_cast<std::size_t>(kind)];
    if (there >= 0)
        return there == 1;
    there = files_.FolderExists(FolderPath(kind)) ? 1 : 0;
    if (there == 0 && !game_.installFolder.empty() &&
        files_.FolderExists(game_.installFolder + '\\' + std::string(DestinationFolder(kind)))) {
        const Outcome<void> made = files_.TryCreateFolder(FolderPath(kind));
        there = made ? 1 : 0;
        if (!made)
            report_.AddProblem(Why::FolderNotMade, FolderPath(kind), made.Failure());
    }
    return there == 1;
}

Spot Placement::Cached(std::string_view line)
{
    return {"Cache", CachedFileName(KeyText(line))};
}

Spot Placement::Placed(EntryKind kind, std::string_view line)
{
    return {DestinationFolder(kind), NameText(line)};
}

std::string Placement::FolderPath(EntryKind kind) const
{
    return game_.folder + '\\' + std::string(DestinationFolder(kind));
}

bool Placement::Move(EntryKind kind, std::uint32_t at, const std::string& from, const std::string& to, bool listedPlain)
{
    const std::string_view line = Line(at);
    if (const Outcome<bool> moved = session_.Move(Cached(line), Placed(kind, line), listedPlain); !moved || !*moved) {
        Failed(NameText(line), from, to, moved);
        return false;
    }
    journal_.push_back({Step::Moved, kind, 0, at});
    return true;
}

// The existing map is set aside, not deleted, until the new one is in its
// place and the command has finished, so no failure can lose either of them.
bool Placement::Replace(EntryKind kind, std::uint32_t at, const std::string& from, const std::string& to)
{
    const std::string_view line = Line(at);
    const std::string entry = NameText(line);
    FileSystemService& fso = files_;
    if (!fso.FileExists(from)) {
        Problem(Why::CachedFileMissing, entry, from, to);
        return false;
    }
    if (!force_ && fso.IsReadOnly(to)) {
        Problem(Why::MapReadOnly, entry, from, to);
        return false;
    }
    const Spot map = Placed(kind, line);
    const Spot kept{map.folder, session_.FreeName(map, kAsideMark)};
    const std::string aside = session_.PathOf(kept);
    const std::optional<FileIdentity> original = fso.IdentityOf(to), replacement = fso.IdentityOf(from);
    if (!original || !replacement) {
        Problem(original ? Why::CachedFileMissing : Why::MapNotPlain, entry, from, to);
        return false;
    }
    Outcome<void> setAside = session_.Record({Intent::SetAside(map.name, kept.name, *original, *replacement)});
    if (setAside)
        setAside = fso.TryRename(to, aside);
    if (!setAside) {
        Problem(Why::Failed, entry, from, to, &setAside.Failure());
        return false;
    }
    // another file may take the name meanwhile
    if (const Outcome<bool> moved = session_.Move(Cached(line), map); !moved || !*moved) {
        Failed(entry, from, to, moved);
        if (const Outcome<void> back = fso.TryRename(aside, to); !back)
            report_.Add({Why::AsideKept, entry, aside, {}, back.Failure().Reason(), back.Failure().Kind()});
        return false;
    }
    journal_.push_back({Step::Replaced, kind, static_cast<std::uint32_t>(asides_.size()), at});
    asides_.push_back(aside);
    return true;
}

void Placement::Undo()
{
    FileSystemService& fso = files_;
    // Newest first, so that each file goes back over the path it came by.
    std::for_each(journal_.rbegin(), journal_.rend(), [&](const Step& step) {
        if (step.what == Step::Discarded)
            return;
        // Each file that cannot go back is named where it now is, so that
        // the player can find it; the next start puts a set-aside map back.
        const std::string entry = NameText(Line(step.at)), to = session_.PathOf(Placed(step.kind, Line(step.at)));
        if (const Outcome<bool> moved = session_.Move(Placed(step.kind, Line(step.at)), Cached(Line(step.at)));
            !moved || !*moved) {
            report_.Add({Why::NotPutBack,
                         entry,
                         to,
                         {},
                         moved ? std::string() : moved.Failure().Reason(),
                         moved ? FsErrorKind::AlreadyExists : moved.Failure().Kind()});
            return;
        }
        if (step.what == Step::Replaced) {
            const std::string& aside = asides_[step.aside];
            if (const Outcome<void> back = fso.TryRename(aside, to); !back)
                report_.Add({Why::AsideNotPutBack, entry, aside, {}, back.Failure().Reason(), back.Failure().Kind()});
        }
    });
    // let go of the steps' memory, not just of the steps: a command over
    // 200,000 entries goes on to list the cache
    std::vector<Step>().swap(journal_);
    std::vector<std::string>().swap(asides_);
}

void Placement::Finish(DoneFiles& done)
{
    for (const Step& step : journal_) {
        done.Add(NameText(Line(step.at)), step.what == Step::Discarded ? EntryKind::Other : step.kind,
                 step.what == Step::Replaced);
        Outcome<void> deleted;
        if (step.what == Step::Replaced)
            deleted = files_.TryDeleteFile(asides_[step.aside], true);
        else if (step.what == Step::Discarded)
            deleted = files_.TryDeleteFile(session_.PathOf(Cached(Line(step.at))));
        if (!deleted)
            report_.AddProblem(Why::NotDeleted, NameText(Line(step.at)), deleted.Failure());
    }
    // let go of the steps' memory, not just of the steps: a command over
    // 200,000 entries goes on to list the cache
    std::vector<Step>().swap(journal_);
    std::vector<std::string>().swap(asides_);
}

std::vector<Intent> Placement::Discards() const
{
    std::vector<Intent> discards;
    for (const Step& step : journal_)
        if (step.what == Step::Discarded)
            if (const auto cached = files_.IdentityOf(session_.PathOf(Cached(Line(step.at)))))
                discards.push_back(Intent::Discard(KeyText(Line(step.at)), *cached));
    return discards;
}

} // namespace ovcache
