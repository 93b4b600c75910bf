#include "video/output_file.h"

#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <csignal>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "video_test_support.h"

namespace {

namespace fs = std::filesystem;

// A file grown by pieces of every size (a byte to several buffers) with headers patched
// behind it, as the video writers do; `model` gets what the file must hold.
video::Result grow(video::OutputFile* f, unsigned seed, std::string* model) {
    std::mt19937 rng(seed);
    for (int i = 0; i < 40; ++i) {
        const size_t size = rng() % 6 == 0 ? rng() % (9u << 20) : rng() % 5000;
        std::string piece(size, '\0');
        for (size_t k = 0; k < size; k += 64) piece[k] = char(rng());
        *model += piece;
        if (video::Result r = f->write(piece.data(), piece.size()); !r.ok()) return r;
        if (!model->empty() && rng() % 3 == 0) {
            // A patch anywhere behind: long written, still buffered, or across both.
            const size_t at = rng() % model->size();
            const size_t n = std::min<size_t>(rng() % 9000 + 1, model->size() - at);
            std::string bytes(n, '\0');
            for (char& c : bytes) c = char(rng());
            model->replace(at, n, bytes);
            if (video::Result r = f->patch(at, bytes.data(), n); !r.ok()) return r;
        }
        if (f->position() != model->size()) return video::result_error(video::kFailed, "position");
    }
    return video::result_ok();
}

class OutputFileTest : public kvtest::VideoDirTest {};

TEST_F(OutputFileTest, DirectAndCachedWritesGiveTheSameBytesWithPatchesAnywhere) {
    // The test folder and the shared memory folder (where direct writes may be refused).
    std::vector<std::string> folders = {path("")};
    if (fs::is_directory("/dev/shm")) {
        folders.push_back("/dev/shm/kv_output_" + std::to_string(getpid()));
        fs::create_directories(folders.back());
    }
    for (const std::string& folder : folders) {
        for (const bool direct : {false, true}) {
            for (unsigned seed = 1; seed <= 2; ++seed) {
                const std::string target = folder + "/grown.bin";
                video::OutputFile f;
                ASSERT_TRUE(f.open(target, direct).ok());
                std::string model;
                ASSERT_TRUE(grow(&f, seed, &model).ok());
                ASSERT_TRUE(f.commit().ok());
                const std::string got = kvtest::read_file(target);
                ASSERT_EQ(got.size(), model.size()) << folder << " direct " << direct;
                EXPECT_TRUE(got == model) << folder << " direct " << direct << " seed " << seed;
            }
        }
        if (folder != path("")) fs::remove_all(folder);
    }
}

TEST_F(OutputFileTest, AFailedDirectWriteKeepsTheOlderFileAndLeavesNothingBeside) {
    write_bytes("keep.bin", "earlier");
    const std::string target = path("keep.bin");
    pid_t pid = fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
        // 5 MB may be written per file: the second direct buffer fails part-way.
        signal(SIGXFSZ, SIG_IGN);
        struct rlimit lim = {5u << 20, 5u << 20};
        setrlimit(RLIMIT_FSIZE, &lim);
        video::OutputFile f;
        std::string model;
        video::Result r = f.open(target, true);
        if (r.ok()) r = grow(&f, 7, &model);
        const video::Result committed = f.commit();  // also what a writer does after a failure
        if (r.ok()) r = committed;
        _exit(r.ok() ? 100 : r.code);
    }
    int status = 0;
    ASSERT_EQ(waitpid(pid, &status, 0), pid);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), video::kTooLarge);
    EXPECT_EQ(kvtest::read_file(target), "earlier");
    EXPECT_EQ(entries(), (std::vector<std::string>{"keep.bin"}));
}

}  // namespace
