#include "catalogue/journal.h"

#include "catalogue/cacheIndex.h"
#include "catalogue/entryNames.h"
#include "platform/codePage.h"

#include <algorithm>
#include <array>
#include <chrono>
#include <cstdio>
#include <optional>
#include <thread>

namespace ovcache {
namespace {

constexpr std::array<std::string_view, 5> kFolders = {"Cache", "Maps", "System", "Music", "Sounds"};
constexpr std::array<std::string_view, 5> kVerbs = {"set-aside", "copy", "rewrite", "discard", "clear"};

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

std::optional<Intent> ParseLine(std::string_view line)
{
    const std::size_t last = line.rfind('\t');
    if (last == std::string_view::npos || Check(line.substr(0, last)) != line.substr(last + 1))
        return std::nullopt;
    const std::vector<std::string_view> f = Fields(line.substr(0, last));
    const std::string_view verb = f[0];
    if (verb == kVerbs[0] && f.size() == 3 && IsSafeFileName(f[1]) && IsSafeFileName(f[2]) &&
        IsMarked(f[2], f[1], kAsideMark))
        return Intent::SetAside(std::string(f[1]), std::string(f[2]));
    if (verb == kVerbs[1] && f.size() == 6) {
        const auto from = KnownFolder(f[1]), to = KnownFolder(f[3]);
        if (from && to && IsSafeFileName(f[2]) && IsSafeFileName(f[4]) && IsSafeFileName(f[5]) &&
            IsMarked(f[5], f[4], kCopyMark))
            return Intent::Copy({*from, std::string(f[2])}, {*to, std::string(f[4])}, std::string(f[5]));
        return std::nullopt;
    }
    if (verb == kVerbs[2] && f.size() == 1)
        return Intent::Rewrite();
    if (verb == kVerbs[3] && f.size() == 2 && IsSafeFileName(f[1]))
        return Intent::Discard(f[1]);
    if (verb == kVerbs[4] && f.size() == 1)
        return Intent::Clear();
    return std::nullopt;
}

} // namespace

Intent Intent::SetAside(std::string map, std::string aside)
{
    return {What::SetAside, {"Maps", std::move(map)}, {"Maps", std::move(aside)}, {}};
}

Intent Intent::Copy(Spot from, Spot to, std::string temp)
{
    return {What::Copy, std::move(from), std::move(to), std::move(temp)};
}

Intent Intent::Rewrite()
{
    return {What::Rewrite, {"Cache", "cache.bak"}, {}, {}};
}

Intent Intent::Clear()
{
    return {What::Clear, {"Cache", "*"}, {}, {}};
}

Intent Intent::Discard(std::string_view key)
{
    return {What::Discard, {"Cache", std::string(key) + ".uxx"}, {}, {}};
}

std::string JournalText(const std::vector<Intent>& intents)
{
    std::string text;
    for (const Intent& intent : intents) {
        std::string line(kVerbs[static_cast<std::size_t>(intent.what)]);
        switch (intent.what) {
        case Intent::What::SetAside:
            line += "\t" + intent.from.name + "\t" + intent.to.name;
            break;
        case Intent::What::Copy:
            line += "\t" + std::string(intent.from.folder) + "\t" + intent.from.name + "\t" +
                    std::string(intent.to.folder) + "\t" + intent.to.name + "\t" + intent.temp;
            break;
        case Intent::What::Rewrite:
        case Intent::What::Clear:
            break;
        case Intent::What::Discard:
            line += "\t" + intent.from.name.substr(0, intent.from.name.size() - 4);
            break;
        }
        text += line + "\t" + Check(line) + "\n";
    }
    return text;
}

std::vector<Intent> ParseJournal(std::string_view text)
{
    std::vector<Intent> intents;
    for (std::size_t start = 0; start < text.size();) {
        const std::size_t end = text.find('\n', start);
        if (end == std::string_view::npos)
            break; // torn while it was written: that step was never taken
        if (auto intent = ParseLine(text.substr(start, end - start)))
            intents.push_back(std::move(*intent));
        start = end + 1;
    }
    return intents;
}

GameSession::GameSession(WorkingState& state, CacheView& view, CommandReport& report, const std::string& title,
                         bool startUp)
    : state_(state)
{
    FileSystemService& fso = *state.objFSO;
    if (state.strGameFolder.empty()) {
        held_ = true; // no game, so nothing of one to keep apart; nothing is recorded
        return;
    }
    journal_ = state.strGameFolder + "\\" + std::string(kJournalName);
    const std::string lockPath = state.strGameFolder + "\\" + std::string(kLockName);
    const auto giveUp = std::chrono::steady_clock::now() + state.lockPatience;
    try {
        while (!(lock_ = fso.TryLock(lockPath)) && std::chrono::steady_clock::now() < giveUp)
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
    } catch (const FileSystemError& e) {
        if (e.Kind() == FsErrorKind::NotFound) {
            held_ = true; // no game folder: nothing there to keep apart or repair
            journal_.clear();
            return;
        }
        if (e.Kind() == FsErrorKind::AccessDenied) {
            // nothing of this program's can be there to repair
            if (startUp && !fso.PathExists(journal_))
                return;
            report.MarkDenied();
        }
        // What the player can do about it: the folder that must let this
        // program make its two small files.
        const std::string remedy =
            e.Kind() == FsErrorKind::NotRegular
                ? std::string()
                : ". The program keeps its lock and journal in " + state.strGameFolder +
                      ", so that folder must let your user create files, even when Cache and Maps do";
        report.AddProblem(std::string(kLockName), e.Path(),
                          "The game could not be locked for this program, so nothing was changed: " + e.Reason() +
                              remedy + ".");
        return;
    }
    if (!lock_) {
        report.MarkBusy();
        view.MsgBox("Another copy of Orvane Cache Importer is working on the game in " + state.strGameFolder +
                        ".\nThis one changes nothing until that one has finished; try again then.",
                    title, MsgIcon::None, MsgButtons::OK);
        return;
    }
    held_ = true;
    // what is left unsettled is tried again at the end
    interrupted_ = fso.PathExists(journal_);
    if (interrupted_)
        recorded_ = !Settle(&report);
    if (foreign_) {
        // Something else has the journal's name: nothing is done until the
        // player has moved it away, so that nothing is written through it.
        held_ = false;
        lock_.reset();
    }
}

void GameSession::Close()
{
    if (held_ && recorded_)
        recorded_ = !Settle(nullptr);
}

std::string GameSession::PathOf(const Spot& spot) const
{
    if (spot.folder == "Cache")
        return state_.strCachePath + "\\" + spot.name;
    return state_.strGameFolder + "\\" + std::string(spot.folder) + "\\" + spot.name;
}

std::string GameSession::FreeName(const Spot& spot, std::string_view mark) const
{
    Spot free{spot.folder, spot.name + std::string(mark)};
    for (int n = 2; state_.objFSO->PathExists(PathOf(free)); ++n)
        free.name = spot.name + std::string(mark) + std::to_string(n);
    return free.name;
}

void GameSession::Record(const std::vector<Intent>& intents)
{
    if (journal_.empty())
        throw FileSystemError("Write", state_.strGameFolder + "\\" + std::string(kJournalName), FsErrorKind::NotFound,
                              "The game's folder is not known");
    recorded_ = true;
    state_.objFSO->AppendTextFile(journal_, JournalText(intents));
}

void GameSession::Move(const Spot& from, const Spot& to)
{
    FileSystemService& fso = *state_.objFSO;
    const std::string source = PathOf(from), destination = PathOf(to);
    try {
        fso.MoveFile(source, destination);
        return;
    } catch (const FileSystemError& e) {
        if (e.Kind() != FsErrorKind::CrossVolume)
            throw;
    }
    if (fso.PathExists(destination))
        throw FileSystemError("MoveFile", destination, FsErrorKind::AlreadyExists, "File already exists");
    const Spot temp{to.folder, FreeName(to, kCopyMark)};
    Record({Intent::Copy(from, to, temp.name)});
    const std::string copy = PathOf(temp);
    fso.CopyFile(source, copy);
    try {
        fso.MoveFile(copy, destination);
    } catch (const FileSystemError&) {
        fso.DeleteOneFile(copy, true);
        throw;
    }
    try {
        fso.DeleteOneFile(source, true);
    } catch (const FileSystemError&) {
        fso.DeleteOneFile(destination, true); // one original rather than two copies
        throw;
    }
}

bool GameSession::Settle(CommandReport* report)
{
    FileSystemService& fso = *state_.objFSO;
    std::vector<Intent> intents;
    try {
        intents = ParseJournal(fso.ReadOwnFile(journal_));
    } catch (const FileSystemError& e) {
        foreign_ = e.Kind() == FsErrorKind::NotRegular;
        if (report)
            report->AddProblem(std::string(kJournalName), e.Path(),
                               (foreign_ ? "Nothing was changed. " : "Could not be read: ") + e.Reason());
        return false;
    }
    // The index as it is now, read once when a discarded file is to be judged.
    std::optional<IndexLines> index;
    std::optional<IndexKeys> keys;
    bool settled = true;
    std::for_each(intents.rbegin(), intents.rend(), [&](const Intent& intent) {
        const std::string from = PathOf(intent.from);
        try {
            switch (intent.what) {
            case Intent::What::Copy: {
                const std::string temp = PathOf({intent.to.folder, intent.temp}), to = PathOf(intent.to);
                if (fso.PathExists(temp))
                    fso.DeleteOneFile(temp, true);
                // The copy reached its place and only the source's removal
                // was missed: the same bytes are in both.
                bool same = false;
                try {
                    same = fso.PathExists(from) && fso.PathExists(to) && fso.SameContent(from, to);
                } catch (const FileSystemError&) {
                    // either is no plain file: both are left as they are
                }
                if (same)
                    fso.DeleteOneFile(from, true);
                break;
            }
            case Intent::What::SetAside: {
                const std::string aside = PathOf(intent.to);
                if (!fso.PathExists(aside))
                    break;
                // The new map never arrived: the player's goes back. It did:
                // the player chose to replace this one.
                if (!fso.PathExists(from))
                    fso.MoveFile(aside, from);
                else
                    fso.DeleteOneFile(aside, true);
                break;
            }
            case Intent::What::Clear:
                break; // its only trace: the index, put right by the start
            case Intent::What::Rewrite:
                if (fso.PathExists(from))
                    fso.DeleteOneFile(from, true);
                break;
            case Intent::What::Discard: {
                if (!fso.PathExists(from))
                    break;
                if (!index) {
                    try {
                        index.emplace(fso.ReadTextFile(IndexPath(state_.strCachePath)));
                    } catch (const FileSystemError& e) {
                        if (e.Kind() != FsErrorKind::NotFound)
                            throw;
                        index.emplace();
                    }
                    keys.emplace(*index);
                }
                // Its line is gone with the index it was discarded from; while
                // the index still names it, the player is asked again.
                const std::string key = FoldCaseAnsi(intent.from.name.substr(0, intent.from.name.size() - 4));
                if (keys->Find(key) == std::string_view::npos)
                    fso.DeleteOneFile(from, false);
                break;
            }
            }
        } catch (const FileSystemError& e) {
            settled = false;
            if (report)
                report->AddProblem(intent.from.name, e.Path(),
                                   "Left over from an interrupted command, and could not be put in order: " +
                                       e.Reason());
        }
    });
    if (settled) {
        try {
            fso.DeleteOneFile(journal_, true);
        } catch (const FileSystemError& e) {
            if (e.Kind() != FsErrorKind::NotFound)
                return false;
        }
    }
    return settled;
}

} // namespace ovcache
