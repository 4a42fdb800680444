// The Windows program driven as a player would drive it: the real .exe is
// started on a game install, its windows are found and read, its buttons and
// menus pressed and its message boxes answered by their own buttons.
#include "platform/language.h"
#include "testSupport.h"
#include "win32/form.h"
#include "win32/frmAbout.h"
#include "win32/frmOVCache.h"
#include "win32/gameFolder.h"
#include "win32/icons.h"
#include "win32/messageBox.h"
#include "win32/textCodec.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <functional>
#include <gtest/gtest.h>
#include <map>
#include <thread>

namespace ovcache {
namespace {

using namespace std::chrono_literals;
using test::ReadFile;
using test::WriteFile;
using win32::ControlId;
using win32::MenuId;
namespace fs = std::filesystem;

bool WaitFor(const std::function<bool()>& condition, std::chrono::milliseconds limit = 15s)
{
    const auto end = std::chrono::steady_clock::now() + limit;
    while (std::chrono::steady_clock::now() < end) {
        if (condition())
            return true;
        std::this_thread::sleep_for(20ms);
    }
    return condition();
}

std::wstring TextOf(HWND window)
{
    wchar_t text[4096] = {};
    DWORD_PTR got = 0;
    SendMessageTimeoutW(window, WM_GETTEXT, 4096, reinterpret_cast<LPARAM>(text), SMTO_ABORTIFHUNG, 5000, &got);
    return text;
}

std::wstring ClassOf(HWND window)
{
    wchar_t name[64] = {};
    GetClassNameW(window, name, 64);
    return name;
}

// The program under test, started on the game the registry names, or with
// the arguments given.
class Program {
public:
    explicit Program(const std::wstring& arguments = {})
    {
        wchar_t self[MAX_PATH] = {};
        GetModuleFileNameW(nullptr, self, MAX_PATH);
        const fs::path exe = fs::path(self).parent_path().parent_path() / "orvane-cache-importer.exe";
        STARTUPINFOW startup{};
        startup.cb = sizeof startup;
        std::wstring commandLine = L"\"" + exe.wstring() + L"\" " + arguments;
        if (!CreateProcessW(exe.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                            &process_))
            throw std::runtime_error("cannot start " + exe.string());
        WaitForInputIdle(process_.hProcess, 15000);
    }
    ~Program()
    {
        if (WaitForSingleObject(process_.hProcess, 0) == WAIT_TIMEOUT) {
            TerminateProcess(process_.hProcess, 99);
            WaitForSingleObject(process_.hProcess, 5000);
        }
        CloseHandle(process_.hThread);
        CloseHandle(process_.hProcess);
    }
    Program(const Program&) = delete;
    Program& operator=(const Program&) = delete;

    // A visible top-level window of the program of that class (and title).
    HWND Find(const std::wstring& windowClass, const std::wstring& title = {}) const
    {
        struct Search {
            DWORD pid;
            const std::wstring *windowClass, *title;
            HWND found;
        } search{process_.dwProcessId, &windowClass, &title, nullptr};
        EnumWindows(
            [](HWND window, LPARAM data) -> BOOL {
                auto* s = reinterpret_cast<Search*>(data);
                DWORD pid = 0;
                GetWindowThreadProcessId(window, &pid);
                if (pid == s->pid && IsWindowVisible(window) && ClassOf(window) == *s->windowClass &&
                    (s->title->empty() || TextOf(window) == *s->title)) {
                    s->found = window;
                    return FALSE;
                }
                return TRUE;
            },
            reinterpret_cast<LPARAM>(&search));
        return search.found;
    }
    HWND WaitForWindow(const std::wstring& windowClass, const std::wstring& title = {}) const
    {
        HWND found = nullptr;
        WaitFor([&] { return (found = Find(windowClass, title)) != nullptr; });
        return found;
    }
    HWND Main() const { return WaitForWindow(win32::kMainClass, L"Orvane Cache Importer"); }

