#pragma once
// The message boxes the windows show, and the texts only the windows say;
// what both windows and the command line say is in words/.
#include "words/words.h"

#include <string>

namespace ovcache {

enum class MsgIcon { None, Critical };
enum class MsgButtons { OK, YesNo }; // with Yes and No, Yes is the default button

// A message box's answer; Yes keeps the value 6 that the game's own tools
// give it.
enum class MsgAnswer : int { OK = 1, Yes = 6, No = 7 };

namespace forms {

inline constexpr const char* kChooseFileTitle = N_("Choose File");
inline constexpr const char* kNothingChosen = N_("No file chosen from the list box");
inline constexpr const char* kFileExistsTitle = N_("File Exists");
// The question before a map replaces the one of its name in folder's Maps.
std::string OverwriteQuestion(const std::string& gameFolder, const std::string& name);
inline constexpr const char* kClearTitle = N_("Clear Cache");
std::string ClearQuestion(const std::string& cacheFolder);
// Where Windows refused this program the game's folders.
std::string RestartQuestion(const std::string& gameFolder);
std::string UnexpectedFailureText(const std::string& what);
inline constexpr const char* kSysInfoUnavailable = N_("System Information Is Unavailable At This Time");

} // namespace forms
} // namespace ovcache
