// Times the commands on demo caches of growing size, each against its floor:
// the least the same work can cost with plain system calls on the same files,
// measured in the same run. Prints a table; asserts nothing.
//
//   ovcache-bench [ENTRIES...]     (default 1000 10000 50000)
#include "catalogue/cacheIndex.h"
#include "catalogue/commands.h"
#include "catalogue/destinations.h"
#include "demoGame.h"
#include "mainwindow/frmOVCache.h"
#include "mainwindow/messageBox.h"
#include "platform/pathMapper.h"

#include <QApplication>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <dirent.h>
#include <fcntl.h>
#include <fstream>
#include <functional>
#include <sstream>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace fs = std::filesystem;
using namespace ovcache;

namespace {

class NullView : public CacheView {
public:
    void ClearList() override { entries.clear(); }
    void AddListEntry(const std::string& text) override { entries.push_back(text); }
    std::string SelectedEntry() const override { return selected; }
    void SetLabel(DataLabel, const std::string&) override {}
    int MsgBox(const std::string&, const std::string&, MsgIcon, MsgButtons buttons) override
    {
        return buttons == MsgButtons::YesNo ? vbYes : vbOK;
    }
    void EndProgram(int) override {}
    std::vector<std::string> entries;
    std::string selected;
};

double Seconds(const std::function<void()>& work)
{
    const auto start = std::chrono::steady_clock::now();
    work();
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

struct Row {
    std::string what;
    long entries;
    double time, floor, peakMiB;
};

constexpr int kMoveRuns = 2;

struct ChildResult {
    double seconds = 0;
    double peakMiB = 0;
};

// Runs one command in a fresh process of this program, so that its peak
// memory is its own: "--child COMMAND PREFIX [SELECTED]" prints the seconds.
ChildResult RunChild(const std::vector<std::string>& args)
{
    int out[2];
    if (::pipe(out) != 0)
        return {};
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::dup2(out[1], 1);
        ::close(out[0]);
        std::vector<char*> argv;
        static char self[] = "/proc/self/exe";
        argv.push_back(self);
        for (const std::string& arg : args)
            argv.push_back(const_cast<char*>(arg.c_str()));
        argv.push_back(nullptr);
        ::execv("/proc/self/exe", argv.data());
        ::_exit(127);
    }
    ::close(out[1]);
    std::string text;
    char buffer[256];
    for (ssize_t n; (n = ::read(out[0], buffer, sizeof buffer)) > 0;)
        text.append(buffer, static_cast<std::size_t>(n));
    ::close(out[0]);
    int status = 0;
    rusage usage{};
    ::wait4(pid, &status, 0, &usage);
    return {std::atof(text.c_str()), static_cast<double>(usage.ru_maxrss) / 1024.0};
}

int ChildMain(int argc, char** argv)
{
    const std::string command = argv[2];
    ::setenv("WINEPREFIX", argv[3], 1);
    if (command == "idle")
        return std::printf("0\n"), 0;
    NullView view;
    WorkingState state;
    Form_Load(state, view, CreateFileSystemService());
    view.selected = argc > 4 ? argv[4] : "";
    const double seconds = Seconds([&] {
        if (command == "list")
            LoadCacheList(state, view);
        else if (command == "move")
            cmdMove_Click(state, view);
        else if (command == "moveall")
            cmdMoveAll_Click(state, view);
        else if (command == "clear")
            cmdClear_Click(state, view);
    });
    std::printf("%.6f\n", seconds);
    return 0;
}

class Bench {
public:
    explicit Bench(fs::path root) : root_(std::move(root)) {}

    demo::DemoGame Fresh(long entries, bool mapsOnly = false)
    {
        fs::remove_all(root_);
        demo::DemoOptions options;
        options.entries = entries;
        options.seed = static_cast<unsigned>(entries);
        options.mapsOnly = mapsOnly;
        auto game = demo::MakeDemoGame(root_, options);
        ::setenv("WINEPREFIX", game.prefix.c_str(), 1);
        ::sync(); // start each measurement from a quiet disk
        return game;
    }

    void Start(WorkingState& state, NullView& view)
    {
        state = WorkingState{};
        Form_Load(state, view, CreateFileSystemService());
    }