    // The message box that comes up next: its title and text, answered with
    // the button of that id.
    struct Box {
        std::wstring title, text;
    };
    Box Answer(int button) const
    {
        const HWND box = WaitForWindow(L"#32770");
        if (!box)
            return {L"(no box)", {}};
        Box seen{TextOf(box), TextOf(GetDlgItem(box, 0xFFFF))};
        PostMessageW(box, WM_COMMAND, MAKEWPARAM(button, BN_CLICKED),
                     reinterpret_cast<LPARAM>(GetDlgItem(box, button)));
        WaitFor([&] { return !IsWindow(box) || !IsWindowVisible(box); });
        return seen;
    }

    // Presses a control as a click would.
    static void Click(HWND control) { PostMessageW(control, BM_CLICK, 0, 0); }
    static void Menu(HWND window, std::string_view item)
    {
        PostMessageW(window, WM_COMMAND, MAKEWPARAM(MenuId(forms::kMainForm, item), 0), 0);
    }
    static HWND Control(HWND window, const forms::Form& form, std::string_view name)
    {
        return GetDlgItem(window, ControlId(form, name));
    }

    HWND Focus() const
    {
        GUITHREADINFO info{};
        info.cbSize = sizeof info;
        return GetGUIThreadInfo(process_.dwThreadId, &info) ? info.hwndFocus : nullptr;
    }

