// File services: separator mapping, line reading with a bounded buffer, copying, temp names
// (made in the private folder under $TMPDIR).
#include "mw31/file_services.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <stdlib.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "mw31/temp_names.h"

namespace {

namespace fs = std::filesystem;

class FileServices : public ::testing::Test {
  protected:
    void SetUp() override {
        dir_ = fs::path(::testing::TempDir()) /
               ("kv_files_" + std::to_string(::getpid()) + "_" +
                ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(dir_);
        fs::create_directories(dir_);
    }
    void TearDown() override { fs::remove_all(dir_); }

    std::string path(const std::string& name) const { return (dir_ / name).string(); }
    void write(const std::string& name, const std::string& bytes) const {
        std::ofstream(path(name), std::ios::binary) << bytes;
    }
    std::string read(const std::string& name) const {
        std::ifstream in(path(name), std::ios::binary);
        std::stringstream ss;
        ss << in.rdbuf();
        return ss.str();
    }

    fs::path dir_;
};

TEST_F(FileServices, BackslashesBecomeSlashes) {
    fs::create_directories(dir_ / "sub");
    write("sub/a.txt", "hello");
    const std::string windows_name = dir_.string() + "\\sub\\a.txt";
    EXPECT_EQ(mw31::native_file_name("C:\\x\\y/z"), "C:/x/y/z");
    FILE* f = mw31::open_file(windows_name, "rb");
    ASSERT_NE(f, nullptr);
    char buf[8] = {};
    EXPECT_EQ(std::fread(buf, 1, 5, f), 5u);
    EXPECT_STREQ(buf, "hello");
    mw31::close_file(f);
    mw31::close_file(nullptr);

    const int fd = mw31::open_raw(windows_name, O_RDONLY);
    ASSERT_GE(fd, 0);
    ::close(fd);
    EXPECT_EQ(mw31::open_file(path("missing"), "rb"), nullptr);
    EXPECT_EQ(mw31::open_raw(path("missing"), O_RDONLY), -1);

    EXPECT_EQ(mw31::remove_file(windows_name), 0);
    EXPECT_FALSE(fs::exists(dir_ / "sub/a.txt"));
    EXPECT_EQ(mw31::remove_file(windows_name), 1);
}

std::vector<std::string> lines_of(FILE* f, int count) {
    std::vector<std::string> lines;
    std::vector<char> buffer(size_t(count) + 1, '#');
    buffer.back() = '!';  // a guard byte behind the caller's buffer
    while (mw31::read_text_line(f, buffer.data(), count)) {
        lines.emplace_back(buffer.data());
        if (lines.size() > 100) break;
    }
    EXPECT_EQ(buffer.back(), '!') << "nothing written past the buffer";
    return lines;
}

TEST_F(FileServices, ReadTextLineEndsAndLongLines) {
    using V = std::vector<std::string>;
    write("l.txt", "one\ntwo\r\n\nlast");
    FILE* f = mw31::open_file(path("l.txt"), "rb");
    EXPECT_EQ(lines_of(f, 64), (V{"one", "two", "", "last"}));
    mw31::close_file(f);

    // A buffer of 4 bytes holds 3 characters; the rest of a line comes next, and a line end
    // right after a full buffer does not make an empty line.
    write("long.txt", "abcdefgh\nxyz\nuvw\r\nq");
    f = mw31::open_file(path("long.txt"), "rb");
    EXPECT_EQ(lines_of(f, 4), (V{"abc", "def", "gh", "xyz", "uvw", "q"}));
    mw31::close_file(f);

    write("empty.txt", "");
    f = mw31::open_file(path("empty.txt"), "rb");
    EXPECT_TRUE(lines_of(f, 8).empty());
    mw31::close_file(f);
}

TEST_F(FileServices, ReadTextLineDegenerateArguments) {
    write("d.txt", "abc\n");
    FILE* f = mw31::open_file(path("d.txt"), "rb");
    char one = 'x';
    EXPECT_FALSE(mw31::read_text_line(f, &one, 1));
    EXPECT_EQ(one, '\0');
    EXPECT_FALSE(mw31::read_text_line(f, static_cast<char*>(nullptr), 10));
    char buf[8];
    EXPECT_FALSE(mw31::read_text_line(nullptr, buf, 8));
    std::string line;
    EXPECT_FALSE(mw31::read_text_line(f, &line, 0));
    EXPECT_TRUE(mw31::read_text_line(f, &line, 2));
    EXPECT_EQ(line, "ab");
    EXPECT_TRUE(mw31::read_text_line(f, &line, 2));
    EXPECT_EQ(line, "c");
    EXPECT_FALSE(mw31::read_text_line(f, &line, 2));
    mw31::close_file(f);
}

TEST_F(FileServices, CopyFileInBlocks) {
    std::string data;
    for (int i = 0; i < 5000; ++i) data += char(i * 7);
    write("src.bin", data);
    EXPECT_EQ(mw31::copy_file(path("src.bin"), path("dst.bin")), 0);
    EXPECT_EQ(read("dst.bin"), data);
    // Exactly one block, and an empty file.
    write("k.bin", std::string(1024, 'k'));
    EXPECT_EQ(mw31::copy_file(path("k.bin"), dir_.string() + "\\k2.bin"), 0);
    EXPECT_EQ(read("k2.bin"), std::string(1024, 'k'));
    write("e.bin", "");
    EXPECT_EQ(mw31::copy_file(path("e.bin"), path("e2.bin")), 0);
    EXPECT_TRUE(fs::exists(dir_ / "e2.bin"));

    EXPECT_EQ(mw31::copy_file(path("missing"), path("x.bin")), 1);
    EXPECT_FALSE(fs::exists(dir_ / "x.bin"));
    EXPECT_EQ(mw31::copy_file(path("src.bin"), path("no/such/dir/x.bin")), 1);
}

TEST_F(FileServices, CopyFileOntoItselfKeepsIt) {
    write("self.txt", "precious");
    EXPECT_EQ(mw31::copy_file(path("self.txt"), path("self.txt")), 0);
    EXPECT_EQ(read("self.txt"), "precious");
    // Other spellings of the same file.
    EXPECT_EQ(mw31::copy_file(path("self.txt"), dir_.string() + "/./self.txt"), 0);
    EXPECT_EQ(read("self.txt"), "precious");
    EXPECT_EQ(mw31::copy_file(path("self.txt"), dir_.string() + "\\self.txt"), 0);
    EXPECT_EQ(read("self.txt"), "precious");
    fs::create_hard_link(dir_ / "self.txt", dir_ / "link.txt");
    EXPECT_EQ(mw31::copy_file(path("self.txt"), path("link.txt")), 0);
    EXPECT_EQ(read("self.txt"), "precious");
}

TEST_F(FileServices, TempNamesAreNewFilesInTmpdir) {
    const char* old = std::getenv("TMPDIR");
    const std::string saved = old ? old : "";
    ::setenv("TMPDIR", dir_.c_str(), 1);
    std::string a, b;
    EXPECT_EQ(mw31::film_temp_name(&a), 0);
    EXPECT_EQ(mw31::film_temp_name(&b), 0);
    EXPECT_NE(a, b);
    for (const std::string& name : {a, b}) {
        EXPECT_EQ(fs::path(name).parent_path(), mw31::temp_directory());
        EXPECT_EQ(fs::path(name).parent_path().parent_path(), dir_);
        EXPECT_EQ(fs::path(name).filename().string().substr(0, 3), "KV_");
        EXPECT_TRUE(fs::exists(name));
        EXPECT_EQ(fs::file_size(name), 0u);
    }
    ::setenv("TMPDIR", path("not/there").c_str(), 1);
    std::string c = "stale";
    EXPECT_EQ(mw31::film_temp_name(&c), 1);
    EXPECT_EQ(c, "");
    if (old)
        ::setenv("TMPDIR", saved.c_str(), 1);
    else
        ::unsetenv("TMPDIR");
}

}  // namespace
