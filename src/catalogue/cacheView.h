#pragma once
// What the cache commands need of the window. The main window implements it;
// tests answer it with a fake.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace ovcache {

inline constexpr const char* kProgramTitle = "Orvane Cache Importer";

enum class DataLabel { Path, FileCount, CacheSize };
enum class MsgIcon { None, Critical };
enum class MsgButtons { OK, YesNo }; // with Yes and No, Yes is the default button

// A message box's answer; Yes keeps the value 6 that the game's own tools
// give it.
enum class MsgAnswer : int { OK = 1, Yes = 6, No = 7 };

class CommandReport;

class CacheView {
public:
    virtual ~CacheView() = default;
    virtual void ClearList() = 0;
    virtual void AddListEntry(std::string_view text) = 0;
    // The text of the selected entry, "" when none is selected.
    virtual std::string SelectedEntry() = 0;
    virtual void SetLabel(DataLabel label, const std::string& caption) = 0;
    // Modal; returns the answer, MsgAnswer::Yes for Yes.
    virtual MsgAnswer MsgBox(const std::string& text, const std::string& title, MsgIcon icon, MsgButtons buttons) = 0;
    // A failure report: a short summary, and the whole list (may be empty)
    // where the player can scroll it and copy it. One critical box by default.
    virtual void ShowReport(const std::string& summary, const std::string& details, const std::string& title)
    {
        MsgBox(details.empty() ? summary : summary + "\n\n" + details, title, MsgIcon::Critical, MsgButtons::OK);
    }
    // A command's report at its end (or before a box that ends the program):
    // by default ShowReport of its summary and details, when it says anything.
    virtual void Report(const CommandReport& report, const std::string& title);
    // What a command did with an entry once it is done with it for good:
    // moved into a folder ("Maps", "System", ...), replacing the map of its
    // name there or not, or discarded (folder "").
    virtual void DoneWith(std::string_view /*entry*/, std::string_view /*folder*/, bool /*replaced*/) {}
    // The cache directory's figures, as its labels show them.
    virtual void Measured(std::size_t /*files*/, std::uint64_t /*bytes*/) {}
    virtual void EndProgram(int exitCode) = 0;
    // Long work reports how far it is: done of total files. The window keeps
    // itself painted and may show it; nothing by default.
    virtual void Progress(std::size_t /*done*/, std::size_t /*total*/) {}
};

} // namespace ovcache
