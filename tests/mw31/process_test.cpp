// Process launch: failures, waiting, the editor mapping; sleep and tick count.
#include "mw31/process.h"

#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <optional>
#include <sstream>
#include <string>

namespace {

namespace fs = std::filesystem;

// Sets or clears environment variables for one test and puts them back afterwards.
class EnvGuard {
  public:
    void set(const char* name, const char* value) {
        if (!saved_.count(name)) {
            const char* old = std::getenv(name);
            saved_[name] = old ? std::optional<std::string>(old) : std::nullopt;
        }
        if (value)
            ::setenv(name, value, 1);
        else
            ::unsetenv(name);
    }
    ~EnvGuard() {
        for (const auto& [name, value] : saved_) {
            if (value)
                ::setenv(name.c_str(), value->c_str(), 1);
            else
                ::unsetenv(name.c_str());
        }
    }

  private:
    std::map<std::string, std::optional<std::string>> saved_;
};

class Process : public ::testing::Test {
  protected:
    void SetUp() override {
        dir_ = fs::path(::testing::TempDir()) /
               ("kv_proc_" + std::to_string(::getpid()) + "_" +
                ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(dir_);
        fs::create_directories(dir_);
        env_.set("KURVLAB_EDITOR", nullptr);
        env_.set("VISUAL", nullptr);
        env_.set("EDITOR", nullptr);
    }
    void TearDown() override { fs::remove_all(dir_); }

    // An executable shell script in the test directory.
    std::string script(const std::string& name, const std::string& body) const {
        const std::string p = (dir_ / name).string();
        std::ofstream(p) << "#!/bin/sh\n" << body << "\n";
        ::chmod(p.c_str(), 0755);
        return p;
    }
    std::string read(const std::string& name) const {
        std::ifstream in(dir_ / name);
        std::stringstream ss;
        ss << in.rdbuf();
        return ss.str();
    }

    fs::path dir_;
    EnvGuard env_;
};

TEST_F(Process, MissingProgramGivesOne) {
    EXPECT_EQ(mw31::run_program("kv_no_such_program_here -x", true), 1);
    EXPECT_EQ(mw31::run_program("kv_no_such_program_here", false), 1);
    EXPECT_EQ(mw31::run_program((dir_ / "absent").string(), true), 1);
    EXPECT_EQ(mw31::run_program("", true), 1);
    EXPECT_EQ(mw31::run_program("   ", false), 1);
}

TEST_F(Process, WaitLastsUntilTheProgramEnds) {
    const std::string p = script("writer.sh", "sleep 0.3; echo \"$1|$2\" > \"$3\"");
    const std::string out = (dir_ / "out.txt").string();
    EXPECT_EQ(mw31::run_program(p + " \"a b\" c " + out, true), 0);
    EXPECT_EQ(read("out.txt"), "a b|c\n") << "the program had finished when the wait ended";
}

TEST_F(Process, NoWaitReturnsWhileTheProgramRuns) {
    const std::string flag = (dir_ / "started").string();
    const std::string done = (dir_ / "done").string();
    const std::string p = script("slow.sh", "touch \"$1\"; sleep 0.5; touch \"$2\"");
    EXPECT_EQ(mw31::run_program(p + " " + flag + " " + done, false), 0);
    EXPECT_FALSE(fs::exists(done));
    // It runs on by itself to its end.
    for (int i = 0; i < 200 && !fs::exists(done); ++i) mw31::sleep_ms(25);
    EXPECT_TRUE(fs::exists(flag));
    EXPECT_TRUE(fs::exists(done));
}

TEST_F(Process, NotepadStartsTheChosenEditorOnTheWholeName) {
    const std::string log = (dir_ / "editor.log").string();
    const std::string editor =
        script("myeditor", "for a in \"$@\"; do echo \"[$a]\"; done > \"" + log + "\"");
    env_.set("EDITOR", "/bin/false");
    env_.set("VISUAL", editor.c_str());
    EXPECT_EQ(mw31::run_program("notepad C:\\films\\my film.txt", true), 0);
    EXPECT_EQ(read("editor.log"), "[C:/films/my film.txt]\n");

    env_.set("KURVLAB_EDITOR", (editor + " --flag").c_str());
    EXPECT_EQ(mw31::run_program("NOTEPAD.EXE \"/tmp/x y.flm\"", true), 0);
    EXPECT_EQ(read("editor.log"), "[--flag]\n[/tmp/x y.flm]\n");
}

TEST_F(Process, EditorMapping) {
    using V = std::vector<std::string>;
    EXPECT_EQ(mw31::program_arguments("notepad a.txt"), (V{"xdg-open", "a.txt"}));
    EXPECT_EQ(mw31::program_arguments("ls -l \"x y\""), (V{"ls", "-l", "x y"}));
    EXPECT_EQ(mw31::program_arguments(""), V{});

    env_.set("EDITOR", "gedit");
    EXPECT_EQ(mw31::program_arguments("notepad a.txt"), (V{"gedit", "a.txt"}));
    env_.set("VISUAL", "kate -n");
    EXPECT_EQ(mw31::program_arguments("notepad.exe a.txt"), (V{"kate", "-n", "a.txt"}));

    // A terminal editor goes into a terminal emulator when there is one.
    const std::string bin = (dir_ / "bin").string();
    fs::create_directories(bin);
    script("bin/x-terminal-emulator", "exit 0");
    env_.set("PATH", bin.c_str());
    env_.set("KURVLAB_EDITOR", "vim");
    EXPECT_EQ(mw31::program_arguments("notepad a.txt"),
              (V{"x-terminal-emulator", "-e", "vim", "a.txt"}));
    env_.set("KURVLAB_EDITOR", "emacs -nw");
    EXPECT_EQ(mw31::program_arguments("notepad a.txt"),
              (V{"x-terminal-emulator", "-e", "emacs", "-nw", "a.txt"}));
    env_.set("KURVLAB_EDITOR", "emacs");
    EXPECT_EQ(mw31::program_arguments("notepad a.txt"), (V{"emacs", "a.txt"}));
    fs::remove(dir_ / "bin/x-terminal-emulator");
    env_.set("KURVLAB_EDITOR", "/usr/bin/nano");
    EXPECT_EQ(mw31::program_arguments("notepad a.txt"), (V{"/usr/bin/nano", "a.txt"}));
}

TEST(ProcessClock, SleepAndTickCount) {
    const long long t0 = mw31::tick_count();
    mw31::sleep_ms(30);
    const long long t1 = mw31::tick_count();
    EXPECT_GE(t1 - t0, 30);
    mw31::sleep_ms(0);
    mw31::sleep_ms(-5);
    EXPECT_GE(mw31::tick_count(), t1);
}

}  // namespace
