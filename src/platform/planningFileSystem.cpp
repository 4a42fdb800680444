#include "platform/planningFileSystem.h"

#include "platform/foldedNames.h"
#include "platform/translatable.h"

#include <chrono>
#include <unordered_map>
#include <unordered_set>
#include <utility>

namespace ovcache {
namespace {

// A name as the plan has made it: gone, a file, or a folder.
struct Planned {
    enum class Kind : std::uint8_t { Gone, File, Folder } kind = Kind::Gone;
    std::string name;                // the last part of its path, as given
    std::string source;              // the real file whose bytes it holds, when it holds one's
    std::optional<std::string> text; // its bytes, when written in the plan
    FileIdentity identity;           // of a file
    bool readOnly = false;
    std::uint64_t realBytes = 0; // of the regular file it stands in place of, for measures
    bool realFile = false;       // a regular file of the disk had its name
};

FileSystemError Failed(const char* operation, const std::string& path, FsErrorKind kind)
{
    const char* reason = "The system cannot find the file specified.";
    switch (kind) {
    case FsErrorKind::AlreadyExists:
        reason = "Cannot create a file when that file already exists.";
        break;
    case FsErrorKind::AccessDenied:
        reason = "Access is denied.";
        break;
    case FsErrorKind::NotRegular:
        reason = N_("Not a file but a folder");
        break;
    default:
        break;
    }
    return {operation, path, kind, reason};
}

class PlanningFileSystem final : public FileSystemService {
public:
    explicit PlanningFileSystem(std::unique_ptr<FileSystemService> real) : real_(std::move(real)) {}

    bool FileExists(const std::string& path) override
    {
        const Planned* p = Find(path);
        return p ? p->kind == Planned::Kind::File : real_->FileExists(path);
    }
    bool FolderExists(const std::string& path) override
    {
        const Planned* p = Find(path);
        return p ? p->kind == Planned::Kind::Folder : real_->FolderExists(path);
    }
    bool IsReadOnly(const std::string& path) override
    {
        const Planned* p = Find(path);
        return p ? p->kind == Planned::Kind::File && p->readOnly : real_->IsReadOnly(path);
    }
    std::optional<FileIdentity> IdentityOf(const std::string& path) override
    {
        const Planned* p = Find(path);
        if (!p)
            return real_->IdentityOf(path);
        if (p->kind != Planned::Kind::File)
            return std::nullopt;
        return p->identity;
    }
    bool PathExists(const std::string& path) override
    {
        const Planned* p = Find(path);
        return p ? p->kind != Planned::Kind::Gone : real_->PathExists(path);
    }
    Outcome<bool> LookForFile(const std::string& path) override
    {
        const Planned* p = Find(path);
        if (!p)
            return real_->LookForFile(path);
        if (p->kind == Planned::Kind::Folder)
            return Failed("GetFile", path, FsErrorKind::NotRegular);
        return p->kind == Planned::Kind::File;
    }

    Outcome<void> TryVisitFiles(const std::string& folder, const NameSink& take) override
    {
        const std::string at = Key(folder);
        const auto planned = children_.find(at);
        Outcome<void> listed = real_->TryVisitFiles(folder, [&](std::string_view name, Listed what) {
            if (planned == children_.end() || !planned->second.contains(ChildKey(at, name)))
                take(name, what);
        });
        if (!listed && !(listed.Failure().Kind() == FsErrorKind::NotFound && FolderExists(folder)))
            return listed;
        if (planned != children_.end())
            for (const std::string& key : planned->second)
                if (const Planned& p = entries_.at(key); p.kind != Planned::Kind::Gone)
                    take(p.name, p.kind == Planned::Kind::File ? Listed::Plain : Listed::Folder);
        return {};
    }

    Outcome<FolderMeasure> TryMeasure(const std::string& folder) override
    {
        FolderMeasure measure;
        if (real_->FolderExists(folder)) {
            Outcome<FolderMeasure> measured = real_->TryMeasure(folder);
            if (!measured)
                return measured;
            measure = *measured;
        } else if (!FolderExists(folder)) {
            return Failed("GetFolder", folder, FsErrorKind::NotFound);
        }
        // what the plan changed below the folder
        const std::string at = Key(folder) + '\\';
        for (const auto& [key, p] : entries_) {
            if (!key.starts_with(at))
                continue;
            const bool direct = key.find('\\', at.size()) == std::string::npos;
            if (p.realFile) {
                measure.bytes -= std::min(measure.bytes, p.realBytes);
                measure.files -= direct && measure.files > 0 ? 1 : 0;
            }
            if (p.kind == Planned::Kind::File) {
                measure.bytes += p.identity.size;
                measure.files += direct ? 1 : 0;
            }
        }
        return measure;
    }
    PendingMeasure TryMeasureLater(const std::string& folder) override { return PendingMeasure(TryMeasure(folder)); }

