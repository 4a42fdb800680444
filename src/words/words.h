#pragma once
// The words a player reads of what the commands did, each text in one place:
// both windows and the command line say them alike.
#include "catalogue/gameLocation.h"
#include "catalogue/results.h"
#include "words/translation.h"

#include <cstdint>
#include <string>

namespace ovcache {

inline constexpr const char* kProgramTitle = "Orvane Cache Importer";

// Said of a file that could not go where a file of its name is (in English:
// T says it in the player's language).
inline constexpr const char* kAlreadyThere = N_("A file of that name is already there.");

// A name as a report shows it: past a few hundred characters its middle is
// left out, so that no box takes long to lay out.
std::string ShortName(const std::string& name);

// Why a problem's file stayed, in a sentence or two.
std::string ReasonText(const Problem& problem);
// "<file> -> <folder>" for a move, the path for other work.
std::string DetailText(const Problem& problem);
std::string NoteText(const Note& note);

// A line or two for each kind of failure (moves that failed into one folder
// for one reason counted together) after the notes; "" when there is
// nothing to say.
std::string ReportSummary(const CommandReport& report);
// Every problem, entry by entry.
std::string ReportDetails(const CommandReport& report);

// The labels: "###,###,###" of the size in megabytes (no digits below half a
// megabyte) followed by " Megabytes", and the file count.
std::string FormatMegabytes(std::uint64_t bytes, const std::string& groupSeparator);
std::string SizeText(const CacheFigures& figures, const std::string& groupSeparator);
std::string FileCountText(const CacheFigures& figures);
// The separator of thousands: the chosen language's, or the locale's (as
// the system gives it) while the program speaks English.
std::string GroupSeparator(const std::string& locales = ",");

// A cache that holds files but not its index.
inline constexpr const char* kMissingIndexTitle = N_("Cache.ini Missing");
std::string MissingIndexText(const std::string& cacheFolder);
// Another copy of the program holds the game.
std::string BusyText(const std::string& gameFolder);
// What became of the map Move was given, when nothing was moved for it.
std::string SelectedFateText(SelectedFate fate, const std::string& name);

// Where the program looked for the game, one an indented line, and what the
// search had no time for.
std::string WhereLooked(const GameLocation& location);
// The folder named that does not hold the game, and why.
std::string RefusedText(const GameLocation& location);

} // namespace ovcache
