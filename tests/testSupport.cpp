#include "testSupport.h"

#include "catalogue/commands.h"

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <unistd.h>

namespace ovcache::test {

TempPrefix::TempPrefix()
{
    std::string pattern = (fs::temp_directory_path() / "ovcache-test-XXXXXX").string();
    if (!::mkdtemp(pattern.data()))
        throw std::runtime_error("mkdtemp failed");
    root_ = pattern;
    fs::create_directories(root_ / "dosdevices");
    fs::create_directories(root_ / "drive_c");
    fs::create_directory_symlink("../drive_c", root_ / "dosdevices" / "c:");
    if (const char* old = std::getenv("WINEPREFIX")) {
        hadPrefix_ = true;
        oldPrefix_ = old;
    }
    ::setenv("WINEPREFIX", root_.c_str(), 1);
}

TempPrefix::~TempPrefix()
{
    if (hadPrefix_)
        ::setenv("WINEPREFIX", oldPrefix_.c_str(), 1);
    else
        ::unsetenv("WINEPREFIX");
    std::error_code ec;
    // Read-only folders a test made would stop the removal.
    for (auto it = fs::recursive_directory_iterator(root_, ec); !ec && it != fs::recursive_directory_iterator();
         it.increment(ec))
        if (!it->is_symlink())
            fs::permissions(it->path(), fs::perms::owner_all, fs::perm_options::add, ec);
    fs::remove_all(root_, ec);
}

void TempPrefix::WriteSystemReg(const std::string& text)
{
    WriteFile(root_ / "system.reg", text);
}

void TempPrefix::RegisterGame(const std::string& folder, bool win64)
{
    std::string escaped;
    for (const char c : folder) {
        if (c == '\\' || c == '"')
            escaped += '\\';
        escaped += c;
    }
    WriteSystemReg(std::string("WINE REGISTRY Version 2\n;; All keys relative to \\\\Machine\n\n#arch=") +
                   (win64 ? "win64" : "win32") + "\n\n[Software\\\\" + (win64 ? "Wow6432Node\\\\" : "") +
                   "Zephiral Technology\\\\Installed Apps\\\\Orvane] 1700000000\n#time=1d9e0a0b0c0d0e0\n"
                   "\"Folder\"=\"" + escaped + "\"\n");
}

void TempPrefix::MakeGame()
{
    for (const char* folder : {"Cache", "Maps", "System", "Music", "Sounds"})
        fs::create_directories(Game() / folder);
    RegisterGame();
}

void TempPrefix::WriteIndex(const std::vector<std::string>& lines, const std::string& eol)
{
    std::string text;
    for (const std::string& line : lines)
        text += line + eol;
    WriteFile(Cache() / "cache.ini", text);
}

std::string TempPrefix::ReadIndex() const
{
    return ReadFile(Cache() / "cache.ini");
}

void TempPrefix::AddCached(const std::string& key, const std::string& content)
{
    WriteFile(Cache() / (key + ".uxx"), content.empty() ? "cached " + key : content);
}

std::map<std::string, std::string> TempPrefix::Snapshot() const
{
    std::map<std::string, std::string> files;
    for (const auto& entry : fs::recursive_directory_iterator(root_))
        if (entry.is_regular_file() && !entry.is_symlink())
            files[fs::relative(entry.path(), root_).string()] = ReadFile(entry.path());
    return files;
}

void WriteFile(const fs::path& path, const std::string& content)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << content;
    if (!out)
        throw std::runtime_error("cannot write " + path.string());
}

std::string ReadFile(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

int FakeView::MsgBox(const std::string& text, const std::string& title, MsgIcon icon, MsgButtons buttons)
{
    boxes.push_back({text, title, icon, buttons});
    if (buttons == MsgButtons::OK)
        return vbOK;
    if (answers.empty())
        return vbNo;
    const int answer = answers.front();
    answers.pop_front();
    return answer;
}

void CommandTest::Start()
{
    ASSERT_TRUE(Form_Load(state, view, CreateFileSystemService()));
    view.boxes.clear();
}

} // namespace ovcache::test
