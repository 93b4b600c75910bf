// Runs a piece of work (an import, a load) in a forked child, so that its memory and time are
// its own and not this program's; the child hands its plain result back through a pipe, and the
// result gets the child's peak resident size. A child that dies or hangs (its alarm) gives
// Result{}.
#pragma once

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

template <class Result, class Work>
Result run_in_child(Work&& work) {
    Result r;
    int fd[2];
    if (pipe(fd) != 0) return r;
    const pid_t pid = fork();
    if (pid == 0) {
        close(fd[0]);
        const Result c = work();
        _exit(write(fd[1], &c, sizeof c) == sizeof c ? 0 : 2);
    }
    close(fd[1]);
    if (pid < 0) {
        close(fd[0]);
        return r;
    }
    Result c;
    const bool got = read(fd[0], &c, sizeof c) == sizeof c;
    close(fd[0]);
    int status = 0;
    rusage ru{};
    wait4(pid, &status, 0, &ru);
    if (got && WIFEXITED(status) && WEXITSTATUS(status) == 0) r = c;
    r.peak_kb = ru.ru_maxrss;
    return r;
}
