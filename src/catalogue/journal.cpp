#include "catalogue/journal.h"

#include "catalogue/cacheIndex.h"
#include "catalogue/entryNames.h"
#include "catalogue/indexCommit.h"
#include "platform/codePage.h"

#include <algorithm>
#include <array>
#include <chrono>
#include <cstdio>
#include <optional>
#include <thread>
#include <unordered_map>
#include <unordered_set>

namespace ovcache {
namespace {

constexpr std::array<std::string_view, 5> kFolders = {"Cache", "Maps", "System", "Music", "Sounds"};
constexpr std::array<std::string_view, 7> kVerbs = {"set-aside", "copy", "rewrite", "discard",
                                                    "clear",     "made", "moving"};
constexpr std::string_view kRewriteName = "cache.bak";
// How many of the files a repair left alone its note names.
constexpr std::size_t kStrangersNamed = 5;
// A journal this long has its folders listed once, rather than each name
// looked for on its own: after a Move All of 100,000 files between volumes
// nearly every name it gives is gone.
constexpr std::size_t kListedFrom = 256;

// FNV-1a, so that a torn or altered line is not taken for one of ours.
std::string Check(std::string_view text)
{
    std::uint32_t hash = 2166136261u;
    for (const char c : text)
        hash = (hash ^ static_cast<unsigned char>(c)) * 16777619u;
    char hex[9];
    std::snprintf(hex, sizeof hex, "%08x", hash);
    return hex;
}

std::vector<std::string_view> Fields(std::string_view line)
{
    std::vector<std::string_view> fields;
    for (std::size_t start = 0;;) {
        const std::size_t tab = line.find('\t', start);
        fields.push_back(line.substr(start, tab == std::string_view::npos ? tab : tab - start));
        if (tab == std::string_view::npos)
            return fields;
        start = tab + 1;
    }
}

// The folder as one of ours, so that the spot's view outlives the text.
std::optional<std::string_view> KnownFolder(std::string_view folder)
{
    const auto found = std::find(kFolders.begin(), kFolders.end(), folder);
    return found == kFolders.end() ? std::nullopt : std::optional<std::string_view>(*found);
}

// name is base & mark, then nothing or a number.
bool IsMarked(std::string_view name, std::string_view base, std::string_view mark)
{
    if (!name.starts_with(base) || !name.substr(base.size()).starts_with(mark))
        return false;
    return name.find_first_not_of("0123456789", base.size() + mark.size()) == std::string_view::npos;
}

std::string IdentityText(const FileIdentity& id)
{
    char text[80];
    std::snprintf(text, sizeof text, "%llx.%llx.%llx.%llx", static_cast<unsigned long long>(id.volume),
                  static_cast<unsigned long long>(id.index), static_cast<unsigned long long>(id.size),
                  static_cast<unsigned long long>(id.written));
    return text;
}

std::optional<FileIdentity> ParseIdentity(std::string_view text)
{
    unsigned long long part[4] = {};
    std::size_t start = 0;
    for (int k = 0; k < 4; ++k) {
        const std::size_t end = k < 3 ? text.find('.', start) : text.size();
        if (end == std::string_view::npos || end == start || end - start > 16)
            return std::nullopt;
        for (const char c : text.substr(start, end - start)) {
            const int digit = c >= '0' && c <= '9' ? c - '0' : c >= 'a' && c <= 'f' ? c - 'a' + 10 : -1;
            if (digit < 0)
                return std::nullopt;
            part[k] = part[k] * 16 + static_cast<unsigned>(digit);
        }
        start = end + 1;
    }
    return FileIdentity{part[0], part[1], part[2], static_cast<std::int64_t>(part[3])};
}

// A copy's temporary name: "<name>.copying" or "<name>.copyingN".
bool IsCopyName(std::string_view name)
{
    const std::size_t mark = name.rfind(kCopyMark);
    return mark != std::string_view::npos && mark > 0 && IsMarked(name, name.substr(0, mark), kCopyMark);
}

std::optional<Intent> ParseLine(std::string_view line)
{
    const std::size_t last = line.rfind('\t');
    if (last == std::string_view::npos || Check(line.substr(0, last)) != line.substr(last + 1))
        return std::nullopt;
    // A journal an earlier version wrote names files in the code page.
    const std::string_view body = line.substr(0, last);
    const std::string text = IsUtf8(body) ? std::string(body) : AnsiToUtf8(body);
    const std::vector<std::string_view> f = Fields(text);
    const std::string_view verb = f[0];
    const auto id = [&](std::size_t k) { return k < f.size() ? ParseIdentity(f[k]) : std::nullopt; };
    if (verb == kVerbs[0] && f.size() == 5 && IsSafeFileName(f[1]) && IsSafeFileName(f[2]) &&
        IsMarked(f[2], f[1], kAsideMark) && id(3) && id(4))
        return Intent::SetAside(std::string(f[1]), std::string(f[2]), *id(3), *id(4));
    if (verb == kVerbs[1] && f.size() == 7) {
        const auto from = KnownFolder(f[1]), to = KnownFolder(f[3]);
        if (from && to && IsSafeFileName(f[2]) && IsSafeFileName(f[4]) && IsSafeFileName(f[5]) &&
            IsMarked(f[5], f[4], kCopyMark) && id(6))
            return Intent::Copy({*from, std::string(f[2])}, {*to, std::string(f[4])}, std::string(f[5]), *id(6));
        return std::nullopt;
    }
    if (verb == kVerbs[2] && f.size() == 1)
        return Intent::Rewrite();
    if (verb == kVerbs[3] && f.size() == 3 && IsSafeFileName(f[1]) && id(2))
        return Intent::Discard(f[1], *id(2));
    if (verb == kVerbs[4] && f.size() == 1)
        return Intent::Clear();
    if (verb == kVerbs[5] && f.size() == 4) {
        const auto folder = KnownFolder(f[1]);
        const bool rewrite = folder == "Cache" && f[2] == kRewriteName;
        if (folder && IsSafeFileName(f[2]) && (IsCopyName(f[2]) || rewrite) && id(3))
            return Intent::Made({*folder, std::string(f[2])}, *id(3));
    }
    if (verb == kVerbs[6] && f.size() == 1)
        return Intent::Moving();
    return std::nullopt;
}

} // namespace

Intent Intent::SetAside(std::string map, std::string aside, const FileIdentity& original,
                        const FileIdentity& replacement)
{
    return {What::SetAside, {"Maps", std::move(map)}, {"Maps", std::move(aside)}, {}, original, replacement};
}

Intent Intent::Copy(Spot from, Spot to, std::string temp, const FileIdentity& source)
{
    return {What::Copy, std::move(from), std::move(to), std::move(temp), source, {}};
}

Intent Intent::Made(Spot file, const FileIdentity& made)
{
    return {What::Made, std::move(file), {}, {}, made, {}};
}

Intent Intent::Rewrite()
{
    return {What::Rewrite, {"Cache", std::string(kRewriteName)}, {}, {}, {}, {}};
}

Intent Intent::Moving()
{
    return {What::Moving, {}, {}, {}, {}, {}};
}

Intent Intent::Clear()
{
    return {What::Clear, {"Cache", "*"}, {}, {}, {}, {}};
}

Intent Intent::Discard(std::string_view key, const FileIdentity& cached)
{
    return {What::Discard, {"Cache", CachedFileName(key)}, {}, {}, cached, {}};
}

std::string JournalText(const std::vector<Intent>& intents)
{
    std::string text;
    for (const Intent& intent : intents) {
        std::string line(kVerbs[static_cast<std::size_t>(intent.what)]);
        switch (intent.what) {
        case Intent::What::SetAside:
            line += "\t" + intent.from.name + "\t" + intent.to.name + "\t" + IdentityText(intent.first) + "\t" +
                    IdentityText(intent.second);
            break;
        case Intent::What::Copy:
            line += "\t" + std::string(intent.from.folder) + "\t" + intent.from.name + "\t" +
                    std::string(intent.to.folder) + "\t" + intent.to.name + "\t" + intent.temp + "\t" +
                    IdentityText(intent.first);
            break;
        case Intent::What::Made:
            line +=
                "\t" + std::string(intent.from.folder) + "\t" + intent.from.name + "\t" + IdentityText(intent.first);
            break;
        case Intent::What::Rewrite:
        case Intent::What::Clear:
        case Intent::What::Moving:
            break;
        case Intent::What::Discard:
            line +=
                "\t" + std::string(KeyOfCachedFile(intent.from.name).value_or("")) + "\t" + IdentityText(intent.first);
            break;
        }
        text += line + "\t" + Check(line) + "\n";
    }
    return text;
}

std::vector<Intent> ParseJournal(std::string_view text, bool skipCopies)
{
    std::vector<Intent> intents;
    for (std::size_t start = 0; start < text.size();) {
        const std::size_t end = text.find('\n', start);
        if (end == std::string_view::npos)
            break; // torn while it was written: that step was never taken
        const std::string_view line = text.substr(start, end - start);
        // by the verb alone, before the line is checked: the rewrite's Made stays
        const auto verb = line.substr(0, line.find('\t'));
        const bool copyLine =
            verb == kVerbs[1] || (verb == kVerbs[5] && !line.substr(verb.size()).starts_with("\tCache\tcache.bak\t"));
        if (!(skipCopies && copyLine))
            if (auto intent = ParseLine(line))
                intents.push_back(std::move(*intent));
        start = end + 1;
    }
    return intents;
}

GameSession::GameSession(FileSystemService& files, const GameFolders& game, CommandReport& report,
                         std::chrono::milliseconds patience, bool startUp)
    : files_(files), game_(game)
{
    if (game.folder.empty()) {
        held_ = true; // no game, so nothing of one to keep apart; nothing is recorded
        return;
    }
    journal_ = game.folder + "\\" + std::string(kJournalName);
    const std::string lockPath = game.folder + "\\" + std::string(kLockName);
    const auto giveUp = std::chrono::steady_clock::now() + patience;
    for (;;) {
        Outcome<std::unique_ptr<FileLock>> lock = files.TryLock(lockPath);
        if (!lock) {
            LockFailed(lock.Failure(), report, startUp);
            return;
        }
        lock_ = std::move(*lock);
        if (lock_ || std::chrono::steady_clock::now() >= giveUp)
            break;
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    if (!lock_) {
        busy_ = true;
        return;
    }
    held_ = true;
    // what is left unsettled is tried again at the end
    interrupted_ = files.PathExists(journal_);
    if (interrupted_)
        recorded_ = copiesOpen_ = !Settle(&report, /*repairIndex=*/true);
    if (foreign_) {
        // Something else has the journal's name: nothing is done until the
        // player has moved it away, so that nothing is written through it.
        held_ = false;
        refused_ = true;
        lock_.reset();
    }
}

void GameSession::LockFailed(const FileSystemError& e, CommandReport& report, bool startUp)
{
    if (e.Kind() == FsErrorKind::NotFound) {
        held_ = true; // no game folder: nothing there to keep apart or repair
        journal_.clear();
        return;
    }
    // refused at start: nothing of this program's can be there to repair
    if (e.Kind() == FsErrorKind::AccessDenied && startUp && !files_.PathExists(journal_))
        return;
    refused_ = true;
    report.AddProblem(Why::NotLocked, std::string(kLockName), e);
}

void GameSession::Close()
{
    if (held_ && recorded_)
        recorded_ = !Settle(nullptr, indexDue_, !copiesOpen_);
}

std::string GameSession::PathOf(const Spot& spot) const
{
    return FolderOf(spot.folder) + "\\" + spot.name;
}

std::string GameSession::FolderOf(std::string_view folder) const
{
    return folder == "Cache" ? game_.cache : game_.folder + "\\" + std::string(folder);
}

std::string GameSession::FreeName(const Spot& spot, std::string_view mark) const
{
    Spot free{spot.folder, spot.name + std::string(mark)};
    for (int n = 2; files_.PathExists(PathOf(free)); ++n)
        free.name = spot.name + std::string(mark) + std::to_string(n);
    return free.name;
}

Outcome<void> GameSession::Record(const std::vector<Intent>& intents, bool flush)
{
    if (journal_.empty())
        return FileSystemError("Write", game_.folder + "\\" + std::string(kJournalName), FsErrorKind::NotFound, {});
    const bool first = !recorded_; // a command's first line is always flushed
    recorded_ = true;
    return files_.TryAppendTextFile(journal_, JournalText(intents), flush || first);
}

Outcome<bool> GameSession::Move(const Spot& from, const Spot& to, bool listedPlain)
{
    // One line before the command's first move, so that a kill before the
    // index is rewritten has the next start drop the lines of files gone.
    if (!recorded_)
        if (Outcome<void> noted = Record({Intent::Moving()}); !noted)
            return noted.Failure();
    // Once a folder is found on another volume, its files are copied
    // without a rename tried first.
    const std::pair<std::string_view, std::string_view> way{from.folder, to.folder};
    if (std::find(across_.begin(), across_.end(), way) == across_.end()) {
        const Outcome<FileSystemService::Moved> moved = files_.TryMoveFile(PathOf(from), PathOf(to), listedPlain);
        if (!moved)
            return moved.Failure();
        if (*moved != FileSystemService::Moved::OtherVolume)
            return *moved == FileSystemService::Moved::Done;
        across_.push_back(way);
    }
    return MoveAcross(from, to);
}

Outcome<bool> GameSession::MoveAcross(const Spot& from, const Spot& to)
{
    const std::string source = PathOf(from), destination = PathOf(to);
    if (files_.PathExists(destination))
        return false;
    const std::optional<FileIdentity> original = files_.IdentityOf(source);
    if (!original)
        return FileSystemError("MoveFile", source, FsErrorKind::NotFound, {});
    const Spot temp{to.folder, FreeName(to, kCopyMark)};
    if (Outcome<void> recorded = Record({Intent::Copy(from, to, temp.name, *original)}, /*flush=*/false); !recorded)
        return recorded.Failure();
    const bool wereOpen = std::exchange(copiesOpen_, true); // until this copy is through
    const std::string copy = PathOf(temp);
    // The copy is known by its identity from the moment it exists; a copy the
    // journal could not hear of is not made.
    const Outcome<void> copied = files_.TryCopyFile(source, copy, [&](const FileIdentity& made) {
        return Record({Intent::Made(temp, {made.volume, made.index, original->size, made.written})}, /*flush=*/false);
    });
    if (!copied)
        return copied.Failure();
    // the copy is the regular file just made: no look before the rename
    const Outcome<FileSystemService::Moved> placed = files_.TryMoveFile(copy, destination, /*listedPlain=*/true);
    if (!placed || *placed != FileSystemService::Moved::Done) {
        // the name was taken meanwhile, or the rename failed: the copy goes
        (void)files_.TryDeleteOneFile(copy, true);
        if (!placed)
            return placed.Failure();
        return false;
    }
    if (Outcome<void> deleted = files_.TryDeleteOneFile(source, true); !deleted) {
        (void)files_.TryDeleteOneFile(destination, true); // one original rather than two copies
        return deleted.Failure();
    }
    copiesOpen_ = wereOpen;
    return true;
}

namespace {

// A copy complete: the very file made, with the size and the last write
// time of its source, which the copy takes.
FileIdentity Completed(const FileIdentity& made, const FileIdentity& source)
{
    return {made.volume, made.index, source.size, source.written};
}

// Whether the file there is the one a Made line recorded, as it may be at any
// moment after: the very file, written since it was made, and holding no
// more than it was to hold (or, for a copy, complete with its source's time).
bool StillMade(const FileIdentity& there, const FileIdentity& made, std::uint64_t bound)
{
    return there.SameFile(made) && there.size <= bound && there.written >= made.written;
}

std::string SpotKey(std::string_view folder, std::string_view name)
{
    std::string key(folder);
    key += '\\';
    key += name;
    return key;
}

// Puts in order what a journal lists, one intent at a time, newest first,
// acting on a file only when it is the very file recorded. Each copy and
// rewrite is paired once with the Made line that follows it, so that the
// work stays in proportion to the journal's length.
class Settler {
public:
    Settler(FileSystemService& fso, const GameSession& session, const std::vector<Intent>& intents,
            std::string cachePath)
        : fso_(fso), session_(session), intents_(intents), cachePath_(std::move(cachePath)),
          made_(intents.size(), nullptr)
    {
        // A temporary name may come again in one journal: a Made line
        // belongs to the latest copy or rewrite of its name before it.
        std::unordered_map<std::string, std::size_t> waiting;
        for (std::size_t k = 0; k < intents.size(); ++k) {
            const Intent& intent = intents[k];
            if (intent.what == Intent::What::Copy)
                waiting.insert_or_assign(SpotKey(intent.to.folder, intent.temp), k);
            else if (intent.what == Intent::What::Rewrite)
                waiting.insert_or_assign(SpotKey(intent.from.folder, intent.from.name), k);
            else if (intent.what == Intent::What::Made)
                if (const auto found = waiting.find(SpotKey(intent.from.folder, intent.from.name));
                    found != waiting.end()) {
                    made_[found->second] = &intent.first;
                    waiting.erase(found);
                }
        }
        for (std::size_t k = 0; k < intents.size(); ++k)
            if (intents[k].what == Intent::What::Copy && made_[k])
                copied_.insert_or_assign(SpotKey(intents[k].to.folder, intents[k].to.name),
                                         Completed(*made_[k], intents[k].first));
        if (intents.size() >= kListedFrom)
            for (const std::string_view folder : kFolders)
                ListFolder(folder);
    }
    Outcome<void> Settle(std::size_t k)
    {
        const Intent& intent = intents_[k];
        switch (intent.what) {
        case Intent::What::Copy:
            return Copy(intent, made_[k]);
        case Intent::What::SetAside:
            return SetAside(intent);
        case Intent::What::Made:
        case Intent::What::Clear:
        case Intent::What::Moving:
            return {}; // a made file is settled with its copy or rewrite; the rest leave only the index
        case Intent::What::Rewrite:
            return Temporary(intent.from, made_[k], made_[k] ? made_[k]->size : 0);
        case Intent::What::Discard:
            return Discard(intent);
        }
        return {};
    }
    // Files at the names the journal gives that are not the files it
    // recorded: the player's, or another program's, and left alone.
    std::size_t Strangers() const { return strangers_; }
    std::vector<std::string> StrangersNamed() const { return named_; }

private:
    // The copy this program made to arrive at a spot, as it was when
    // complete, if one was made.
    const FileIdentity* CopiedTo(const Spot& spot) const
    {
        const auto found = copied_.find(SpotKey(spot.folder, spot.name));
        return found == copied_.end() ? nullptr : &found->second;
    }

    // The names in a folder as the settle began, folded as Windows
    // compares them; the folder is not taken as listed when it cannot be.
    void ListFolder(std::string_view folder)
    {
        std::unordered_set<std::string> names;
        names.reserve(1024);
        std::string folded;
        const Outcome<void> listed =
            fso_.TryVisitFiles(session_.FolderOf(folder), [&](std::string_view name, FileSystemService::Listed) {
                folded.assign(name);
                FoldCaseInPlace(folded);
                names.insert(folded);
            });
        if (listed)
            listed_.emplace(std::string(folder), std::move(names));
    }
    // Whether nothing had the spot's name as the settle began (a file that
    // comes meanwhile is the player's: passing it over touches nothing).
    bool Absent(const Spot& spot) const
    {
        const auto folder = listed_.find(std::string(spot.folder));
        return folder != listed_.end() && !folder->second.contains(FoldCase(spot.name));
    }
    std::optional<FileIdentity> IdentityAt(const Spot& spot) const
    {
        return Absent(spot) ? std::nullopt : fso_.IdentityOf(session_.PathOf(spot));
    }

    void Left(const std::string& path)
    {
        if (named_.size() < kStrangersNamed)
            named_.push_back(path);
        ++strangers_;
    }
    void Stranger(const Spot& spot)
    {
        if (const std::string path = session_.PathOf(spot); !Absent(spot) && fso_.PathExists(path))
            Left(path);
    }

    // A temporary file (a copy's, or the rewrite) is removed when it is the
    // file made, or, when the kill came before its Made line, while it
    // holds nothing: then nothing of anyone's is in it.
    Outcome<void> Temporary(const Spot& spot, const FileIdentity* made, std::uint64_t bound,
                            const std::optional<FileIdentity>& complete = std::nullopt)
    {
        const std::string path = session_.PathOf(spot);
        const auto there = IdentityAt(spot);
        if (!there) {
            Stranger(spot);
            return {};
        }
        const bool ours =
            made ? StillMade(*there, *made, bound) || (complete && *there == *complete) : there->size == 0;
        if (!ours) {
            Left(path);
            return {};
        }
        return fso_.TryDeleteOneFile(path, true);
    }

    // made: the identity the copy's temporary file had when this program
    // made it; the copy keeps it when renamed into its place.
    Outcome<void> Copy(const Intent& intent, const FileIdentity* made)
    {
        const std::string from = session_.PathOf(intent.from), to = session_.PathOf(intent.to);
        if (Outcome<void> temp = Temporary({intent.to.folder, intent.temp}, made, intent.first.size,
                                           made ? std::optional(Completed(*made, intent.first)) : std::nullopt);
            !temp)
            return temp;
        // The copy reached its place and only the source's removal was
        // missed: the very source recorded, and the very copy made as it was
        // complete, two files holding the same bytes.
        const auto source = IdentityAt(intent.from);
        if (!source)
            return {}; // as nearly always: the source went once the copy was in place
        const auto copy = IdentityAt(intent.to);
        if (!source || !copy || !(*source == intent.first))
            return {};
        if (made && *copy == Completed(*made, intent.first) && !source->SameFile(*copy)) {
            // could they not be compared, the journal stays for the next start
            const Outcome<bool> same = fso_.TrySameContent(from, to);
            if (!same)
                return same.Failure();
            if (*same)
                return fso_.TryDeleteOneFile(from, true);
        }
        // The copy made, written to since, stays with its source; any other
        // file there is the player's, and none of this line's business.
        if (made && copy->SameFile(*made))
            Left(to);
        return {};
    }

    Outcome<void> SetAside(const Intent& intent)
    {
        const std::string from = session_.PathOf(intent.from), aside = session_.PathOf(intent.to);
        const auto kept = IdentityAt(intent.to);
        if (!kept || !(*kept == intent.first)) {
            Stranger(intent.to); // only an aside this program made is acted on
            return {};
        }
        // The new map never arrived: the player's goes back. It did: the
        // player chose to replace this one.
        if (!fso_.PathExists(from)) {
            // a file that came to the name meanwhile keeps it: tried again later
            return fso_.TryRename(aside, from);
        }
        const auto map = fso_.IdentityOf(from);
        const FileIdentity* copied = CopiedTo(intent.from);
        if (map && (*map == intent.second || (copied && *map == *copied)))
            return fso_.TryDeleteOneFile(aside, true);
        Left(aside);
        return {};
    }

    Outcome<void> Discard(const Intent& intent)
    {
        const std::string from = session_.PathOf(intent.from);
        const auto cached = IdentityAt(intent.from);
        if (!cached || !(*cached == intent.first)) {
            Stranger(intent.from);
            return {};
        }
        // The index as it is now, read once when a discarded file is judged.
        if (!index_) {
            Outcome<std::string> text = fso_.TryReadTextFile(IndexPath(cachePath_));
            if (!text && text.Failure().Kind() != FsErrorKind::NotFound)
                return text.Failure();
            index_.emplace(text ? std::move(*text) : std::string());
            keys_.emplace(*index_);
        }
        // Its line is gone with the index it was discarded from; while the
        // index still names it, the player is asked again.
        const std::string folded = FoldCase(intent.from.name);
        if (keys_->Find(KeyOfCachedFile(folded).value_or(folded)) == std::string_view::npos)
            return fso_.TryDeleteOneFile(from, false);
        return {};
    }

    FileSystemService& fso_;
    const GameSession& session_;
    const std::vector<Intent>& intents_;
    const std::string cachePath_;
    std::vector<const FileIdentity*> made_; // by intent: its Made line's identity
    std::unordered_map<std::string, FileIdentity> copied_;
    std::optional<IndexLines> index_;
    std::optional<IndexKeys> keys_;
    std::unordered_map<std::string, std::unordered_set<std::string>> listed_; // by folder
    std::size_t strangers_ = 0;
    std::vector<std::string> named_;
};

} // namespace

void GameSession::RepairIndex(CommandReport& report)
{
    indexDue_ = !DropLinesOfGoneFiles(*this, report);
    recorded_ = recorded_ || indexDue_;
}

bool GameSession::Settle(CommandReport* report, bool repairIndex, bool copiesDone)
{
    const Outcome<std::string> text = files_.TryReadOwnFile(journal_);
    if (!text) {
        const FileSystemError& e = text.Failure();
        foreign_ = e.Kind() == FsErrorKind::NotRegular;
        if (report)
            report->AddProblem(foreign_ ? Why::JournalNotOurs : Why::JournalUnreadable, std::string(kJournalName), e);
        return false;
    }
    bool settled = true;
    {
        const std::vector<Intent> intents = ParseJournal(*text, copiesDone);
        Settler settler(files_, *this, intents, game_.cache);
        for (std::size_t k = intents.size(); k-- > 0;)
            if (const Outcome<void> done = settler.Settle(k); !done) {
                settled = false;
                if (report)
                    report->AddProblem(Why::NotSettled, intents[k].from.name, done.Failure());
            }
        if (settler.Strangers() > 0 && report)
            report->AddNote(
                {NoteKind::StrangersLeft, {}, {}, FsErrorKind::Other, settler.Strangers(), settler.StrangersNamed()});
    }
    // The index is put right while the journal still says it may be wrong,
    // so that a kill during the repair leaves the repair to do again.
    if (settled && repairIndex) {
        CommandReport unsaid;
        RepairIndex(report ? *report : unsaid);
        settled = !indexDue_;
    }
    if (settled)
        if (const Outcome<void> deleted = files_.TryDeleteOneFile(journal_, true);
            !deleted && deleted.Failure().Kind() != FsErrorKind::NotFound)
            return false;
    return settled;
}

} // namespace ovcache
