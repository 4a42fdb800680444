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

double PeakMiB()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return static_cast<double>(usage.ru_maxrss) / 1024.0;
}

struct Row {
    std::string what;
    long entries;
    double time, floor;
};

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
    static std::vector<std::pair<std::string, std::string>> Placed(const WorkingState& state,
                                                                   const std::function<EntryKind(const std::string&)>& rule)
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

        Fresh(n);
        Start(state, view);
        double list = 1e9, listFloor = 1e9;
        for (int k = 0; k < 3; ++k) {
            list = std::min(list, Seconds([&] { LoadCacheList(state, view); }));
            const std::string cache = ToNativePath(state.strCachePath);
            listFloor = std::min(listFloor, Seconds([&] {
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
        rows.push_back({"LoadCacheList", n, list, listFloor});

        Fresh(n);
        Start(state, view);
        view.selected = view.entries.at(view.entries.size() / 2);
        const double move = Seconds([&] { cmdMove_Click(state, view); });
        Fresh(n);
        Start(state, view);
        const std::string selected = view.selected;
        rows.push_back({"Move", n, move,
                        Renames(Placed(state, [&](const std::string& l) { return ClassifyForMove(l, selected); }))});

        Fresh(n);
        Start(state, view);
        const double moveAll = Seconds([&] { cmdMoveAll_Click(state, view); });
        Fresh(n);
        Start(state, view);
        rows.push_back({"Move All", n, moveAll, Renames(Placed(state, ClassifyForMoveAll))});

        Fresh(n);
        Start(state, view);
        const double clear = Seconds([&] { cmdClear_Click(state, view); });
        Fresh(n);
        Start(state, view);
        const std::string cache = ToNativePath(state.strCachePath);
        std::vector<std::string> files;
        for (const auto& entry : fs::directory_iterator(cache))
            files.push_back(entry.path().string());
        rows.push_back({"Clear Cache", n, clear, Seconds([&] {
                            for (const std::string& file : files)
                                ::unlink(file.c_str());
                        })});
    }

    // The real window's list filled with every map of a cache of n maps.
    void Window(long n)
    {
        Fresh(n, true);
        MessageBox::SetNextAnswers({});
        frmOVCache window;
        const double load = Seconds([&] { window.Form_Load(); });
        const double refill = Seconds([&] { LoadCacheList(window.State(), window); window.SelectedEntry(); });
        std::printf("\nWindow, %ld maps offscreen: start-up %.3f s, refilling the list %.3f s\n", n, load, refill);
    }

    ~Bench() { fs::remove_all(root_); }

private:
    fs::path root_;
};

} // namespace

int main(int argc, char** argv)
{
    std::vector<long> sizes;
    for (int k = 1; k < argc; ++k)
        sizes.push_back(std::atol(argv[k]));
    if (sizes.empty())
        sizes = {1000, 10000, 50000};

    const double idle = PeakMiB();
    Bench bench(fs::temp_directory_path() / ("ovcache-bench-" + std::to_string(::getpid())));
    std::vector<Row> rows;
    std::printf("%-14s %8s %10s %10s %7s %14s\n", "command", "entries", "time s", "floor s", "ratio", "peak MiB");
    for (const long n : sizes) {
        const std::size_t first = rows.size();
        bench.Run(n, rows);
        for (std::size_t k = first; k < rows.size(); ++k)
            std::printf("%-14s %8ld %10.4f %10.4f %7.2f %14.1f\n", rows[k].what.c_str(), rows[k].entries,
                        rows[k].time, rows[k].floor, rows[k].time / rows[k].floor, PeakMiB() - idle);
        std::fflush(stdout);
    }
    if (sizes.size() >= 2) {
        std::printf("\nGrowth from %ld to %ld entries (linear would be %.1f):\n", sizes[sizes.size() - 2],
                    sizes.back(), static_cast<double>(sizes.back()) / static_cast<double>(sizes[sizes.size() - 2]));
        for (const Row& last : rows)
            if (last.entries == sizes.back())
                for (const Row& before : rows)
                    if (before.entries == sizes[sizes.size() - 2] && before.what == last.what)
                        std::printf("  %-14s %.2fx\n", last.what.c_str(), last.time / before.time);
    }
    std::printf("\nPeak memory above idle (%.1f MiB) after the commands: %.1f MiB\n", idle, PeakMiB() - idle);

    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    bench.Window(sizes.back());
    return 0;
}