    Outcome<void> TryDeleteOneFile(const std::string& path, bool force) override
    {
        Outcome<Planned> file = FileAt(path, "DeleteFile");
        if (!file)
            return file.Failure();
        if (file->readOnly && !force)
            return Failed("DeleteFile", path, FsErrorKind::AccessDenied);
        Make(path, {});
        return {};
    }

    Outcome<void> TryRename(const std::string& from, const std::string& to) override
    {
        Outcome<Planned> file = FileAt(from, "MoveFile");
        if (!file)
            return file.Failure();
        if (Outcome<void> free = FreeName(to, "MoveFile"); !free)
            return free;
        // The same file under its new name: its volume and number go with it.
        Make(to, std::move(*file));
        Make(from, {});
        return {};
    }

    Outcome<void> TryCopyFile(const std::string& from, const std::string& to, const CreatedFn& created) override
    {
        Outcome<Planned> file = FileAt(from, "CopyFile");
        if (!file)
            return file.Failure();
        if (Outcome<void> free = FreeName(to, "CopyFile"); !free)
            return free;
        Planned copy = *file;
        copy.readOnly = false;
        copy.identity = NewIdentity(file->identity.volume);
        Make(to, copy);
        if (created) {
            if (Outcome<void> heard = created(copy.identity); !heard) {
                Make(to, {});
                return heard;
            }
        }
        copy.identity.size = file->identity.size;
        copy.identity.written = file->identity.written; // a copy takes its source's time
        Make(to, std::move(copy));
        return {};
    }

    Outcome<void> TryCreateFolder(const std::string& path) override
    {
        if (FolderExists(path))
            return {};
        if (PathExists(path))
            return Failed("CreateFolder", path, FsErrorKind::AlreadyExists);
        if (!FolderExists(Parent(path)))
            return Failed("CreateFolder", path, FsErrorKind::NotFound);
        Planned folder;
        folder.kind = Planned::Kind::Folder;
        Make(path, std::move(folder));
        return {};
    }

    Outcome<bool> TrySameContent(const std::string& a, const std::string& b) override
    {
        const Planned* pa = Find(a);
        const Planned* pb = Find(b);
        if ((!pa || !pa->text) && (!pb || !pb->text))
            return real_->TrySameContent(pa ? pa->source : a, pb ? pb->source : b);
        Outcome<std::string> ta = TryReadTextFile(a);
        if (!ta)
            return ta.Failure();
        Outcome<std::string> tb = TryReadTextFile(b);
        if (!tb)
            return tb.Failure();
        return *ta == *tb;
    }

    Outcome<void> TryReadText(const std::string& path, const TextSink& take) override
    {
        const Planned* p = Find(path);
        if (!p)
            return real_->TryReadText(path, take);
        if (p->kind != Planned::Kind::File)
            return Failed("Open", path,
                          p->kind == Planned::Kind::Gone ? FsErrorKind::NotFound : FsErrorKind::NotRegular);
        if (!p->text)
            return real_->TryReadText(p->source, take);
        if (!p->text->empty())
            take(*p->text, p->text->size());
        return {};
    }

    Outcome<void> TryWriteTextFile(const std::string& path, const std::string& text, const CreatedFn& created) override
    {
        if (!FolderExists(Parent(path)))
            return Failed("CreateFile", path, FsErrorKind::NotFound);
        if (const Planned* p = Find(path); p ? p->kind == Planned::Kind::Folder : real_->FolderExists(path))
            return Failed("CreateFile", path, FsErrorKind::NotRegular);
        Planned file;
        file.kind = Planned::Kind::File;
        file.identity = NewIdentity(0);
        file.text.emplace();
        Make(path, file);
        if (created) {
            if (Outcome<void> heard = created(file.identity); !heard) {
                Make(path, {});
                return heard;
            }
        }
        file.text = text;
        file.identity.size = text.size();
        Make(path, std::move(file));
        return {};
    }

    Outcome<void> TryAppendTextFile(const std::string& path, const std::string& text, bool /*flush*/) override
    {
        std::string whole;
        if (const Planned* p = Find(path); p && p->kind == Planned::Kind::File) {
            whole = p->text.value_or(std::string());
        } else if (!p && real_->PathExists(path)) {
            Outcome<std::string> own = real_->TryReadOwnFile(path);
            if (!own)
                return own.Failure();
            whole = std::move(*own);
        } else if (p && p->kind == Planned::Kind::Folder) {
            return Failed("Open", path, FsErrorKind::NotRegular);
        } else if (!FolderExists(Parent(path))) {
            return Failed("Open", path, FsErrorKind::NotFound);
        }
        whole.resize(whole.rfind('\n') == std::string::npos ? 0 : whole.rfind('\n') + 1); // a torn line goes
        whole += text;
        Planned file;
        file.kind = Planned::Kind::File;
        file.identity = NewIdentity(0);
        file.identity.size = whole.size();
        file.text = std::move(whole);
        Make(path, std::move(file));
        return {};
    }

