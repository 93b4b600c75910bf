// A big user-coordinates film is read in two halves at once. Wherever the second half starts
// (in a value, in a text, at a line that only looks like a frame end, near a limit), the film
// read must be the one read in one piece, down to the last bit and message.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "film_model/byte_source.h"
#include "film_model/usercoor_reader.h"

namespace film {
namespace {

struct Result {
    int rc = -1;
    UsercoorFilm film;
    std::vector<std::string> messages;
};

Result read_from(ByteSource& source, const UsercoorLimits& limits) {
    Result r;
    ReaderHooks hooks;
    hooks.report = [&r](const std::string& m) { r.messages.push_back(m); };
    r.rc = read_usercoor_film(source, &r.film, limits, hooks);
    return r;
}

UsercoorLimits in_one_piece(UsercoorLimits limits = {}) {
    limits.two_halves_from = SIZE_MAX;
    return limits;
}

UsercoorLimits split_at(size_t offset, UsercoorLimits limits = {}) {
    limits.two_halves_from = 0;
    limits.second_half_from = offset;
    return limits;
}

bool same_bits(const void* a, const void* b, size_t n) {
    return std::memcmp(a, b, n) == 0;
}

void expect_same_film(const Result& got, const Result& want, const std::string& how) {
    EXPECT_EQ(got.rc, want.rc) << how;
    EXPECT_EQ(got.messages, want.messages) << how;
    const UsercoorFilm& g = got.film;
    const UsercoorFilm& w = want.film;
    EXPECT_EQ(g.frame_ends, w.frame_ends) << how;
    EXPECT_EQ(g.texts, w.texts) << how;
    ASSERT_EQ(g.records.size(), w.records.size()) << how;
    for (size_t i = 0; i < w.records.size(); ++i) {
        if (!same_bits(&g.records[i], &w.records[i], sizeof(UsercoorRecord))) {
            ADD_FAILURE() << how << ": record " << i << " {" << g.records[i].kind << ", "
                          << g.records[i].a << ", " << g.records[i].b << "}, want {"
                          << w.records[i].kind << ", " << w.records[i].a << ", " << w.records[i].b
                          << "}";
            break;
        }
    }
    EXPECT_TRUE(same_bits(&g.window, &w.window, sizeof g.window)) << how;
    EXPECT_TRUE(same_bits(&g.initial, &w.initial, sizeof g.initial)) << how;
    EXPECT_EQ(g.has_window, w.has_window) << how;
    EXPECT_EQ(g.virtual_width, w.virtual_width) << how;
    EXPECT_EQ(g.virtual_height, w.virtual_height) << how;
    EXPECT_EQ(g.angle_divisor, w.angle_divisor) << how;
}

// Splits the film at every offset after its head and compares each read with the one-piece read.
void expect_every_split_reads_alike(const std::string& bytes, const UsercoorLimits& limits = {}) {
    MemoryByteSource whole(bytes.data(), bytes.size());
    const Result want = read_from(whole, in_one_piece(limits));
    for (size_t at = 1; at < bytes.size(); ++at) {
        MemoryByteSource source(bytes.data(), bytes.size());
        expect_same_film(read_from(source, split_at(at, limits)), want,
                         " split at " + std::to_string(at));
        if (testing::Test::HasFailure()) return;
    }
}

// Frames with every kind of record, texts, head values changed on the way, lines that look like
// frame ends but are eaten by a value, bytes skipped after x, and upper-case letters that skip
// bytes of their own.
const char kTrickyFilm[] =
    "usercoor\nc3\nq100\nr639,479\na-10,-10,10,10\ns1,2,head text\nf\n"
    "s-9,5,first frame\nc2\nl1.5,2.25,-3.125,4\nh0,0,10,350,2.5\nx0,0,0,0\n"
    "junk before the frame\nm1,1\nd2,2\ni3,3,4,4\nw5,5,6,6\ng1,2,3,4,5\nb6,7,8,9,10\n"
    "o1,2,3,4,5\nx\n"
    "s0,0,text with x\nx\nl1,2,3\nx\nl4,5,6,7\nx\n"  // the x after l1,2,3 is its fourth value
    "X12345678 l9,9,9,9\nx\n"                        // X skips bytes that may look like a frame
    "c5\na-20,-20,20,20\nq360\nr799,599\nl1e3,2.5E-1,3d2,-4\nx\n"
    "s1,1,\nc1\no0,0,1,0,90\nx\n"
    "Lzz\nl0,0,1,1\nx\nl8,8,8,8\n";  // records after the last x are dropped

TEST(UsercoorTwoHalves, EverySplitOfATrickyFilmReadsAsOnePiece) {
    expect_every_split_reads_alike(kTrickyFilm);
}

TEST(UsercoorTwoHalves, EverySplitNearEachLimitReadsAsOnePiece) {
    // Frames: the second half holds the frame too many, or the last one allowed.
    UsercoorLimits frames;
    frames.max_frames = 6;
    expect_every_split_reads_alike(kTrickyFilm, frames);
    frames.max_frames = 8;
    expect_every_split_reads_alike(kTrickyFilm, frames);
    // Texts: numbered across the halves, dropped beyond the last number allowed.
    UsercoorLimits texts;
    texts.max_texts = 3;
    expect_every_split_reads_alike(kTrickyFilm, texts);
    // A frame with too many records in either half.
    UsercoorLimits records;
    records.max_records_per_frame = 9;
    expect_every_split_reads_alike(kTrickyFilm, records);
}

TEST(UsercoorTwoHalves, RandomFilmsSplitAnywhereReadAsOnePiece) {
    const char* const pieces[] = {
        "l1,2,3,4\n", "h1.5,2,3,4,5\n", "c7\n",  "s1,2,text\n",  "x\n",        "x\n",
        "\nx",        "m-1,2\n",        "q90\n", "a0,0,5,5\n",   "r99,99\n",   "X\nx\n",
        "1e400,",     "l1,2\nx\n",      "\x01",  "o1,2,3,4,5\n", "i1,1,2,2\n", "s9,9,\n"};
    std::mt19937 random(20261210);
    UsercoorLimits small;
    small.max_frames = 40;
    small.max_texts = 12;
    small.max_records_per_frame = 30;
    for (int film = 0; film < 60; ++film) {
        std::string bytes = "usercoor\nf\n";
        const int count = 20 + int(random() % 120);
        for (int i = 0; i < count; ++i) bytes += pieces[random() % std::size(pieces)];
        MemoryByteSource whole(bytes.data(), bytes.size());
        for (const UsercoorLimits& limits : {UsercoorLimits{}, small}) {
            const Result want = read_from(whole, in_one_piece(limits));
            for (int k = 0; k < 25; ++k) {
                const size_t at = 1 + random() % bytes.size();
                MemoryByteSource source(bytes.data(), bytes.size());
                expect_same_film(
                    read_from(source, split_at(at, limits)), want,
                    " film " + std::to_string(film) + " split at " + std::to_string(at));
                if (HasFailure()) return;
            }
        }
    }
}

// A file's second half is read through a second reading of the same file while the first half
// is read: both must get their own bytes.
TEST(UsercoorTwoHalves, AFileReadInTwoHalvesAsOnePiece) {
    std::string bytes = "usercoor\na-100,-100,100,100\nf\n";
    for (int frame = 0; bytes.size() < 3u * FileByteSource::kBlockSize; ++frame) {
        char line[200];
        std::snprintf(line, sizeof line, "s0,0,frame %d\nc%d\nl%d.25,-%d.5,%d,%d\nh1,2,3,%d,5\nx\n",
                      frame, frame % 15, frame, frame, frame + 1, frame % 7, frame % 360);
        bytes += line;
    }
    const std::filesystem::path path =
        std::filesystem::path(testing::TempDir()) / "usercoor_two_halves.anm";
    std::ofstream(path, std::ios::binary).write(bytes.data(), std::streamsize(bytes.size()));
    MemoryByteSource memory(bytes.data(), bytes.size());
    const Result want = read_from(memory, in_one_piece());
    ASSERT_GT(want.film.frame_count(), 1000);
    for (const size_t at : {size_t(40), bytes.size() / 3, FileByteSource::kBlockSize - 3,
                            bytes.size() / 2, bytes.size() - 30}) {
        FileByteSource file;
        ASSERT_TRUE(file.open(path.string()));
        expect_same_film(read_from(file, split_at(at)), want, " split at " + std::to_string(at));
    }
    // Big enough to be split on its own when the threshold is lower than the film.
    FileByteSource file;
    ASSERT_TRUE(file.open(path.string()));
    UsercoorLimits by_size;
    by_size.two_halves_from = 1000;
    expect_same_film(read_from(file, by_size), want, " split in the middle");
    std::filesystem::remove(path);
}

// Bytes in memory whose second reading is slow to start, as a file on a busy disk may be.
class SlowSecondReading final : public ByteSource {
  public:
    SlowSecondReading(const std::string& bytes, size_t from, bool slow)
        : ByteSource("(slow)"), bytes_(bytes), from_(from), slow_(slow) {}
    bool rewind() override {
        clear_pushback();
        set_block(nullptr, nullptr);
        delivered_ = false;
        return true;
    }
    size_t size_hint() const override { return bytes_.size() + from_; }
    std::unique_ptr<ByteSource> source_from(size_t offset) const override {
        return std::make_unique<SlowSecondReading>(bytes_.substr(offset - from_), offset, true);
    }

