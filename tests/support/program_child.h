// The built kurvlab as a child of the test, playing until it is stopped, and an X server of
// the test's own for it to show its window on.
#pragma once

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <thread>

#include "support/program_run.h"

namespace kvtest {

// Starts kurvlab on the film with TMPDIR of its own, as a user's shell would: the end
// signals at their defaults (a test runner may have them ignored, which the child would
// inherit), output into a log file. Without a display it plays offscreen.
inline pid_t start_program(const std::string& film, const std::filesystem::path& tmpdir,
                           const std::filesystem::path& runtime, const std::filesystem::path& log,
                           const std::string& display) {
    const pid_t pid = ::fork();
    if (pid != 0) return pid;
    for (const int sig : {SIGTERM, SIGINT, SIGHUP}) ::signal(sig, SIG_DFL);
    sigset_t none;
    sigemptyset(&none);
    ::sigprocmask(SIG_SETMASK, &none, nullptr);
    const int out = ::open(log.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    if (out >= 0) {
        ::dup2(out, 1);
        ::dup2(out, 2);
    }
    ::setenv("TMPDIR", tmpdir.c_str(), 1);
    // Qt's runtime folder goes elsewhere, so that TMPDIR holds what the program itself made.
    ::setenv("XDG_RUNTIME_DIR", runtime.c_str(), 1);
    ::setenv("QT_QPA_PLATFORM", display.empty() ? "offscreen" : "xcb", 1);
    if (!display.empty()) ::setenv("DISPLAY", display.c_str(), 1);
    if (::chdir(KV_SOURCE_DIR) != 0) ::_exit(126);
    // Passes given: without a display the program plays only a counted number of them.
    ::execl(kProgram.c_str(), "kurvlab", film.c_str(), "-n1000000", static_cast<char*>(nullptr));
    ::_exit(127);
}

// An X server of its own on a free display (":N"), or pid -1 when there is none to start.
struct XServer {
    pid_t pid = -1;
    std::string display;
};
inline XServer start_x_server(const std::string& screen = "640x480x24") {
    XServer x;
    int fd[2];
    if (::pipe(fd) != 0) return x;
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::close(fd[0]);
        const int null = ::open("/dev/null", O_WRONLY);
        ::dup2(null, 1);
        ::dup2(null, 2);
        const std::string out = std::to_string(fd[1]);
        // Without -noreset the server resets whenever its last client leaves (a window lister
        // of the test's), and a client that connects during the reset is turned away.
        ::execlp("Xvfb", "Xvfb", "-displayfd", out.c_str(), "-screen", "0", screen.c_str(),
                 "-nolisten", "tcp", "-noreset", static_cast<char*>(nullptr));
        ::_exit(127);
    }
    ::close(fd[1]);
    std::string number;
    char c;
    while (pid > 0 && ::read(fd[0], &c, 1) == 1 && c != '\n') number += c;
    ::close(fd[0]);
    if (pid > 0 && number.empty()) {  // no Xvfb, or it could not start
        ::kill(pid, SIGKILL);
        ::waitpid(pid, nullptr, 0);
        return x;
    }
    x.pid = pid;
    x.display = ":" + number;
    return x;
}

// Waits up to `limit` for the child to end; false (and the child still there) when it goes on.
inline bool wait_for_exit(pid_t pid, std::chrono::milliseconds limit, int* status) {
    const auto deadline = std::chrono::steady_clock::now() + limit;
    while (::waitpid(pid, status, WNOHANG) != pid) {
        if (std::chrono::steady_clock::now() > deadline) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return true;
}

}  // namespace kvtest
