// The private temporary folder: where it is made, what planted names cannot do to it, how it
// is shared with no other process, and that it goes away at exit, on signals and at the next
// start after a crash.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <limits.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>
#include <vector>

#include "mw31/file_services.h"
#include "mw31/temp_names.h"

namespace {

namespace fs = std::filesystem;

std::string slurp(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

void put(const fs::path& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
}

struct ChildResult {
    int status = 0;
    std::string out;
};

// Runs body in a forked child, which sends its text back and ends with _exit, so that no
// exit handler of this test program runs there.
ChildResult in_child(const std::function<std::string()>& body) {
    int fds[2];
    if (::pipe(fds) != 0) return {};
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::close(fds[0]);
        ::alarm(20);  // a blocked open ends the child instead of the test run
        const std::string text = body();
        const ssize_t ignored = ::write(fds[1], text.data(), text.size());
        (void)ignored;
        ::_exit(0);
    }
    ::close(fds[1]);
    ChildResult r;
    char buffer[512];
    ssize_t n;
    while ((n = ::read(fds[0], buffer, sizeof buffer)) > 0) r.out.append(buffer, size_t(n));
    ::close(fds[0]);
    ::waitpid(pid, &r.status, 0);
    return r;
}

std::vector<std::string> names_in(const fs::path& dir) {
    std::vector<std::string> names;
    for (const auto& e : fs::directory_iterator(dir)) names.push_back(e.path().filename());
    std::sort(names.begin(), names.end());
    return names;
}

// Each test gets a fresh base directory as $TMPDIR.
class TempFolder : public ::testing::Test {
  protected:
    void SetUp() override {
        const char* old = std::getenv("TMPDIR");
        saved_ = old ? old : "";
        base_ = fs::path(old ? old : "/tmp") /
                ("kv_folder_" +
                 std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
        fs::remove_all(base_);
        fs::create_directories(base_);
        ::setenv("TMPDIR", base_.c_str(), 1);
    }
    void TearDown() override {
        ::setenv("TMPDIR", saved_.c_str(), 1);
        fs::remove_all(base_);
    }

    fs::path base_;
    std::string saved_;
};

TEST_F(TempFolder, IsAPrivateFolderUnderTmpdirHoldingTheFixedNames) {
    const std::string dir = mw31::temp_directory();
    ASSERT_FALSE(dir.empty());
    EXPECT_EQ(fs::path(dir).parent_path(), base_);
    const std::string name = fs::path(dir).filename();
    const std::string prefix = "kurvlab-" + std::to_string(::getpid()) + "-";
    EXPECT_EQ(name.substr(0, prefix.size()), prefix);
    EXPECT_EQ(name.size(), prefix.size() + 6);
    struct stat st;
    ASSERT_EQ(::lstat(dir.c_str(), &st), 0);
    EXPECT_TRUE(S_ISDIR(st.st_mode));
    EXPECT_EQ(st.st_mode & 0777, 0700u);

    EXPECT_EQ(mw31::temp_info_name(), dir + "/kurvlab.txt");
    EXPECT_EQ(mw31::temp_work_name(), dir + "/kurvlab.tmp");
    EXPECT_EQ(mw31::temp_merge_help_name(), dir + "/vflminfo.txt");
    EXPECT_EQ(mw31::temp_directory(), dir);  // one folder per base, not one per call
    EXPECT_STREQ(std::getenv(mw31::kPrivateTempEnv), dir.c_str());

    // The same base spelled with trailing slashes.
    ::setenv("TMPDIR", (base_.string() + "//").c_str(), 1);
    EXPECT_EQ(mw31::temp_directory(), dir);

    std::string copy;
    ASSERT_EQ(mw31::film_temp_name(&copy), 0);
    EXPECT_EQ(fs::path(copy).parent_path(), dir);
    EXPECT_EQ(fs::path(copy).filename().string().substr(0, 3), "KV_");
}

TEST_F(TempFolder, IsMadeAgainWhenSomethingRemovedIt) {
    const std::string first = mw31::temp_directory();
    fs::remove_all(first);
    const std::string second = mw31::temp_directory();
    ASSERT_FALSE(second.empty());
    EXPECT_TRUE(fs::is_directory(second));
    put(mw31::temp_info_name(), "info");
    EXPECT_EQ(slurp(fs::path(second) / "kurvlab.txt"), "info");
}

TEST_F(TempFolder, WithoutAUsableTmpdirNamesAreEmptyAndTheReasonIsShownOnce) {
    ::setenv("TMPDIR", (base_ / "not" / "there").c_str(), 1);
    ::testing::internal::CaptureStderr();
    EXPECT_EQ(mw31::temp_directory(), "");
    EXPECT_EQ(mw31::temp_info_name(), "");
    EXPECT_EQ(mw31::temp_work_name(), "");
    std::string copy = "stale";
    EXPECT_EQ(mw31::film_temp_name(&copy), 1);
    EXPECT_EQ(copy, "");
    const std::string shown = ::testing::internal::GetCapturedStderr();
    EXPECT_NE(shown.find("cannot make a temporary folder in " + (base_ / "not/there").string()),
              std::string::npos)
        << shown;
    EXPECT_EQ(shown.find("temporary folder"), shown.rfind("temporary folder")) << shown;
    EXPECT_STREQ(std::getenv(mw31::kPrivateTempEnv), "");
    EXPECT_EQ(mw31::create_temp_file(mw31::temp_info_name()), nullptr);
    EXPECT_FALSE(fs::exists("/kurvlab.txt"));
}

TEST_F(TempFolder, NamesPlantedInTmpdirAreNeverFollowedNorBlock) {
    const fs::path victim = base_ / "victim.txt";
    put(victim, "precious");
    fs::create_symlink(victim, base_ / "kurvlab.txt");
    ASSERT_EQ(::mkfifo((base_ / "kurvlab.tmp").c_str(), 0600), 0);
    put(base_ / "vflminfo.txt", "someone else's");
    const bool foreign = ::chown((base_ / "vflminfo.txt").c_str(), 65534, 65534) == 0;
    if (!foreign) fs::remove(base_ / "vflminfo.txt");  // only root can plant it

    const ChildResult r = in_child([] {
        std::string failed;
        for (const std::string& name :
             {mw31::temp_info_name(), mw31::temp_work_name(), mw31::temp_merge_help_name()}) {
            FILE* f = mw31::create_temp_file(name);
            if (!f || std::fputs("ours", f) < 0 || std::fclose(f) != 0) failed += name + " ";
        }
        return failed;
    });
    ASSERT_TRUE(WIFEXITED(r.status)) << "the child was stopped: it blocked";
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(slurp(victim), "precious");
    EXPECT_TRUE(fs::is_symlink(base_ / "kurvlab.txt"));
    EXPECT_TRUE(fs::is_fifo(base_ / "kurvlab.tmp"));
    if (foreign) {
        EXPECT_EQ(slurp(base_ / "vflminfo.txt"), "someone else's");
    }
}

TEST_F(TempFolder, OldFixedFilesOfOursInTmpdirGoAtStart) {
    put(base_ / "kurvlab.tmp", "left over");
    put(base_ / "vflminfo.txt", "left over");
    put(base_ / "kurvlab.txt.bak", "not one of the names");
    const ChildResult r = in_child([] { return mw31::temp_directory(); });
    ASSERT_FALSE(r.out.empty());
    EXPECT_FALSE(fs::exists(base_ / "kurvlab.tmp"));
    EXPECT_FALSE(fs::exists(base_ / "vflminfo.txt"));
    EXPECT_TRUE(fs::exists(base_ / "kurvlab.txt.bak"));
}

TEST_F(TempFolder, SafeCreationReplacesWhatIsOursWithoutFollowingIt) {
    const fs::path victim = base_ / "victim.txt";
    put(victim, "precious");
    const std::string info = mw31::temp_info_name(), work = mw31::temp_work_name();
    fs::create_symlink(victim, info);
    ASSERT_EQ(::mkfifo(work.c_str(), 0600), 0);

    const ChildResult r = in_child([&] {
        std::string failed;
        for (const std::string& name : {info, work}) {
            FILE* f = mw31::create_temp_file(name);
            if (!f || std::fputs("fresh", f) < 0 || std::fclose(f) != 0) failed += name + " ";
        }
        return failed;
    });
    ASSERT_TRUE(WIFEXITED(r.status)) << "the child was stopped: it blocked";
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(slurp(victim), "precious");
    for (const std::string& name : {info, work}) {
        struct stat st;
        ASSERT_EQ(::lstat(name.c_str(), &st), 0);
        EXPECT_TRUE(S_ISREG(st.st_mode)) << name;
        EXPECT_EQ(st.st_mode & 0777, 0600u) << name;
        EXPECT_EQ(slurp(name), "fresh");
    }
    const int fd = mw31::create_temp_fd(info);  // a stale file of ours is replaced
    ASSERT_GE(fd, 0);
    EXPECT_NE(::fcntl(fd, F_GETFD) & FD_CLOEXEC, 0);
    ::close(fd);
    EXPECT_EQ(fs::file_size(info), 0u);
}

TEST_F(TempFolder, SafeCreationLeavesFoldersAndOtherUsersFilesAlone) {
    fs::create_directory(base_ / "folder");
    errno = 0;
    EXPECT_EQ(mw31::create_temp_fd((base_ / "folder").string()), -1);
    EXPECT_EQ(errno, EEXIST);
    EXPECT_TRUE(fs::is_directory(base_ / "folder"));
    EXPECT_EQ(mw31::create_temp_fd(""), -1);

    const fs::path foreign = base_ / "kurvlab.txt";
    put(foreign, "not ours");
    if (::chown(foreign.c_str(), 65534, 65534) != 0)
        GTEST_SKIP() << "needs root to plant another user's file";
    errno = 0;
    EXPECT_EQ(mw31::create_temp_file(foreign.string()), nullptr);
    EXPECT_EQ(errno, EEXIST);
    EXPECT_EQ(slurp(foreign), "not ours");
}

TEST_F(TempFolder, TwoProcessesGetTwoFolders) {
    const std::string mine = mw31::temp_directory();
    const ChildResult r = in_child([] {
        const std::string dir = mw31::temp_directory();
        const char* env = std::getenv(mw31::kPrivateTempEnv);
        return dir + "\n" + (env ? env : "") + "\n" + std::to_string(::getpid());
    });
    std::istringstream lines(r.out);
    std::string theirs, their_env, their_pid;
    std::getline(lines, theirs);
    std::getline(lines, their_env);
    std::getline(lines, their_pid);
    ASSERT_FALSE(theirs.empty()) << r.out;
    EXPECT_NE(theirs, mine);
    EXPECT_EQ(their_env, theirs);
    const std::string prefix = "kurvlab-" + their_pid + "-";
    EXPECT_EQ(fs::path(theirs).filename().string().substr(0, prefix.size()), prefix);
    EXPECT_TRUE(fs::is_directory(mine));
    EXPECT_EQ(mw31::temp_directory(), mine);
}

TEST_F(TempFolder, DeadInstancesFoldersGoAtTheNextStartOthersStay) {
    // An instance that ended without cleaning up (as after SIGKILL).
    const ChildResult crashed = in_child([] {
        const std::string dir = mw31::temp_directory();
        put(fs::path(dir) / "kurvlab.txt", "info");
        fs::create_directories(fs::path(dir) / "sub" / "deeper");
        put(fs::path(dir) / "sub" / "deeper" / "f", "x");
        return std::to_string(::getpid()) + "\n" + dir;
    });
    const std::string dead_pid = crashed.out.substr(0, crashed.out.find('\n'));
    const std::string dead = crashed.out.substr(crashed.out.find('\n') + 1);
    ASSERT_TRUE(fs::is_directory(dead)) << crashed.out;

    // Running instances, names that only look alike, and a link to someone's folder.
    const std::string mine = mw31::temp_directory();
    const fs::path live = base_ / ("kurvlab-" + std::to_string(::getppid()) + "-abcdef");
    fs::create_directory(live);
    put(live / "kurvlab.txt", "running");
    const fs::path odd = base_ / ("kurvlab-" + dead_pid + "-toolongname");
    fs::create_directory(odd);
    const fs::path victim = base_ / "victim";
    fs::create_directory(victim);
    put(victim / "keep", "precious");
    const fs::path link = base_ / ("kurvlab-" + dead_pid + "-linkxx");
    fs::create_directory_symlink(victim, link);
    const fs::path foreign = base_ / ("kurvlab-" + dead_pid + "-othrus");
    fs::create_directory(foreign);
    const bool have_foreign = ::chown(foreign.c_str(), 65534, 65534) == 0;

    const ChildResult started = in_child([] { return mw31::temp_directory(); });
    ASSERT_FALSE(started.out.empty());
    EXPECT_FALSE(fs::exists(dead));
    EXPECT_TRUE(fs::is_directory(mine));
    EXPECT_EQ(slurp(live / "kurvlab.txt"), "running");
    EXPECT_TRUE(fs::is_directory(odd));
    EXPECT_TRUE(fs::is_symlink(link));
    EXPECT_EQ(slurp(victim / "keep"), "precious");
    if (have_foreign) {
        EXPECT_TRUE(fs::is_directory(foreign));
    }
}

// Run on its own by NormalExitRemovesTheFolder: makes a folder in the base it is given and
// returns, so that the program ends the usual way.
TEST(TempFolderHelper, DISABLED_MakesAFolderAndExits) {
    const char* base = std::getenv("KV_TEMP_HELPER_BASE");
    if (!base) GTEST_SKIP();
    ::setenv("TMPDIR", base, 1);
    const std::string dir = mw31::temp_directory();
    put(fs::path(dir) / "kurvlab.txt", "info");
    std::string copy;
    mw31::film_temp_name(&copy);
    std::printf("folder=%s\n", dir.c_str());
}

TEST_F(TempFolder, NormalExitRemovesTheFolder) {
    char self[PATH_MAX];
    const ssize_t n = ::readlink("/proc/self/exe", self, sizeof self - 1);
    ASSERT_GT(n, 0);
    self[n] = '\0';
    const std::string cmd = "KV_TEMP_HELPER_BASE='" + base_.string() + "' '" + self +
                            "' --gtest_also_run_disabled_tests"
                            " --gtest_filter=TempFolderHelper.DISABLED_MakesAFolderAndExits";
    FILE* p = ::popen(cmd.c_str(), "r");
    ASSERT_NE(p, nullptr);
    std::string out;
    char buffer[512];
    size_t got;
    while ((got = std::fread(buffer, 1, sizeof buffer, p)) > 0) out.append(buffer, got);
    const int status = ::pclose(p);
    ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << out;
    const size_t at = out.find("folder=");
    ASSERT_NE(at, std::string::npos) << out;
    const std::string folder = out.substr(at + 7, out.find('\n', at) - at - 7);
    EXPECT_EQ(fs::path(folder).parent_path(), base_);
    EXPECT_FALSE(fs::exists(folder));
    EXPECT_EQ(names_in(base_), std::vector<std::string>{});
}

TEST_F(TempFolder, EndSignalsRemoveTheFolderAndTheProcessDiesOfThem) {
    const std::string mine = mw31::temp_directory();
    for (const int sig : {SIGTERM, SIGINT, SIGHUP}) {
        int fds[2];
        ASSERT_EQ(::pipe(fds), 0);
        const pid_t pid = ::fork();
        if (pid == 0) {
            ::close(fds[0]);
            const std::string dir = mw31::temp_directory();
            put(fs::path(dir) / "kurvlab.txt", "info");
            std::string copy;
            mw31::film_temp_name(&copy);
            const std::string line = dir + "\n";
            const ssize_t ignored = ::write(fds[1], line.data(), line.size());
            (void)ignored;
            ::alarm(20);
            for (;;) ::pause();
        }
        ::close(fds[1]);
        std::string dir;
        char c;
        while (::read(fds[0], &c, 1) == 1 && c != '\n') dir += c;
        ::close(fds[0]);
        ASSERT_TRUE(fs::is_directory(dir)) << dir;
        ::kill(pid, sig);
        int status = 0;
        ::waitpid(pid, &status, 0);
        EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == sig) << sig << " " << status;
        EXPECT_FALSE(fs::exists(dir)) << sig;
    }
    EXPECT_TRUE(fs::is_directory(mine));  // the children took only their own
}

TEST_F(TempFolder, AForkedChildWithoutAFolderLeavesItsParentsAlone) {
    const std::string mine = mw31::temp_directory();
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::alarm(20);
        for (;;) ::pause();
    }
    ::usleep(20000);
    ::kill(pid, SIGTERM);
    int status = 0;
    ::waitpid(pid, &status, 0);
    EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGTERM);
    EXPECT_TRUE(fs::is_directory(mine));
}

}  // namespace