    // (cached file, destination) of every line the rule places, natively.
    static std::vector<std::pair<std::string, std::string>>
    Placed(const WorkingState& state, const std::function<EntryKind(const std::string&)>& rule)
    {
        std::ifstream in(ToNativePath(IndexPath(state.strCachePath)), std::ios::binary);
        std::stringstream text;
        text << in.rdbuf();
        std::vector<std::pair<std::string, std::string>> moves;
        PathResolver resolver;
        for (const std::string& line : SplitIndexLines(text.str())) {
            const EntryKind kind = rule(line);
            if (kind != EntryKind::Other && EqPos(line) > 0)
                moves.emplace_back(resolver.Resolve(CachedFilePath(state.strCachePath, EntryKey(line))),
                                   resolver.Resolve(DestinationPath(state.strGameFolder, kind, EntryName(line))));
        }
        return moves;
    }

    static double Renames(const std::vector<std::pair<std::string, std::string>>& moves)
    {
        return Seconds([&] {
            for (const auto& [from, to] : moves)
                if (::rename(from.c_str(), to.c_str()) != 0)
                    std::perror(from.c_str());
        });
    }

    void Run(long n, std::vector<Row>& rows)
    {
        WorkingState state;
        NullView view;
        const auto child = [&](const char* command, const std::string& selected = {}) {
            return RunChild({"--child", command, root_.string(), selected});
        };

        Fresh(n);
        Start(state, view);
        ChildResult list{1e9, 0};
        double listFloor = 1e9;
        for (int k = 0; k < 3; ++k) {
            const ChildResult run = child("list");
            list = {std::min(list.seconds, run.seconds), std::max(list.peakMiB, run.peakMiB)};
            const std::string cache = ToNativePath(state.strCachePath);
            listFloor =
                std::min(listFloor, Seconds([&] {
                             std::ifstream in(cache + "/cache.ini", std::ios::binary);
                             std::string index((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
                             DIR* dir = ::opendir(cache.c_str());
                             std::uint64_t total = index.size();
                             while (dirent* entry = ::readdir(dir)) {
                                 struct stat st {};
                                 if (::fstatat(::dirfd(dir), entry->d_name, &st, AT_SYMLINK_NOFOLLOW) == 0)
                                     total += static_cast<std::uint64_t>(st.st_size);
                             }
                             ::closedir(dir);
                             if (total == 0)
                                 std::puts("");
                         }));
        }
        rows.push_back({"LoadCacheList", n, list.seconds, listFloor, list.peakMiB});

        // The moves are timed twice, each on a fresh cache, against a floor
        // also taken twice; the best of each counts, so that one slow moment
        // of the disk on either side does not decide the ratio.
        const auto best = [&](const std::function<ChildResult()>& run) {
            ChildResult result{1e9, 0};
            for (int k = 0; k < kMoveRuns; ++k) {
                const ChildResult once = run();
                result = {std::min(result.seconds, once.seconds), std::max(result.peakMiB, once.peakMiB)};
            }
            return result;
        };
        Fresh(n);
        Start(state, view);
        const std::string selected = view.entries.at(view.entries.size() / 2);
        const auto moveRule = [&](const std::string& l) { return ClassifyForMove(l, selected); };
        const ChildResult move = best([&] {
            Fresh(n);
            return child("move", selected);
        });
        const ChildResult moveFloor = best([&] {
            Fresh(n);
            Start(state, view);
            return ChildResult{Renames(Placed(state, moveRule)), 0};
        });
        rows.push_back({"Move", n, move.seconds, moveFloor.seconds, move.peakMiB});

        const ChildResult moveAll = best([&] {
            Fresh(n);
            return child("moveall");
        });
        const ChildResult moveAllFloor = best([&] {
            Fresh(n);
            Start(state, view);
            return ChildResult{Renames(Placed(state, ClassifyForMoveAll)), 0};
        });
        rows.push_back({"Move All", n, moveAll.seconds, moveAllFloor.seconds, moveAll.peakMiB});

        Fresh(n);
        const ChildResult clear = child("clear");
        Fresh(n);
        Start(state, view);
        const std::string cache = ToNativePath(state.strCachePath);
        std::vector<std::string> files;
        for (const auto& entry : fs::directory_iterator(cache))
            files.push_back(entry.path().string());
        rows.push_back({"Clear Cache", n, clear.seconds, Seconds([&] {
                            for (const std::string& file : files)
                                ::unlink(file.c_str());
                        }),
                        clear.peakMiB});
    }

    // The real window's list filled with every map of a cache of n maps.
    double Window(long n)
    {
        Fresh(n, true);
        MessageBox::SetNextAnswers({});
        frmOVCache window;
        const double load = Seconds([&] { window.Form_Load(); });
        const double refill = Seconds([&] {
            LoadCacheList(window.State(), window);
            window.SelectedEntry();
        });
        std::printf("\nWindow, %ld maps offscreen: start-up %.3f s, refilling the list %.3f s\n", n, load, refill);
        return load;
    }

    const fs::path& Root() const { return root_; }
    ~Bench() { fs::remove_all(root_); }

private:
    fs::path root_;
};

} // namespace

int main(int argc, char** argv)
{
    if (argc >= 4 && std::string(argv[1]) == "--child")
        return ChildMain(argc, argv);
    std::vector<long> sizes;
    for (int k = 1; k < argc; ++k)
        sizes.push_back(std::atol(argv[k]));
    if (sizes.empty())
        sizes = {1000, 10000, 50000};

    Bench bench(fs::temp_directory_path() / ("ovcache-bench-" + std::to_string(::getpid())));
    bench.Fresh(0);
    const double idle = RunChild({"--child", "idle", bench.Root().string()}).peakMiB;
    std::vector<Row> rows;
    std::printf("Each command runs in a process of its own; peak is that process's peak memory above the\n"
                "program's idle size (%.1f MiB). The floor is the same work done with plain system calls.\n\n",
                idle);
    std::printf("%-14s %8s %10s %10s %7s %10s\n", "command", "entries", "time s", "floor s", "ratio", "peak MiB");
    for (const long n : sizes) {
        const std::size_t first = rows.size();
        bench.Run(n, rows);
        for (std::size_t k = first; k < rows.size(); ++k)
            std::printf("%-14s %8ld %10.4f %10.4f %7.2f %10.1f\n", rows[k].what.c_str(), rows[k].entries, rows[k].time,
                        rows[k].floor, rows[k].time / rows[k].floor, rows[k].peakMiB - idle);
        std::fflush(stdout);
    }
    // The targets, at the largest size: every ratio at most 1.5, time at most
    // 6 times the next size down's, peak at most 64 MiB above idle, the
    // window's list under half a second.
    std::vector<std::string> missed;
    for (const Row& row : rows) {
        if (row.entries != sizes.back())
            continue;
        if (row.time / row.floor > 1.5)
            missed.push_back(row.what + " ratio");
        if (row.peakMiB - idle > 64)
            missed.push_back(row.what + " memory");
        for (const Row& before : rows)
            if (sizes.size() >= 2 && before.entries == sizes[sizes.size() - 2] && before.what == row.what &&
                row.time / before.time >
                    6.0 * static_cast<double>(row.entries) / static_cast<double>(before.entries) / 5.0)
                missed.push_back(row.what + " growth");
    }
    if (sizes.size() >= 2) {
        std::printf("\nGrowth from %ld to %ld entries (linear would be %.1f):\n", sizes[sizes.size() - 2], sizes.back(),
                    static_cast<double>(sizes.back()) / static_cast<double>(sizes[sizes.size() - 2]));
        for (const Row& last : rows)
            if (last.entries == sizes.back())
                for (const Row& before : rows)
                    if (before.entries == sizes[sizes.size() - 2] && before.what == last.what)
                        std::printf("  %-14s %.2fx\n", last.what.c_str(), last.time / before.time);
    }

    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    if (bench.Window(sizes.back()) >= 0.5)
        missed.emplace_back("window");
    std::printf("\nTargets missed: %s\n", missed.empty() ? "none" : "");
    for (const std::string& what : missed)
        std::printf("  %s\n", what.c_str());
    return 0;
}
