// The built program, stopped by SIGTERM, SIGINT or SIGHUP while it plays a film, removes its
// private temporary folder and dies of the signal, as a shell or session manager expects;
// losing its display it says so and ends as cleanly.
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

#include "support/program_child.h"
#include "support/program_run.h"

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;
using kvtest::start_program;
using kvtest::start_x_server;
using kvtest::XServer;

std::vector<std::string> names_in(const fs::path& dir) {
    std::vector<std::string> names;
    std::error_code ec;
    for (const auto& e : fs::directory_iterator(dir, ec)) names.push_back(e.path().filename());
    return names;
}

// The program's private folder "kurvlab-<pid>-XXXXXX" in tmpdir, or "" while there is none.
fs::path private_folder(const fs::path& tmpdir, pid_t pid) {
    const std::string prefix = "kurvlab-" + std::to_string(pid) + "-";
    for (const std::string& name : names_in(tmpdir))
        if (name.rfind(prefix, 0) == 0) return tmpdir / name;
    return {};
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
        if (!kvtest::wait_for_exit(pid, std::chrono::seconds(20), &status)) {
            ::kill(pid, SIGKILL);
            ::waitpid(pid, &status, 0);
            ADD_FAILURE() << "the program went on\n" << kvtest::slurp(log.string());
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
#ifdef KV_XDND_DROP
    // Connected only once its window is shown: a display lost before is one never had.
    const auto deadline = Clock::now() + std::chrono::seconds(60);
    while (pid != 0 && Clock::now() < deadline &&
           kvtest::run_shell("DISPLAY='" + x.display +
                             "' timeout 60 '" KV_XDND_DROP "' --windows " + std::to_string(pid))
               .out.empty())
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
#endif
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
