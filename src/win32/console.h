#pragma once
// The command line of the Windows program: its arguments as the system has
// them (UTF-16, read back in UTF-8), and the console or file it was started
// with, for what the program says.
#include "console/consoleRun.h"

#include <string>
#include <vector>

#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

namespace ovcache::win32 {

// The arguments after the program's name, in UTF-8.
std::vector<std::string> Arguments();
// The whole command line as the system has it, in UTF-8.
std::string CommandLineText();

// A windowed program has no console of its own: its words go to the standard
// handles it was given (a file, a pipe, or the terminal under Wine), else to
// the console of the program that started it (cmd, PowerShell).
class ConsoleStreams : public console::Output {
public:
    ~ConsoleStreams() override;
    void Out(std::string_view text) override { outLost_ = !Write(STD_OUTPUT_HANDLE, text) || outLost_; }
    void Err(std::string_view text) override { Write(STD_ERROR_HANDLE, text); }
    bool OutDelivered() override { return !outLost_; }

private:
    // false when the text was given a handle that did not take it all
    bool Write(DWORD which, std::string_view text);
    bool outLost_ = false;
    HANDLE console_ = INVALID_HANDLE_VALUE; // the parent's console, once attached
    bool attachTried_ = false;
};

} // namespace ovcache::win32
