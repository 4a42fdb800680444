#include "platform/gameProcess.h"

#include <algorithm>

namespace ovcache {

int ShellStatus(const GameEnd& end)
{
    switch (end.how) {
    case GameEnd::How::Exited:
        return end.code;
    case GameEnd::How::Signalled:
        return 128 + end.code;
    case GameEnd::How::NotStarted:
        break;
    }
    return 127;
}

std::string CommandLineFrom(std::string_view line, std::size_t first)
{
    if (first == 0)
        return std::string(line);
    const auto blank = [](char c) { return c == ' ' || c == '\t'; };
    std::size_t at = 0;
    // The program's name ends at its closing quote, or at the first blank:
    // backslashes are no escape in it.
    if (at < line.size() && line[at] == '"') {
        const std::size_t close = line.find('"', at + 1);
        at = close == std::string_view::npos ? line.size() : close + 1;
    }
    while (at < line.size() && !blank(line[at]))
        ++at;
    for (std::size_t argument = 1; argument <= first; ++argument) {
        while (at < line.size() && blank(line[at]))
            ++at;
        if (argument == first || at == line.size())
            break;
        // An argument ends at a blank outside quotes; a quote after an even
        // run of backslashes opens or closes, after an odd one it is a quote.
        bool quoted = false;
        std::size_t backslashes = 0;
        for (; at < line.size() && (quoted || !blank(line[at])); ++at) {
            if (line[at] == '\\') {
                ++backslashes;
                continue;
            }
            if (line[at] == '"' && backslashes % 2 == 0) {
                // "" inside quotes is a quote of the argument's own
                if (quoted && at + 1 < line.size() && line[at + 1] == '"')
                    ++at;
                else
                    quoted = !quoted;
            }
            backslashes = 0;
        }
    }
    return std::string(line.substr(std::min(at, line.size())));
}

} // namespace ovcache