    Outcome<std::string> TryReadOwnFile(const std::string& path) override
    {
        const Planned* p = Find(path);
        if (!p)
            return real_->TryReadOwnFile(path);
        if (p->kind != Planned::Kind::File || !p->text)
            return Failed("Open", path,
                          p->kind == Planned::Kind::Gone ? FsErrorKind::NotFound : FsErrorKind::NotRegular);
        return *p->text;
    }

    Outcome<void> TryReplaceFile(const std::string& from, const std::string& to) override
    {
        Outcome<Planned> file = FileAt(from, "ReplaceFile");
        if (!file)
            return file.Failure();
        Make(to, std::move(*file));
        Make(from, {});
        return {};
    }

    Outcome<void> TryFlush() override { return {}; }

    Outcome<std::unique_ptr<FileLock>> TryLock(const std::string& path) override
    {
        // A lock file that is there is locked as the command would, so that
        // the plan waits for, or gives up on, a copy at work on the game; one
        // that is not is left unmade, and no one holds it.
        if (!Find(path) && real_->PathExists(path))
            return real_->TryLock(path);
        return std::unique_ptr<FileLock>(std::make_unique<FileLock>());
    }

    void BeginBatch() override { real_->BeginBatch(); }
    void EndBatch() override { real_->EndBatch(); }

private:
    static std::string Key(std::string_view path)
    {
        std::string plain(path);
        for (char& c : plain)
            c = c == '/' ? '\\' : c;
        while (plain.size() > 1 && plain.back() == '\\')
            plain.pop_back();
        std::string buffer;
        return std::string(FoldName(plain, buffer));
    }
    static std::string ChildKey(const std::string& folderKey, std::string_view name)
    {
        std::string buffer;
        return folderKey + '\\' + std::string(FoldName(name, buffer));
    }
    static std::string Parent(const std::string& path)
    {
        const std::size_t cut = path.find_last_of("\\/");
        return cut == std::string::npos ? std::string(".") : path.substr(0, cut);
    }
    static std::string LastPart(const std::string& path)
    {
        const std::size_t cut = path.find_last_of("\\/");
        return cut == std::string::npos ? path : path.substr(cut + 1);
    }

    const Planned* Find(const std::string& path) const
    {
        const auto found = entries_.find(Key(path));
        return found == entries_.end() ? nullptr : &found->second;
    }

    FileIdentity NewIdentity(std::uint64_t volume)
    {
        FileIdentity identity;
        identity.volume = volume;
        identity.index = (std::uint64_t{1} << 62) + ++made_; // no file of the disk's has it
        identity.written =
            std::chrono::duration_cast<std::chrono::seconds>(std::chrono::system_clock::now().time_since_epoch())
                .count();
        return identity;
    }

    // The regular file of that name, as the plan has it now.
    Outcome<Planned> FileAt(const std::string& path, const char* operation)
    {
        if (const Planned* p = Find(path)) {
            if (p->kind == Planned::Kind::File)
                return *p;
            return Failed(operation, path,
                          p->kind == Planned::Kind::Gone ? FsErrorKind::NotFound : FsErrorKind::NotRegular);
        }
        const std::optional<FileIdentity> identity = real_->IdentityOf(path);
        if (!identity)
            return Failed(operation, path, real_->PathExists(path) ? FsErrorKind::NotRegular : FsErrorKind::NotFound);
        Planned file;
        file.kind = Planned::Kind::File;
        file.source = path;
        file.identity = *identity;
        file.readOnly = real_->IsReadOnly(path);
        return file;
    }

    Outcome<void> FreeName(const std::string& to, const char* operation)
    {
        if (PathExists(to))
            return Failed(operation, to, FsErrorKind::AlreadyExists);
        if (!FolderExists(Parent(to)))
            return Failed(operation, to, FsErrorKind::NotFound);
        return {};
    }

    // Gives the name what the plan made of it; the first change to a name
    // remembers what the disk held there.
    void Make(const std::string& path, Planned what)
    {
        const std::string key = Key(path);
        auto [at, first] = entries_.try_emplace(key);
        if (first) {
            if (const std::optional<FileIdentity> there = real_->IdentityOf(path)) {
                at->second.realFile = true;
                at->second.realBytes = there->size;
            }
            children_[Key(Parent(path))].insert(key);
        }
        what.realFile = at->second.realFile;
        what.realBytes = at->second.realBytes;
        what.name = LastPart(path);
        at->second = std::move(what);
    }

    std::unique_ptr<FileSystemService> real_;
    std::unordered_map<std::string, Planned> entries_;                          // by folded path
    std::unordered_map<std::string, std::unordered_set<std::string>> children_; // folded paths, by folder
    std::uint64_t made_ = 0;
};

} // namespace

std::unique_ptr<FileSystemService> CreatePlanningService(std::unique_ptr<FileSystemService> real)
{
    return std::make_unique<PlanningFileSystem>(std::move(real));
}

} // namespace ovcache
