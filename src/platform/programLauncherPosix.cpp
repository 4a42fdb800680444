#include "platform/programLauncher.h"

#include "platform/pathMapper.h"

#include <algorithm>
#include <spawn.h>
#include <sys/wait.h>
#include <vector>
extern char** environ;

namespace ovcache {

bool StartProgram(const std::string& windowsPath, int /*windowStyle: the window system decides*/)
{
    // Programs started earlier are reaped here once they have ended.
    static std::vector<pid_t> started;
    started.erase(
        std::remove_if(started.begin(), started.end(), [](pid_t pid) { return ::waitpid(pid, nullptr, WNOHANG) != 0; }),
        started.end());

    std::string program = ToNativePath(windowsPath);
    char* argv[] = {program.data(), nullptr};
    pid_t pid = 0;
    // glibc reports a failed exec as the result of posix_spawn itself.
    if (::posix_spawn(&pid, program.c_str(), nullptr, nullptr, argv, environ) != 0)
        return false;
    started.push_back(pid);
    return true;
}

} // namespace ovcache