    int ExitCode() const
    {
        if (WaitForSingleObject(process_.hProcess, 15000) != WAIT_OBJECT_0)
            return -1;
        DWORD code = 0;
        GetExitCodeProcess(process_.hProcess, &code);
        return static_cast<int>(code);
    }

private:
    PROCESS_INFORMATION process_{};
};

std::vector<std::wstring> ListItems(HWND list)
{
    std::vector<std::wstring> items;
    const auto count = SendMessageW(list, LB_GETCOUNT, 0, 0);
    for (LRESULT k = 0; k < count; ++k) {
        wchar_t text[512] = {};
        SendMessageW(list, LB_GETTEXT, static_cast<WPARAM>(k), reinterpret_cast<LPARAM>(text));
        items.emplace_back(text);
    }
    return items;
}

// A control's rectangle within its window's client area, in pixels.
forms::Rect ClientRectOf(HWND control)
{
    RECT rect{};
    GetWindowRect(control, &rect);
    MapWindowPoints(nullptr, GetParent(control), reinterpret_cast<POINT*>(&rect), 2);
    return {rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top};
}

// The DPI the program is shown at: the system's (Wine's LogPixels).
int ScreenDpi()
{
    const HDC screen = GetDC(nullptr);
    const int dpi = GetDeviceCaps(screen, LOGPIXELSX);
    ReleaseDC(nullptr, screen);
    return dpi;
}

// The window and its controls where the form's twips put them at dpi (the
// screen's unless a monitor change said otherwise), captioned as the form
// says; each label's caption whole on one line, measured in the font the
// control draws with.
void ExpectLaidOut(HWND window, const forms::Form& form, int dpi = ScreenDpi())
{
    SCOPED_TRACE("at " + std::to_string(dpi) + " DPI");
    std::printf("[ layout   ] %s at %d DPI\n", std::string(form.name).c_str(), dpi);
    // The client area in pixels at each scale, and at 96 DPI each control's
    // rectangle (the form's twips / 15), as measured from the form.
    const std::map<std::pair<std::string_view, int>, std::pair<LONG, LONG>> clients = {
        {{"frmOVCache", 96}, {297, 299}},  {{"frmOVCache", 120}, {371, 373}}, {{"frmOVCache", 144}, {445, 448}},
        {{"frmOVCache", 192}, {594, 598}}, {{"frmAbout", 96}, {382, 237}},    {{"frmAbout", 120}, {477, 296}},
        {{"frmAbout", 144}, {573, 355}},   {{"frmAbout", 192}, {764, 474}},
    };
    const std::map<std::string_view, forms::Rect> at96 = {
        {"frmCacheDir", {8, 8, 281, 73}},
        {"lblCacheSize", {16, 56, 81, 17}},
        {"lblCacheSizeData", {112, 56, 169, 17}},
        {"lblFileCount", {16, 40, 81, 17}},
        {"lblFileCountData", {112, 40, 169, 17}},
        {"lblPathData", {112, 24, 169, 17}},
        {"lblPath", {16, 24, 81, 17}},
        {"frmMaps", {8, 88, 281, 169}},
        {"lstCache", {16, 104, 265, 147}},
        {"cmdMoveAll", {104, 264, 81, 25}},
        {"cmdClear", {200, 264, 89, 25}},
        {"cmdMove", {8, 264, 81, 25}},
        {"picIcon", {16, 16, 36, 36}},
        {"cmdOK", {283, 175, 84, 23}},
        {"cmdSysInfo", {284, 205, 83, 23}},
        {"lblDescription", {70, 75, 259, 78}},
        {"lblTitle", {70, 16, 259, 32}},
        {"lblVersion", {70, 52, 259, 15}},
        {"lblDisclaimer", {16, 175, 258, 55}},
    };
    RECT client{};
    GetClientRect(window, &client);
    ASSERT_TRUE(clients.count({form.name, dpi})) << "no sizes written down for this scale";
    EXPECT_EQ(client.right, clients.at({form.name, dpi}).first);
    EXPECT_EQ(client.bottom, clients.at({form.name, dpi}).second);
    EXPECT_EQ(TextOf(window), win32::Wide(forms::Said(form.caption)));
    const HDC dc = GetDC(nullptr);
    for (const forms::Control& control : form.controls) {
        SCOPED_TRACE(std::string(control.name));
        const HWND child = Program::Control(window, form, control.name);
        ASSERT_NE(child, nullptr);
        const forms::Rect want =
            dpi == 96 ? at96.at(control.name) : forms::ToPixels(forms::ClientRect(form, control), dpi);
        const forms::Rect got = ClientRectOf(child);
        EXPECT_EQ(std::tie(got.left, got.top, got.width, got.height),
                  std::tie(want.left, want.top, want.width, want.height));
        if (control.caption != forms::kPlaceholder && control.kind != forms::Kind::ListBox) {
            EXPECT_EQ(TextOf(child), win32::Wide(forms::Said(control.caption)));
        }
        if (form.name == forms::kMainForm.name && control.kind == forms::Kind::Label &&
            control.caption != forms::kPlaceholder) {
            // A font handle is the process's own: the program's font rule
            // stands in for the font of a window of another process.
            DWORD process = 0;
            GetWindowThreadProcessId(child, &process);
            const bool own = process == GetCurrentProcessId();
            const HFONT font =
                own ? reinterpret_cast<HFONT>(SendMessageW(child, WM_GETFONT, 0, 0)) : win32::MakeFont(dpi);
            ASSERT_NE(font, nullptr);
            const HGDIOBJ old = SelectObject(dc, font);
            const std::wstring caption = win32::Wide(forms::Said(control.caption));
            SIZE size{};
            GetTextExtentPoint32W(dc, caption.c_str(), static_cast<int>(caption.size()), &size);
            SelectObject(dc, old);
            if (!own)
                DeleteObject(font);
            EXPECT_LE(size.cx, forms::DrawnWidth(got.width)) << "the caption would wrap";
            EXPECT_LE(size.cy, got.height) << "the caption would be cut";
        }
    }
    ReleaseDC(nullptr, dc);
}

class Win32WindowTest : public test::CommandTest {
protected:
    void SetUp() override
    {
        CommandTest::SetUp();
        // The program speaks the user's display language: so do the
        // captions the tests expect of it.
        UseLanguage(PreferredLanguages());
        prefix.WriteIndex(
            {"[Cache]", "A=dm-beta.kmx", "B=Bot.u", "C=CTF-Alpha.kmx", "D=DM-Gamma.kmx", "E=Caf\xE9.kmx"});
        for (const char* key : {"A", "B", "C", "D", "E"})
            prefix.AddCached(key);
    }
};

TEST_F(Win32WindowTest, windowIsDrawnAsDesignedAndListsTheCache)
{
    Program program;
    const HWND main = program.Main();
    ASSERT_NE(main, nullptr);
    ExpectLaidOut(main, forms::kMainForm);
    const LONG_PTR style = GetWindowLongPtrW(main, GWL_STYLE);
    EXPECT_TRUE(style & WS_MINIMIZEBOX);
    EXPECT_FALSE(style & (WS_MAXIMIZEBOX | WS_THICKFRAME));

    // Sorted without regard to case; the accented name shown as it is meant
    // in the system's code page (1252 but where the test runs in Russian).
    const HWND list = Program::Control(main, forms::kMainForm, "lstCache");
    const std::wstring accented = GetACP() == 1251 ? L"Caf\u0439.kmx" : L"Caf\u00E9.kmx";
    EXPECT_EQ(ListItems(list),
              (std::vector<std::wstring>{accented, L"CTF-Alpha.kmx", L"dm-beta.kmx", L"DM-Gamma.kmx"}));
    EXPECT_EQ(TextOf(Program::Control(main, forms::kMainForm, "lblPathData")), win32::Wide(prefix.CacheWin()));
    EXPECT_EQ(TextOf(Program::Control(main, forms::kMainForm, "lblFileCountData")), L"5");
    EXPECT_EQ(TextOf(Program::Control(main, forms::kMainForm, "lblCacheSizeData")),
              win32::Wide(Fill(T("{number} Megabytes"), {{"number", ""}})));
    EXPECT_EQ(program.Focus(), Program::Control(main, forms::kMainForm, "cmdMove"));

    Program::Menu(main, "mnuExit");
    EXPECT_EQ(program.ExitCode(), 0);
}

// Menus are the process's own under Wine, so they are read from a window made
// here; the other tests press their items in the program.
TEST_F(Win32WindowTest, menusHaveTheirCaptionsMnemonicsAndSeparator)
{
    win32::Initialise(GetModuleHandleW(nullptr));
    win32::frmOVCache window;
    std::vector<std::wstring> menus;
    const HMENU bar = GetMenu(window.Handle());
    for (int k = 0; k < GetMenuItemCount(bar); ++k) {
        wchar_t text[64] = {};
        GetMenuStringW(bar, static_cast<UINT>(k), text, 64, MF_BYPOSITION);
        menus.emplace_back(text);
        const HMENU sub = GetSubMenu(bar, k);
        for (int j = 0; j < GetMenuItemCount(sub); ++j) {
            const bool separator = GetMenuState(sub, static_cast<UINT>(j), MF_BYPOSITION) & MF_SEPARATOR;
            GetMenuStringW(sub, static_cast<UINT>(j), text, 64, MF_BYPOSITION);
            menus.emplace_back(L"  " + std::wstring(separator ? L"-" : text));
        }
    }
    EXPECT_EQ(menus, (std::vector<std::wstring>{L"&File", L"  E&xit", L"&Edit", L"  &Move", L"  Move &All", L"  -",
                                                L"  &Clear Cache", L"&Help", L"  &About"}));
}

// Moved to a monitor of another scale, both windows lay themselves out again
// at its DPI, in a font made for it.
TEST_F(Win32WindowTest, monitorChangeLaysWindowsOutAtTheNewDpi)
{
    win32::Initialise(GetModuleHandleW(nullptr));
    win32::frmOVCache main;
    win32::frmAbout about;
    for (const int dpi : {192, 120, 144, ScreenDpi()}) {
        for (const auto& [window, form] :
             {std::pair{main.Handle(), &forms::kMainForm}, std::pair{about.Handle(), &forms::kAboutForm}}) {
            RECT suggested{40, 30, 40 + forms::ToPixels(form->clientWidth, dpi),
                           30 + forms::ToPixels(form->clientHeight, dpi)};
            SendMessageW(window, WM_DPICHANGED, MAKEWPARAM(dpi, dpi), reinterpret_cast<LPARAM>(&suggested));
            ExpectLaidOut(window, *form, dpi);
        }
    }
}

// The game writes names in the system's ANSI code page: a Russian, Polish or
// Western Windows lists them as they are meant and moves them under those
// names. Run once per code page, under Wine with that locale.
TEST_F(Win32WindowTest, namesAreInTheSystemsCodePage)
{
    const struct {
        UINT codePage;
        std::string name;
        std::wstring shown;
    } rows[] = {
        {1251, "DM-\xCA\xF0\xE5\xEF\xEE\xF1\xF2\xFC.kmx", L"DM-\u041A\u0440\u0435\u043F\u043E\u0441\u0442\u044C.kmx"},
        {1250,
         "Zamek-\xA3\xF3"
         "d\x9F.kmx",
         L"Zamek-\u0141\u00F3d\u017A.kmx"},
        {1252, "Caf\xE9.kmx", L"Caf\u00E9.kmx"},
    };
    const auto row =
        std::find_if(std::begin(rows), std::end(rows), [](const auto& r) { return r.codePage == GetACP(); });
    if (row == std::end(rows))
        GTEST_SKIP() << "No names for code page " << GetACP();
    std::printf("[ codepage ] %u\n", GetACP());
    prefix.WriteIndex({"[Cache]", "K=" + row->name});
    prefix.AddCached("K");
    Program program;
    const HWND main = program.Main();
    ASSERT_NE(main, nullptr);
    const HWND list = Program::Control(main, forms::kMainForm, "lstCache");
    EXPECT_EQ(ListItems(list), std::vector<std::wstring>{row->shown});
    SendMessageW(list, LB_SETCURSEL, 0, 0);
    Program::Click(Program::Control(main, forms::kMainForm, "cmdMove"));
    ASSERT_TRUE(WaitFor([&] { return ListItems(list).empty(); }));
    EXPECT_TRUE(fs::exists(prefix.Game() / "Maps" / row->shown));
    EXPECT_FALSE(InCache("K"));
    Program::Menu(main, "mnuExit");
}

TEST_F(Win32WindowTest, commandsRunFromButtonsMenusAndTheKeyboard)
{
    WriteFile(prefix.Game() / "Maps" / "dm-beta.kmx", "mine");
    Program program;
    const HWND main = program.Main();
    ASSERT_NE(main, nullptr);
    const HWND list = Program::Control(main, forms::kMainForm, "lstCache");
    const HWND move = Program::Control(main, forms::kMainForm, "cmdMove");

    // Enter on the focused Move button with nothing chosen.
    PostMessageW(move, WM_KEYDOWN, VK_RETURN, 1);
    auto box = program.Answer(IDOK);
    EXPECT_EQ(box.title, L"Choose File");
    EXPECT_EQ(box.text, L"No file chosen from the list box");

    // Move of a map that is there already, answered No: the cached copy goes.
    SendMessageW(list, LB_SETCURSEL,
                 static_cast<WPARAM>(SendMessageW(list, LB_FINDSTRINGEXACT, static_cast<WPARAM>(-1),
                                                  reinterpret_cast<LPARAM>(L"dm-beta.kmx"))),
                 0);
    Program::Click(move);
    box = program.Answer(IDNO);
    EXPECT_EQ(box.title, L"File Exists");
    EXPECT_EQ(box.text, win32::Wide("File Already Exists " + prefix.GameWin() +
                                    "\\Maps\\dm-beta.kmx\nDo you wisht to overwrite?"));
    ASSERT_TRUE(WaitFor([&] { return ListItems(list).size() == 3; }));
    EXPECT_EQ(GameFile("Maps/dm-beta.kmx"), "mine");
    EXPECT_FALSE(InCache("A"));
    EXPECT_EQ(GameFile("System/Bot.u"), "cached B");

    // Move All from the menu: everything placed, the list emptied.
    Program::Menu(main, "mnuMoveAll");
    ASSERT_TRUE(WaitFor([&] { return ListItems(list).empty(); }));
    EXPECT_EQ(GameFile("Maps/CTF-Alpha.kmx"), "cached C");
    EXPECT_TRUE(WaitFor(
        [&] { return TextOf(Program::Control(main, forms::kMainForm, "lblCacheSizeData")) == L"0 Megabytes"; }));

    // Clear Cache, answered No and then Yes.
    WriteFile(prefix.Cache() / "junk.uxx", "j");
    Program::Click(Program::Control(main, forms::kMainForm, "cmdClear"));
    box = program.Answer(IDNO);
    EXPECT_EQ(box.title, L"Clear Cache");
    EXPECT_EQ(box.text,
              win32::Wide("This will delete all files under " + prefix.CacheWin() + "\nDo you wish to continue?"));
    EXPECT_TRUE(fs::exists(prefix.Cache() / "junk.uxx"));
    Program::Menu(main, "mnuClearCache");
    program.Answer(IDYES);
    EXPECT_TRUE(WaitFor([&] { return !fs::exists(prefix.Cache() / "junk.uxx"); }));

    PostMessageW(main, WM_CLOSE, 0, 0);
    EXPECT_EQ(program.ExitCode(), 0);
}

TEST_F(Win32WindowTest, failuresAreReportedWithTheWholeList)
{
    WriteFile(prefix.Game() / "System" / "Bot.u", "the game's own");
    Program program;
    const HWND main = program.Main();
    ASSERT_NE(main, nullptr);
    const HWND list = Program::Control(main, forms::kMainForm, "lstCache");
    SendMessageW(list, LB_SETCURSEL, 0, 0);
    Program::Menu(main, "mnuMove");
    const HWND report = program.WaitForWindow(win32::kReportClass, L"Move");
    ASSERT_NE(report, nullptr);
    const std::wstring details = TextOf(GetDlgItem(report, win32::kReportListId));
    EXPECT_NE(details.find(L"Bot.u"), std::wstring::npos);
    EXPECT_NE(TextOf(GetDlgItem(report, win32::kReportSummaryId)).find(L"could not be moved into"), std::wstring::npos);
    RECT work{}, shown{};
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
    GetWindowRect(report, &shown);
    EXPECT_LE(shown.bottom - shown.top, work.bottom - work.top);
    PostMessageW(report, WM_COMMAND, IDOK, 0);
    EXPECT_TRUE(WaitFor([&] { return !IsWindow(report); }));
    EXPECT_EQ(GameFile("System/Bot.u"), "the game's own");
    EXPECT_TRUE(InCache("B"));
    Program::Menu(main, "mnuExit");
    EXPECT_EQ(program.ExitCode(), 0);
}

TEST_F(Win32WindowTest, missingIndexIsTheOnlyBoxAndEndsWithStatusOne)
{
    fs::remove(prefix.Cache() / "cache.ini");
    Program program;
    const auto box = program.Answer(IDOK);
    EXPECT_EQ(box.title, L"Cache.ini Missing");
    EXPECT_EQ(box.text, win32::Wide("Cache.ini not found in \"" + prefix.CacheWin() + "\".\nProgram cannot continue."));
    EXPECT_EQ(program.ExitCode(), 1);
    EXPECT_EQ(program.Find(win32::kMainClass), nullptr);
}

// Without the game where the registry says, one box says where the program
// looked and offers the folder dialog; giving up ends with status 0. The
// folder the player chose is remembered and used next time; a folder named
// with --game comes first.
TEST_F(Win32WindowTest, gameNotFoundOffersItsFolderAndTheChoiceIsRemembered)
{
    const auto forget = [] {
        RegDeleteKeyValueW(HKEY_CURRENT_USER, L"Software\\Orvane Cache Importer", L"GameFolder");
    };
    forget();
    prefix.RegisterGame(prefix.DriveWin() + "\\Gone");
    {
        Program program;
        const auto box = program.Answer(IDYES);
        EXPECT_EQ(box.title, L"Orvane Not Found");
        EXPECT_NE(box.text.find(L"Orvane was not found. The program looked in:"), std::wstring::npos);
        EXPECT_NE(box.text.find(win32::Wide(prefix.DriveWin() + "\\Gone")), std::wstring::npos);
        EXPECT_NE(box.text.find(L"Do you want to choose the game's folder?"), std::wstring::npos);
        const HWND dialog = program.WaitForWindow(L"#32770", L"The game's folder");
        ASSERT_NE(dialog, nullptr) << "the folder dialog";
        PostMessageW(dialog, WM_COMMAND, IDCANCEL, 0);
        EXPECT_EQ(program.ExitCode(), 0);
    }
    {
        Program program;
        EXPECT_EQ(program.Answer(IDNO).title, L"Orvane Not Found");
        EXPECT_EQ(program.ExitCode(), 0);
    }
    RegSetKeyValueW(HKEY_CURRENT_USER, L"Software\\Orvane Cache Importer", L"GameFolder", REG_SZ,
                    win32::Wide(prefix.GameWin()).c_str(),
                    static_cast<DWORD>((win32::Wide(prefix.GameWin()).size() + 1) * sizeof(wchar_t)));
    {
        Program program;
        const HWND main = program.Main();
        ASSERT_NE(main, nullptr);
        EXPECT_EQ(ListItems(Program::Control(main, forms::kMainForm, "lstCache")).size(), 4u);
        Program::Menu(main, "mnuExit");
        EXPECT_EQ(program.ExitCode(), 0);
    }
    forget();
    {
        Program program(L"--game C:\\nowhere");
        EXPECT_EQ(program.Answer(IDOK).text, L"C:\\nowhere does not exist");
        EXPECT_EQ(program.ExitCode(), 2);
    }
}

// The folder the player chose is kept per user and read back whole, a name
// beyond the system's code page included.
TEST(RememberedFolder, isWrittenAndReadBackWhole)
{
    const auto forget = [] {
        RegDeleteKeyValueW(HKEY_CURRENT_USER, L"Software\\Orvane Cache Importer", L"GameFolder");
    };
    forget();
    EXPECT_EQ(win32::RememberedFolder(), "");
    const std::string folder = "D:\\Gry\\Orvane \u0141\u00F3d\u017A";
    win32::RememberFolder(folder);
    EXPECT_EQ(win32::RememberedFolder(), folder);
    forget();
}

TEST_F(Win32WindowTest, aboutBoxShowsItsFormAndSystemInfoSaysWhenItIsUnavailable)
{
    Program program;
    const HWND main = program.Main();
    ASSERT_NE(main, nullptr);
    Program::Menu(main, "mnuAbout");
    HWND about = program.WaitForWindow(win32::kAboutClass);
    ASSERT_NE(about, nullptr);
    ExpectLaidOut(about, forms::kAboutForm);
    EXPECT_EQ(GetWindow(about, GW_OWNER) == main, false); // owned by no window of the program's own

    EXPECT_EQ(program.Focus(), Program::Control(about, forms::kAboutForm, "cmdOK"));
    Program::Click(Program::Control(about, forms::kAboutForm, "cmdSysInfo"));
    const auto box = program.Answer(IDOK);
    EXPECT_EQ(box.title, L"Orvane Cache Importer");
    EXPECT_EQ(box.text, win32::Wide(T(forms::kSysInfoUnavailable)));
    EXPECT_TRUE(IsWindowVisible(about));

    // OK unloads it; the menu item loads it again.
    Program::Click(Program::Control(about, forms::kAboutForm, "cmdOK"));
    EXPECT_TRUE(WaitFor([&] { return program.Find(win32::kAboutClass) == nullptr; }));
    Program::Menu(main, "mnuAbout");
    about = program.WaitForWindow(win32::kAboutClass);
    EXPECT_NE(about, nullptr);
    Program::Menu(main, "mnuExit");
    EXPECT_EQ(program.ExitCode(), 0);
}

} // namespace
} // namespace ovcache
