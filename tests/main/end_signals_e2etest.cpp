// The built program, stopped by SIGTERM, SIGINT or SIGHUP while it plays a film, removes its
// private temporary folder and dies of the signal, as a shell or session manager expects;
// losing its display it says so and ends as cleanly.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "support/program_run.h"

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

std::vector<std::string> names_in(const fs::path& dir) {
    std::vector<std::string> names;
    std::error_code ec;
    for (const auto& e : fs::directory_iterator(dir, ec)) names.push_back(e.path().filename());
    return names;
}

// Starts kurvlab on the film with TMPDIR of its own, as a user's shell would: the end
// signals at their defaults (a test runner may have them ignored, which the child would
// inherit), output into a log file.
pid_t start_program(const std::string& film, const fs::path& tmpdir, const fs::path& runtime,
                    const fs::path& log, const std::string& display) {
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
    ::execl(kvtest::kProgram.c_str(), "kurvlab", film.c_str(), "-n1000000",
            static_cast<char*>(nullptr));
    ::_exit(127);
}

// The program's private folder "kurvlab-<pid>-XXXXXX" in tmpdir, or "" while there is none.
fs::path private_folder(const fs::path& tmpdir, pid_t pid) {
    const std::string prefix = "kurvlab-" + std::to_string(pid) + "-";
    for (const std::string& name : names_in(tmpdir))
        if (name.rfind(prefix, 0) == 0) return tmpdir / name;
    return {};
}

// An X server of its own on a free display (":N"), or pid -1 when there is none to start.
struct XServer {
    pid_t pid = -1;
    std::string display;
};
XServer start_x_server() {
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
        ::execlp("Xvfb", "Xvfb", "-displayfd", out.c_str(), "-screen", "0", "640x480x24",
                 "-nolisten", "tcp", static_cast<char*>(nullptr));
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

// Qt has started (its platform plugin is loaded), so the film is being played, not read.
bool qt_is_up(pid_t pid) {
    std::ifstream maps("/proc/" + std::to_string(pid) + "/maps");
    std::string line;
    while (std::getline(maps, line))
        if (line.find("qoffscreen") != std::string::npos ||
            line.find("libQt6XcbQpa") != std::string::npos)
            return true;
    return false;
}

class EndSignal : public ::testing::Test {
  protected:
    fs::path dir;
    void SetUp() override {
        dir = fs::temp_directory_path() /
              ("kv_end_signal_e2e_" + std::to_string(::getpid()) + "_" +
               ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(dir);
        fs::create_directories(dir / "tmp");
        fs::create_directories(dir / "runtime");
        fs::permissions(dir / "runtime", fs::perms::owner_all);
    }
    void TearDown() override { fs::remove_all(dir); }

    // Plays the film until it plays with its folder (and the named file in it); pid 0 when
    // it never got there (the test has failed then).
    pid_t start_playing(const std::string& film, const std::string& file_inside,
                        const std::string& display, const fs::path& log, fs::path* folder) {
        const fs::path tmp = dir / "tmp";
        const pid_t pid = start_program(film, tmp, dir / "runtime", log, display);
        if (pid <= 0) {
            ADD_FAILURE() << "cannot start the program";
            return 0;
        }
        int status = 0;
        bool ended = false;
        const auto deadline = Clock::now() + std::chrono::seconds(60);
        for (;;) {
            if (::waitpid(pid, &status, WNOHANG) == pid) {
                ended = true;
                break;
            }
            *folder = private_folder(tmp, pid);
            if (!folder->empty() && qt_is_up(pid) &&
                (file_inside.empty() || fs::exists(*folder / file_inside)))
                return pid;
            if (Clock::now() > deadline) break;
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
        if (!ended) {
            ::kill(pid, SIGKILL);
            ::waitpid(pid, &status, 0);
        }
        ADD_FAILURE() << "the program " << (ended ? "ended" : "did not get") << " playing with "
                      << (folder->empty() ? "no folder" : folder->string()) << " (status " << status
                      << ")\n"
                      << kvtest::slurp(log.string());
        return 0;
    }

    // How the program ended; it is killed when it goes on for 20 s.
    int wait_for_end(pid_t pid, const fs::path& log) {
        int status = 0;
        const auto end_deadline = Clock::now() + std::chrono::seconds(20);
        while (::waitpid(pid, &status, WNOHANG) != pid) {
            if (Clock::now() > end_deadline) {
                ::kill(pid, SIGKILL);
                ::waitpid(pid, &status, 0);
                ADD_FAILURE() << "the program went on\n" << kvtest::slurp(log.string());
                break;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        return status;
    }

    // Plays the film, sends sig while it plays, and checks how the program ended and what it
    // left in TMPDIR.
    void stop_while_playing(const std::string& film, int sig, const std::string& file_inside) {
        SCOPED_TRACE(film + " signal " + std::to_string(sig));
        const fs::path log = dir / ("log" + std::to_string(sig));
        fs::path folder;
        const pid_t pid = start_playing(film, file_inside, "", log, &folder);
        if (pid == 0) return;
        ASSERT_EQ(::kill(pid, sig), 0);
        const int status = wait_for_end(pid, log);
        // Killed by the signal, or ended with the code a shell shows for it.
        const bool died_of_it = WIFSIGNALED(status) && WTERMSIG(status) == sig;
        const bool exit_code = WIFEXITED(status) && WEXITSTATUS(status) == 128 + sig;
        EXPECT_TRUE(died_of_it || exit_code) << "status " << status << "\n"
                                             << kvtest::slurp(log.string());
        EXPECT_FALSE(fs::exists(folder)) << folder;
        EXPECT_EQ(names_in(dir / "tmp"), std::vector<std::string>{});
    }
};

TEST_F(EndSignal, LineFilmLeavesNoTemporaryFolder) {
    for (const int sig : {SIGTERM, SIGINT, SIGHUP})
        stop_while_playing(kvtest::kExamples + "/fourbar_text.anm", sig, "");
}

TEST_F(EndSignal, AnmneuFilmLeavesNoTemporaryFolderNorInfoText) {
    for (const int sig : {SIGTERM, SIGINT, SIGHUP})
        stop_while_playing(kvtest::kExamples + "/fourbar_anmneu.anm", sig, "kurvlab.txt");
}

// Without its X server the window cannot go on: the program says so, ends with 1 and leaves
// nothing behind (Qt's own exit there used to crash in the static destructors).
TEST_F(EndSignal, LosingTheDisplayEndsWithAMessageAndNoCrashNorLitter) {
    XServer x = start_x_server();
    if (x.pid < 0) GTEST_SKIP() << "no Xvfb to start";
    const fs::path log = dir / "log_display";
    fs::path folder;
    const pid_t pid = start_playing(kvtest::kExamples + "/fourbar_anmneu.anm", "kurvlab.txt",
                                    x.display, log, &folder);
    ::kill(x.pid, SIGTERM);
    ::waitpid(x.pid, nullptr, 0);
    if (pid == 0) return;
    const int status = wait_for_end(pid, log);
    const std::string said = kvtest::slurp(log.string());
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 1) << "status " << status << "\n"
                                                               << said;
    EXPECT_NE(said.find("kurvlab: the display was lost"), std::string::npos) << said;
    EXPECT_FALSE(fs::exists(folder)) << folder;
    EXPECT_EQ(names_in(dir / "tmp"), std::vector<std::string>{});
}

}  // namespace
