// The built program, stopped by SIGTERM, SIGINT or SIGHUP while it plays a film, removes its
// private temporary folder and dies of the signal, as a shell or session manager expects.
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
                    const fs::path& log) {
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
    ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
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

// Qt has started (its platform plugin is loaded), so the film is being played, not read.
bool qt_is_up(pid_t pid) {
    std::ifstream maps("/proc/" + std::to_string(pid) + "/maps");
    std::string line;
    while (std::getline(maps, line))
        if (line.find("qoffscreen") != std::string::npos) return true;
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

    // Plays the film, waits until it plays with its folder (and the named file in it), sends
    // sig and checks how the program ended and what it left in TMPDIR.
    void stop_while_playing(const std::string& film, int sig, const std::string& file_inside) {
        SCOPED_TRACE(film + " signal " + std::to_string(sig));
        const fs::path tmp = dir / "tmp", log = dir / ("log" + std::to_string(sig));
        const pid_t pid = start_program(film, tmp, dir / "runtime", log);
        ASSERT_GT(pid, 0);

        int status = 0;
        bool ended = false;
        fs::path folder;
        const auto deadline = Clock::now() + std::chrono::seconds(60);
        for (;;) {
            if (::waitpid(pid, &status, WNOHANG) == pid) {
                ended = true;
                break;
            }
            folder = private_folder(tmp, pid);
            if (!folder.empty() && qt_is_up(pid) &&
                (file_inside.empty() || fs::exists(folder / file_inside)))
                break;
            if (Clock::now() > deadline) break;
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
        if (ended || Clock::now() > deadline) {
            if (!ended) {
                ::kill(pid, SIGKILL);
                ::waitpid(pid, &status, 0);
            }
            FAIL() << "the program " << (ended ? "ended" : "did not get") << " playing with "
                   << (folder.empty() ? "no folder" : folder.string()) << " (status " << status
                   << ")\n"
                   << kvtest::slurp(log.string());
        }

        ASSERT_EQ(::kill(pid, sig), 0);
        const auto end_deadline = Clock::now() + std::chrono::seconds(20);
        while (::waitpid(pid, &status, WNOHANG) != pid) {
            if (Clock::now() > end_deadline) {
                ::kill(pid, SIGKILL);
                ::waitpid(pid, &status, 0);
                FAIL() << "the program went on after the signal\n" << kvtest::slurp(log.string());
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        // Killed by the signal, or ended with the code a shell shows for it.
        const bool died_of_it = WIFSIGNALED(status) && WTERMSIG(status) == sig;
        const bool exit_code = WIFEXITED(status) && WEXITSTATUS(status) == 128 + sig;
        EXPECT_TRUE(died_of_it || exit_code) << "status " << status << "\n"
                                             << kvtest::slurp(log.string());
        EXPECT_FALSE(fs::exists(folder)) << folder;
        EXPECT_EQ(names_in(tmp), std::vector<std::string>{});
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

}  // namespace
