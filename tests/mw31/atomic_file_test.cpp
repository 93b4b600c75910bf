// Atomic replacement of files and the writers built on it (film copies, film lists): the new
// contents arrive whole with the old permissions, and a failed write leaves the old file as
// it was and no temporary behind.
#include "mw31/atomic_file.h"

#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>
#include <vector>

#include "mw31/choose_film_file.h"
#include "mw31/dialogs.h"
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

// Bytes that no two runs of a wrong code path would produce alike.
std::string pattern(size_t size, unsigned seed) {
    std::string s(size, '\0');
    for (size_t i = 0; i < size; ++i) s[i] = char((i * 131 + seed * 7 + (i >> 7)) & 0xff);
    return s;
}

mode_t mode_of(const fs::path& path) {
    struct stat st {};
    ::lstat(path.c_str(), &st);
    return st.st_mode & 07777;
}

class AtomicWrite : public ::testing::Test {
  protected:
    void SetUp() override {
        dir_ = fs::path(::testing::TempDir()) /
               ("kv_atomic_" +
                std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
        fs::remove_all(dir_);
        fs::create_directories(dir_);
    }
    void TearDown() override { fs::remove_all(dir_); }

    std::vector<std::string> names() const {
        std::vector<std::string> n;
        for (const auto& e : fs::directory_iterator(dir_)) n.push_back(e.path().filename());
        std::sort(n.begin(), n.end());
        return n;
    }

    // Runs body in a forked child whose files may grow to at most limit bytes (writes past
    // it fail with EFBIG, as on a full disk); what it wrote to standard error and then the
    // text it returns come back.
    std::string with_file_size_limit(rlim_t limit, const std::function<std::string()>& body) {
        int fds[2];
        if (::pipe(fds) != 0) return "no pipe";
        const pid_t pid = ::fork();
        if (pid == 0) {
            ::close(fds[0]);
            ::dup2(fds[1], STDERR_FILENO);
            std::signal(SIGXFSZ, SIG_IGN);
            const rlimit r{limit, limit};
            std::string text = ::setrlimit(RLIMIT_FSIZE, &r) == 0 ? body() : "no limit";
            const ssize_t ignored = ::write(fds[1], text.data(), text.size());
            (void)ignored;
            ::_exit(0);
        }
        ::close(fds[1]);
        std::string out;
        char buffer[256];
        ssize_t n;
        while ((n = ::read(fds[0], buffer, sizeof buffer)) > 0) out.append(buffer, size_t(n));
        ::close(fds[0]);
        int status = 0;
        ::waitpid(pid, &status, 0);
        if (!WIFEXITED(status)) out += " (child died)";
        return out;
    }

    fs::path dir_;
};

TEST_F(AtomicWrite, ReplacesTheWholeFileAndKeepsItsPermissions) {
    const fs::path target = dir_ / "film.anm";
    put(target, pattern(5000, 1));
    fs::permissions(target, fs::perms(0640));
    const std::string fresh = pattern(20000, 2);
    std::string error = "stale";
    ASSERT_TRUE(mw31::write_file_atomically(target, fresh, &error));
    EXPECT_EQ(error, "");
    EXPECT_EQ(slurp(target), fresh);
    EXPECT_EQ(mode_of(target), 0640u);
    EXPECT_EQ(names(), std::vector<std::string>{"film.anm"});

    ASSERT_TRUE(mw31::write_file_atomically(target, ""));  // shorter: no old tail remains
    EXPECT_EQ(fs::file_size(target), 0u);
}

TEST_F(AtomicWrite, ANewFileGetsTheModeTheUmaskAllows) {
    const mode_t old = ::umask(027);
    const bool ok = mw31::write_file_atomically(dir_ / "new.txt", "text");
    ::umask(old);
    ASSERT_TRUE(ok);
    EXPECT_EQ(mode_of(dir_ / "new.txt"), 0640u);
    EXPECT_EQ(slurp(dir_ / "new.txt"), "text");
}

TEST_F(AtomicWrite, ALinkStaysAndTheFileItNamesIsReplaced) {
    put(dir_ / "real.txt", "old");
    fs::create_symlink("real.txt", dir_ / "link.txt");
    ASSERT_TRUE(mw31::write_file_atomically(dir_ / "link.txt", "new"));
    EXPECT_TRUE(fs::is_symlink(dir_ / "link.txt"));
    EXPECT_EQ(slurp(dir_ / "real.txt"), "new");
    EXPECT_EQ(names(), (std::vector<std::string>{"link.txt", "real.txt"}));
}

TEST_F(AtomicWrite, TargetsThatAreNoRegularFileOrHaveNoFolderAreRefused) {
    ASSERT_EQ(::mkfifo((dir_ / "pipe").c_str(), 0600), 0);
    std::string error;
    EXPECT_FALSE(mw31::write_file_atomically(dir_ / "pipe", "x", &error));  // and no block
    EXPECT_EQ(error, "not a regular file");
    EXPECT_TRUE(fs::is_fifo(dir_ / "pipe"));
    fs::create_directory(dir_ / "folder");
    EXPECT_FALSE(mw31::write_file_atomically(dir_ / "folder", "x", &error));
    EXPECT_TRUE(fs::is_directory(dir_ / "folder"));
    EXPECT_FALSE(mw31::write_file_atomically(dir_ / "no" / "such.txt", "x", &error));
    EXPECT_EQ(error, "no such file or directory");
    EXPECT_EQ(names(), (std::vector<std::string>{"folder", "pipe"}));
}

TEST_F(AtomicWrite, AnAbandonedWriteLeavesTheOldFileAndNoTemporary) {
    put(dir_ / "keep.txt", "old contents");
    {
        mw31::AtomicFile file;
        ASSERT_TRUE(file.begin((dir_ / "keep.txt").string()));
        ASSERT_TRUE(file.write(pattern(100000, 3)));
        EXPECT_EQ(names().size(), 2u);  // the temporary sits beside the target
    }
    EXPECT_EQ(slurp(dir_ / "keep.txt"), "old contents");
    EXPECT_EQ(names(), std::vector<std::string>{"keep.txt"});
}

TEST_F(AtomicWrite, AFailingWriteLeavesTheOldFileByteIdentical) {
    const fs::path target = dir_ / "film.anm";
    const std::string old = pattern(3000, 4);
    put(target, old);
    const std::string out = with_file_size_limit(8192, [&] {
        mw31::AtomicFile file;
        if (!file.begin(target.string())) return "begin: " + file.error();
        bool wrote = true;
        for (int i = 0; i < 16; ++i) wrote &= file.write(pattern(4096, 5));
        const bool committed = file.commit();
        return std::string(wrote ? "wrote" : "write failed") + "|" +
               (committed ? "committed" : "refused") + "|" + file.error();
    });
    EXPECT_EQ(out, "write failed|refused|file too large");
    EXPECT_EQ(slurp(target), old);
    EXPECT_EQ(names(), std::vector<std::string>{"film.anm"});
}

TEST_F(AtomicWrite, AFailingCopyLeavesTheOldTargetByteIdentical) {
    put(dir_ / "big.anm", pattern(50000, 6));
    const std::string old = pattern(4000, 7);
    put(dir_ / "saved.anm", old);
    const std::string out = with_file_size_limit(16384, [&] {
        std::string error;
        const int rc =
            mw31::copy_file((dir_ / "big.anm").string(), (dir_ / "saved.anm").string(), &error);
        return std::to_string(rc) + "|" + error;
    });
    EXPECT_EQ(out, "1|file too large");
    EXPECT_EQ(slurp(dir_ / "saved.anm"), old);
    EXPECT_EQ(names(), (std::vector<std::string>{"big.anm", "saved.anm"}));

    // Without the limit the same copy goes through.
    EXPECT_EQ(mw31::copy_file((dir_ / "big.anm").string(), (dir_ / "saved.anm").string()), 0);
    EXPECT_EQ(slurp(dir_ / "saved.anm"), slurp(dir_ / "big.anm"));
}

class FilmListFile : public AtomicWrite {
  protected:
    void SetUp() override {
        AtomicWrite::SetUp();
        mw31::clear_dialog_hooks();
        for (const char* name : {"a.flm", "b.flm", "c.flm"})
            chosen_.push_back((dir_ / (std::string(100, 'n') + name)).string());
    }
    void TearDown() override {
        mw31::clear_dialog_hooks();
        AtomicWrite::TearDown();
    }
    std::string choose() {
        mw31::CannedAnswer answer;
        answer.files = chosen_;
        mw31::queue_dialog_answer(answer);
        std::string result;
        const int rc = mw31::choose_film_file(dir_.string(), &result, "Films|*.flm|");
        return std::to_string(rc) + "|" + result;
    }
    std::vector<std::string> chosen_;
};

TEST_F(FilmListFile, SeveralFilmsReplaceTheListWhole) {
    put(dir_ / "gesflm.txt", pattern(2000, 8));
    EXPECT_EQ(choose(), "0|" + (dir_ / "gesflm.txt").string());
    EXPECT_EQ(slurp(dir_ / "gesflm.txt"),
              "film=" + chosen_[0] + "\nfilm=" + chosen_[1] + "\nfilm=" + chosen_[2] + "\n");
}

TEST_F(FilmListFile, AListThatCannotBeWrittenLeavesTheOldOneAndSaysWhy) {
    const std::string old = "film=/old/one.flm\n";
    put(dir_ / "gesflm.txt", old);
    const std::string out = with_file_size_limit(64, [&] { return "result " + choose(); });
    const std::string said =
        "cannot open " + (dir_ / "gesflm.txt").string() + "\nfile too large\nresult 1|";
    EXPECT_EQ(out.substr(out.size() - said.size()), said) << out;
    EXPECT_EQ(slurp(dir_ / "gesflm.txt"), old);
    EXPECT_EQ(names(), std::vector<std::string>{"gesflm.txt"});
}

// Films in a folder that cannot take the list (here: one that is gone; as root no permission
// bits would stop us) still play: the list goes into the program's temporary folder.
TEST_F(FilmListFile, AFolderThatCannotTakeTheListSendsItToTheTemporaryFolder) {
    for (std::string& film : chosen_) film = (dir_ / "gone" / fs::path(film).filename()).string();
    ::testing::internal::CaptureStderr();
    const std::string got = choose();
    const std::string said = ::testing::internal::GetCapturedStderr();
    const std::string fallback = mw31::temp_directory() + "/gesflm.txt";
    EXPECT_EQ(got, "0|" + fallback);
    EXPECT_EQ(slurp(fallback),
              "film=" + chosen_[0] + "\nfilm=" + chosen_[1] + "\nfilm=" + chosen_[2] + "\n");
    EXPECT_NE(said.find("the film list is written to " + fallback), std::string::npos) << said;
    fs::remove(fallback);
}

}  // namespace
