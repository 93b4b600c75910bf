// A film dropped on the built program's window through the X server (an XDND source of the
// test's own, as a file manager would drag it) plays next in that window's place; what is no
// film is refused at the pointer and the film playing goes on.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cctype>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "support/program_child.h"
#include "support/program_run.h"

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

// One shown top-level window of the program, as the X server has it.
struct Shown {
    std::string id;
    int x = 0, y = 0, width = 0, height = 0;
    std::string title;
};

// A file URI as file managers write them: reserved bytes percent-encoded.
std::string file_uri(const fs::path& path) {
    std::string uri = "file://";
    for (const unsigned char c : path.string()) {
        if (std::isalnum(c) || std::string("/-._~").find(char(c)) != std::string::npos) {
            uri += char(c);
        } else {
            char hex[4];
            std::snprintf(hex, sizeof hex, "%%%02X", c);
            uri += hex;
        }
    }
    return uri;
}

class DropThroughX : public ::testing::Test {
  protected:
    fs::path dir, log;
    kvtest::XServer x;
    pid_t program = 0;

    void SetUp() override {
#ifndef KV_XDND_DROP
        GTEST_SKIP() << "built without libxcb: no XDND source to drop with";
#endif
        dir = fs::temp_directory_path() /
              ("kv_drop_e2e_" + std::to_string(::getpid()) + "_" +
               ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(dir);
        fs::create_directories(dir / "tmp");
        fs::create_directories(dir / "runtime");
        fs::permissions(dir / "runtime", fs::perms::owner_all);
        log = dir / "log";
        // Room for the whole window, so that its middle is on the screen.
        x = kvtest::start_x_server("1280x1024x24");
        if (x.pid < 0) GTEST_SKIP() << "no Xvfb to start";
    }

    // Neither the program nor the X server outlives the test, whatever failed.
    void TearDown() override {
        if (program > 0) {
            ::kill(program, SIGKILL);
            ::waitpid(program, nullptr, 0);
        }
        if (x.pid > 0) {
            ::kill(x.pid, SIGTERM);
            int status = 0;
            if (!kvtest::wait_for_exit(x.pid, std::chrono::seconds(10), &status)) {
                ::kill(x.pid, SIGKILL);
                ::waitpid(x.pid, nullptr, 0);
            }
        }
        if (!dir.empty()) fs::remove_all(dir);
    }

    std::string said() const {
        return kvtest::slurp(log.string());
    }

    bool running() {
        if (program <= 0) return false;  // waitpid(0) would take the X server's end
        int status = 0;
        if (::waitpid(program, &status, WNOHANG) != program) return true;
        ADD_FAILURE() << "the program ended (status " << status << ")\n" << said();
        program = 0;
        return false;
    }

#ifdef KV_XDND_DROP
    kvtest::ProgramRun helper(const std::string& args) const {
        return kvtest::run_shell("DISPLAY='" + x.display + "' timeout 60 '" KV_XDND_DROP "' " +
                                 args + " 2>&1");
    }
#else
    kvtest::ProgramRun helper(const std::string&) const {
        return {};
    }
#endif

    std::vector<Shown> windows() const {
        std::vector<Shown> out;
        std::istringstream lines(helper("--windows " + std::to_string(program)).out);
        std::string line;
        while (std::getline(lines, line)) {
            std::istringstream in(line);
            Shown w;
            if (!(in >> w.id >> w.x >> w.y >> w.width >> w.height)) continue;
            std::getline(in >> std::ws, w.title);
            out.push_back(w);
        }
        return out;
    }

    static std::string describe(const std::vector<Shown>& shown) {
        std::string text;
        for (const Shown& w : shown)
            text += w.id + " " + std::to_string(w.x) + "," + std::to_string(w.y) + " " +
                    std::to_string(w.width) + "x" + std::to_string(w.height) + " \"" + w.title +
                    "\"\n";
        return text.empty() ? "no window\n" : text;
    }

    // Waits until the program shows exactly one window and its title names the film.
    bool wait_for_window_of(const std::string& film, std::chrono::seconds limit, Shown* found) {
        const auto deadline = Clock::now() + limit;
        std::vector<Shown> shown;
        for (;;) {
            if (!running()) return false;
            shown = windows();
            if (shown.size() == 1 && shown[0].title.find(film) != std::string::npos) {
                *found = shown[0];
                return true;
            }
            if (Clock::now() > deadline) break;
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
        }
        ADD_FAILURE() << "no single window playing " << film << " on " << x.display << " (X server "
                      << (::kill(x.pid, 0) == 0 ? "running" : "gone") << "); shown:\n"
                      << describe(shown) << said();
        return false;
    }

    // The first film playing in its window; false after a failure.
    bool start(const std::string& film, Shown* window) {
        program = kvtest::start_program(kvtest::kExamples + "/" + film, dir / "tmp",
                                        dir / "runtime", log, x.display);
        if (program <= 0) {
            program = 0;
            ADD_FAILURE() << "cannot start the program";
            return false;
        }
        return wait_for_window_of(film, std::chrono::seconds(60), window);
    }

    // Drops on the middle of the window: the helper's exit code, its words kept in *out.
    int drop(const Shown& on, const std::string& uri, std::string* out) const {
        const kvtest::ProgramRun r = helper(on.id + " " + std::to_string(on.width / 2) + " " +
                                            std::to_string(on.height / 2) + " '" + uri + "'");
        *out = r.out;
        return r.exit_code;
    }

    // SIGTERM ends the program, as it ends a film that plays undisturbed.
    void stop() {
        ASSERT_EQ(::kill(program, SIGTERM), 0);
        int status = 0;
        const bool ended = kvtest::wait_for_exit(program, std::chrono::seconds(20), &status);
        if (!ended) {
            ADD_FAILURE() << "the program went on after SIGTERM\n" << said();
            return;  // TearDown kills it
        }
        program = 0;
        const bool died_of_it = WIFSIGNALED(status) && WTERMSIG(status) == SIGTERM;
        const bool exit_code = WIFEXITED(status) && WEXITSTATUS(status) == 128 + SIGTERM;
        EXPECT_TRUE(died_of_it || exit_code) << "status " << status << "\n" << said();
    }
};

TEST_F(DropThroughX, DroppedFilmPlaysNextInTheWindowsPlace) {
    Shown first;
    ASSERT_TRUE(start("fourbar_text.anm", &first));
    // A name that travels percent-encoded in the URI and comes back whole.
    const fs::path dropped = dir / "slider crank #1 \u00e4.anm";
    fs::copy_file(fs::path(kvtest::kExamples) / "slidercrank_text.anm", dropped);
    std::string words;
    ASSERT_EQ(drop(first, file_uri(dropped), &words), 0) << words << said();

    // The first film's window gives way to one window of the dropped film, where it was.
    Shown next;
    ASSERT_TRUE(wait_for_window_of(dropped.filename(), std::chrono::seconds(30), &next));
    EXPECT_EQ(next.x, first.x);
    EXPECT_EQ(next.y, first.y);
    EXPECT_EQ(next.width, first.width);
    EXPECT_EQ(next.height, first.height);

    // It goes on playing, until it is stopped.
    std::this_thread::sleep_for(std::chrono::seconds(1));
    ASSERT_TRUE(running());
    const std::vector<Shown> still = windows();
    ASSERT_EQ(still.size(), 1u) << describe(still);
    EXPECT_NE(still[0].title.find(dropped.filename()), std::string::npos) << still[0].title;
    stop();
}

// The pointer already says no to what is not a film file (a name gone, a folder, a web
// address): Qt asks for the URLs while dragging and the window refuses them, so the drop is
// never made, and the film playing stays in its window. A film dropped afterwards still plays.
TEST_F(DropThroughX, NoFilmIsRefusedAndTheFilmPlayingGoesOn) {
    Shown first;
    ASSERT_TRUE(start("fourbar_text.anm", &first));
    const fs::path examples = kvtest::kExamples;
    for (const std::string& uri : {file_uri(examples / "no_such_film.anm"), file_uri(examples),
                                   std::string("http://localhost/slidercrank_text.anm")}) {
        SCOPED_TRACE(uri);
        std::string words;
        EXPECT_EQ(drop(first, uri, &words), 3) << words;
        EXPECT_NE(words.find("refused"), std::string::npos) << words;
        // Refused after a look at the URLs, not from what an earlier drag left behind.
        EXPECT_EQ(words.find(" 0 data request"), std::string::npos) << words;
    }
    std::this_thread::sleep_for(std::chrono::seconds(1));
    ASSERT_TRUE(running());
    const std::vector<Shown> shown = windows();
    ASSERT_EQ(shown.size(), 1u) << describe(shown);
    EXPECT_EQ(shown[0].id, first.id);
    EXPECT_EQ(shown[0].title, first.title);

    std::string words;
    ASSERT_EQ(drop(first, file_uri(examples / "slidercrank_text.anm"), &words), 0)
        << words << said();
    Shown next;
    ASSERT_TRUE(wait_for_window_of("slidercrank_text.anm", std::chrono::seconds(30), &next));
    stop();
}

}  // namespace
