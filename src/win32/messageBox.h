#pragma once
// Every box of the Windows program: the system's message box, and the
// failure report whose list can be scrolled and copied.
#include "forms/boxes.h"

#include <string_view>

#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

namespace ovcache::win32 {

// The failure report's window, and the ids of its summary and its list.
inline constexpr wchar_t kReportClass[] = L"OrvaneCacheImporterReport";
constexpr int kReportSummaryId = 10, kReportListId = 11;

// A modal message box; returns MsgAnswer::Yes, MsgAnswer::No or MsgAnswer::OK.
MsgAnswer ShowMessage(HWND owner, std::string_view text, std::string_view title, MsgIcon icon, MsgButtons buttons);

// A modal failure report: the summary above, the whole list in a read-only
// field that scrolls and can be copied, and OK. Never taller than the screen.
void ShowReport(HWND owner, std::string_view summary, std::string_view details, std::string_view title);

// The report's window class; once, at start-up.
void RegisterReportClass();

} // namespace ovcache::win32
