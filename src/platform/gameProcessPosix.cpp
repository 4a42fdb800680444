#include "platform/gameProcess.h"

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

namespace ovcache {
namespace {

constexpr int kPassedOn[] = {SIGINT, SIGTERM, SIGHUP};

// The game while it runs, for the handler: kill is safe in one.
volatile std::sig_atomic_t gGame = 0;

void PassOn(int signal)
{
    const int saved = errno;
    if (gGame > 0)
        ::kill(static_cast<pid_t>(gGame), signal);
    errno = saved;
}

} // namespace

GameEnd RunGame(const GameCommand& command)
{
    GameEnd end;
    if (command.arguments.empty()) {
        end.how = GameEnd::How::NotStarted;
        end.reason = "no command";
        return end;
    }
    std::vector<char*> argv;
    for (const std::string& argument : command.arguments)
        argv.push_back(const_cast<char*>(argument.c_str()));
    argv.push_back(nullptr);

    // The child tells why it could not start the game through a pipe that
    // closes by itself once the game is started.
    int told[2];
    if (::pipe2(told, O_CLOEXEC) != 0) {
        end.how = GameEnd::How::NotStarted;
        end.reason = std::strerror(errno);
        return end;
    }
    // The signals wait until the game's number is known, so that none is lost.
    sigset_t stopping, before;
    sigemptyset(&stopping);
    for (const int signal : kPassedOn)
        sigaddset(&stopping, signal);
    ::sigprocmask(SIG_BLOCK, &stopping, &before);
    struct sigaction passOn {
    }, previous[std::size(kPassedOn)];
    passOn.sa_handler = PassOn;
    passOn.sa_flags = SA_RESTART;
    sigemptyset(&passOn.sa_mask);
    for (std::size_t k = 0; k < std::size(kPassedOn); ++k)
        ::sigaction(kPassedOn[k], &passOn, &previous[k]);

    const pid_t parent = ::getpid();
    const pid_t game = ::fork();
    if (game == 0) {
        struct sigaction plain {};
        plain.sa_handler = SIG_DFL;
        for (const int signal : kPassedOn)
            ::sigaction(signal, &plain, nullptr);
        ::sigprocmask(SIG_SETMASK, &before, nullptr);
        ::prctl(PR_SET_PDEATHSIG, SIGTERM);
        if (::getppid() == parent)
            ::execvp(argv[0], argv.data());
        const int error = ::getppid() == parent ? errno : ESRCH;
        [[maybe_unused]] const ssize_t written = ::write(told[1], &error, sizeof error);
        ::_exit(127);
    }
    const int forkError = errno;
    gGame = game > 0 ? game : 0;
    ::sigprocmask(SIG_SETMASK, &before, nullptr);
    ::close(told[1]);

    int error = 0;
    ssize_t got = -1;
    if (game > 0)
        do
            got = ::read(told[0], &error, sizeof error);
        while (got < 0 && errno == EINTR);
    ::close(told[0]);
    int status = 0;
    if (game > 0)
        while (::waitpid(game, &status, 0) < 0 && errno == EINTR) {
        }
    gGame = 0;
    for (std::size_t k = 0; k < std::size(kPassedOn); ++k)
        ::sigaction(kPassedOn[k], &previous[k], nullptr);

    if (game < 0 || got == static_cast<ssize_t>(sizeof error)) {
        end.how = GameEnd::How::NotStarted;
        end.reason = std::strerror(game < 0 ? forkError : error);
    } else if (WIFSIGNALED(status)) {
        end.how = GameEnd::How::Signalled;
        end.code = WTERMSIG(status);
    } else {
        end.code = WEXITSTATUS(status);
    }
    return end;
}

int EndAsTheGameDid(const GameEnd& end)
{
    if (end.how == GameEnd::How::Signalled) {
        const struct rlimit none {
        };
        ::setrlimit(RLIMIT_CORE, &none);
        std::signal(end.code, SIG_DFL);
        sigset_t only;
        sigemptyset(&only);
        sigaddset(&only, end.code);
        ::sigprocmask(SIG_UNBLOCK, &only, nullptr);
        std::raise(end.code);
    }
    return ShellStatus(end);
}

} // namespace ovcache
