// A full disk without root: a child process whose files cannot grow past a
// size (RLIMIT_FSIZE), with SIGXFSZ ignored so a write past it fails with
// EFBIG instead of ending the process. The child runs the given work and
// reports its boolean result; a child that does not end within the time
// limit (a writer blocked on a FIFO) is killed and reported as such.
#pragma once

#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <functional>

namespace qx::test {

enum class ChildOutcome { True, False, Hung, Crashed };

// limit: the largest file size in bytes the child may write; -1 for none.
inline ChildOutcome RunInChild(long long limit, const std::function<bool()>& work, unsigned seconds = 10) {
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::signal(SIGXFSZ, SIG_IGN);
        if (limit >= 0) {
            const rlimit rl{static_cast<rlim_t>(limit), static_cast<rlim_t>(limit)};
            ::setrlimit(RLIMIT_FSIZE, &rl);
        }
        ::alarm(seconds);
        ::_exit(work() ? 0 : 1);
    }
    if (pid < 0) return ChildOutcome::Crashed;
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0) {
        if (errno != EINTR) return ChildOutcome::Crashed;
    }
    if (WIFSIGNALED(status)) return WTERMSIG(status) == SIGALRM ? ChildOutcome::Hung : ChildOutcome::Crashed;
    return WEXITSTATUS(status) == 0 ? ChildOutcome::True : ChildOutcome::False;
}

}  // namespace qx::test