  protected:
    bool next_block() override {
        if (delivered_ || bytes_.empty()) return false;
        if (slow_) std::this_thread::sleep_for(std::chrono::milliseconds(300));
        delivered_ = true;
        const auto* p = reinterpret_cast<const unsigned char*>(bytes_.data());
        set_block(p, p + bytes_.size());
        return true;
    }

  private:
    std::string bytes_;
    size_t from_;
    bool slow_;
    bool delivered_ = false;
};

// The player services its window from the progress hook: waiting for the second half must not
// silence it.
TEST(UsercoorTwoHalves, ProgressGoesOnWhileTheFirstReaderWaits) {
    std::string bytes = "usercoor\nf\n";
    for (int i = 0; i < 40; ++i) bytes += "l0,0,1,1\nx\n";
    SlowSecondReading source(bytes, 0, false);
    int calls = 0;
    ReaderHooks hooks;
    hooks.progress = [&calls] { ++calls; };
    UsercoorFilm film;
    ASSERT_EQ(read_usercoor_film(source, &film, split_at(bytes.size() / 2), hooks), 0);
    EXPECT_EQ(film.frame_count(), 40);
    // The first half's frames and the head report once each (about 21); the 300 ms wait at
    // 20 ms a call many more.
    EXPECT_GE(calls, 21 + 5);
}

}  // namespace
}  // namespace film
