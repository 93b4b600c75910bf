// Tests of the line-film reader: both encodings, frame ends and resynchronisation, limits,
// head commands and damaged input.
#include "film_model/line_film_reader.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstdio>
#include <random>
#include <string>
#include <vector>

#include "film_model/byte_source.h"

namespace film {
namespace {

using Records = RecordVector;

// Binary values as the film writers put them: most significant byte first.
std::string s16(int v) {
    return {char((v >> 8) & 0xff), char(v & 0xff)};
}
std::string s32(int32_t v) {
    uint32_t u = uint32_t(v);
    return {char(u >> 24), char((u >> 16) & 0xff), char((u >> 8) & 0xff), char(u & 0xff)};
}
std::string b96(int x, int y) {
    return {char(32 + x / 96), char(32 + x % 96), char(32 + y / 96), char(32 + y % 96)};
}

Records records_of(const FrameStore& store, int frame) {
    const FrameRecords f = store.frame(frame);
    return Records(f.begin(), f.end());
}

struct Result {
    int rc = -1;
    FrameStore store;
    std::string messages;
};

Result read(const std::string& bytes, const EraseRectMapper& map = nullptr,
            LineFilmLimits limits = {}) {
    Result r;
    MemoryByteSource source(bytes.data(), bytes.size());
    testing::internal::CaptureStderr();
    r.rc = read_line_film(source, &r.store, map, limits);
    r.messages = testing::internal::GetCapturedStderr();
    return r;
}

TEST(LineFilmEncodings, TextAndBinaryCommandsGiveTheSameRecords) {
    std::string text = "F\nl10,20,30,40,c7,m" + b96(100, 9215) + "d" + b96(0, 95) +
                       "h1,2,-300,400,50,g3,4,5,6,7,i1,2,3,4,w5,6,7,8,b1,2,3,4,5,x";
    std::string binary =
        "F\n"
        "L" +
        s16(10) + s16(20) + s16(30) + s16(40) + "C" + s16(7) + "M" + s16(100) + s16(9215) + "D" +
        s16(0) + s16(95) + "H" + s16(1) + s16(2) + s32(-300) + s32(400) + s16(50) + "G" + s16(3) +
        s16(4) + s32(5) + s32(6) + s16(7) + "I" + s16(1) + s16(2) + s16(3) + s16(4) + "W" + s16(5) +
        s16(6) + s16(7) + s16(8) + "B" + s16(1) + s16(2) + s32(3) + s32(4) + s16(5) + "X";
    const Records expected = {
        {kMoveTo, 10, 20},   {kLineTo, 30, 40}, {kColour, 7, 0}, {kMoveTo, 100, 9215},
        {kLineTo, 0, 95},    {kArc, 1, 2},      {50, -300, 400}, {kXorArc, 3, 4},
        {7, 5, 6},           {kColour, 1, 0},   {kMoveTo, 1, 2}, {kXorLineTo, 3, 4},
        {kFilledRect, 5, 6}, {kMoveTo, 7, 8},   {kPoint, 1, 2},  {5, 3, 4},
    };
    for (const std::string& film : {text, binary}) {
        Result r = read(film);
        EXPECT_EQ(r.rc, 0);
        ASSERT_EQ(r.store.frame_count(), 1);
        EXPECT_EQ(records_of(r.store, 0), expected);
        EXPECT_EQ(r.store.records.size(), expected.size());
    }
}

TEST(LineFilmEncodings, BinaryValuesAreUnsignedShortsAndSignedLongs) {
    Result r = read("F\nL" + s16(65535) + s16(0x8000) + s16(1) + s16(256) + "H" + s16(0) + s16(0) +
                    s32(INT32_MIN) + s32(-1) + s16(0xffff) + "X");
    ASSERT_EQ(r.store.frame_count(), 1);
    EXPECT_EQ(records_of(r.store, 0),
              (Records{{4, 65535, 32768}, {5, 1, 256}, {10, 0, 0}, {65535, INT32_MIN, -1}}));
}

TEST(LineFilmEncodings, TextValuesTakeOneTerminatorAndSaturate) {
    // '+' sign; a value without sign or digit is 0 and eats one byte; a bare sign is 0; the
    // terminator may be any byte, even a letter.
    Result r = read("F\nl+5 -6\n,7Lxl-,+,1,2,x");
    ASSERT_EQ(r.store.frame_count(), 2);
    EXPECT_EQ(records_of(r.store, 0), (Records{{4, 5, -6}, {5, 0, 7}}));
    EXPECT_EQ(records_of(r.store, 1), (Records{{4, 0, 0}, {5, 1, 2}}));

    r = read("F\nl99999999999999999999999999,-99999999999999999999,2147483648,-2147483648,x");
    ASSERT_EQ(r.store.frame_count(), 1);
    EXPECT_EQ(records_of(r.store, 0),
              (Records{{4, INT32_MAX, INT32_MIN}, {5, INT32_MAX, INT32_MIN}}));
}

TEST(LineFilmFrames, ResynchronisationSkipsToTheNextFrameStart) {
    // After X, C is skipped with its short (whose bytes are "lm", not a frame start), then
    // the two shorts of R, then L starts the frame.
    Result r = read("F\nl1,2,3,4,X\nC" + std::string("lm") + "R" + s16(0x6c6c) + s16(0x6c6c) + "L" +
                    s16(5) + s16(6) + s16(7) + s16(8) + "X");
    ASSERT_EQ(r.store.frame_count(), 2);
    EXPECT_EQ(records_of(r.store, 1), (Records{{4, 5, 6}, {5, 7, 8}}));
    EXPECT_EQ(r.store.virtual_width, kDefaultVirtualWidth);  // the R was skipped, not done

    // c is skipped as a letter: its digits and comma are letters too, so the L that a text
    // value would have taken as its terminator starts the frame.
    r = read("F\nl1,2,3,4,x\nc5L" + s16(5) + s16(6) + s16(7) + s16(8) + "x");
    ASSERT_EQ(r.store.frame_count(), 2);
    EXPECT_EQ(records_of(r.store, 1), (Records{{4, 5, 6}, {5, 7, 8}}));

    // G skips seven shorts, X four; lower-case h starts a frame.
    r = read("F\nl1,2,3,4,x" + std::string("G") + std::string(14, 'l') + "X" + std::string(8, 'm') +
             "h1,2,3,4,5,x");
    ASSERT_EQ(r.store.frame_count(), 2);
    EXPECT_EQ(records_of(r.store, 1), (Records{{10, 1, 2}, {5, 3, 4}}));
}

TEST(LineFilmFrames, ColourBeforeTheFirstFrameIsKeptButLostAfterAFrameEnd) {
    Result r = read("F\nc3,l1,2,3,4,xc3,l1,2,3,4,x");
    ASSERT_EQ(r.store.frame_count(), 2);
    EXPECT_EQ(records_of(r.store, 0).front(), (FilmRecord{kColour, 3, 0}));
    EXPECT_EQ(records_of(r.store, 1).front(), (FilmRecord{kMoveTo, 1, 2}));
}

TEST(LineFilmFrames, RecordsAfterTheLastFrameEndAreDropped) {
    Result r = read("F\nl1,2,3,4,x\nl5,6,7,8,\n");
    EXPECT_EQ(r.rc, 0);
    ASSERT_EQ(r.store.frame_count(), 1);
    EXPECT_EQ(records_of(r.store, 0), (Records{{4, 1, 2}, {5, 3, 4}}));
    EXPECT_EQ(r.store.records.size(), 2u);  // not kept behind the last frame either
}

TEST(LineFilmFrames, CommandsWithoutRecordsInAFrame) {
    // In a frame A's values are not read: they are taken as letters, so the l after it counts.
    Result r = read("F\nal1,2,3,4,x");
    ASSERT_EQ(r.store.frame_count(), 1);
    EXPECT_EQ(records_of(r.store, 0), (Records{{4, 1, 2}, {5, 3, 4}}));
    EXPECT_EQ(r.store.erase_rect, mw31::Rect{});

    // Q and R change the state used for drawing and store nothing; s and unknown bytes do
    // nothing.
    r = read(
        "F\nl1,2,3,4,q36000,r639,479,s?\xff"
        "x");
    ASSERT_EQ(r.store.frame_count(), 1);
    EXPECT_EQ(records_of(r.store, 0).size(), 2u);
    EXPECT_EQ(r.store.angle_divisor, 36000.0);
    EXPECT_EQ(r.store.virtual_width, 640);
    EXPECT_EQ(r.store.virtual_height, 480);
}

TEST(LineFilmFrames, FilmWithoutFrameSectionHasNoFrames) {
    Result r = read("r799,599,l1,2,3,4,x");
    EXPECT_EQ(r.rc, 0);
    EXPECT_EQ(r.store.frame_count(), 0);
    EXPECT_EQ(r.store.virtual_width, 800);
    EXPECT_TRUE(r.messages.empty());
    EXPECT_EQ(read("").store.frame_count(), 0);
}

std::string frames(int n) {
    std::string film = "F\n";
    for (int i = 0; i < n; ++i) film += "l1,2,3,4,x\n";
    return film;
}

TEST(LineFilmLimits, ExactlyTheMaximumOfFramesIsNoFault) {
    Result r = read(frames(kMaxFrames));
    EXPECT_EQ(r.store.frame_count(), kMaxFrames);
    EXPECT_TRUE(r.messages.empty()) << r.messages;
}

TEST(LineFilmLimits, OneFrameMoreIsReportedAndTheFirstFramesKept) {
    Result r = read(frames(kMaxFrames + 1));
    EXPECT_EQ(r.rc, 0);
    EXPECT_EQ(r.store.frame_count(), kMaxFrames);
    EXPECT_EQ(r.messages,
              "mw31_film: zu viele Getriebestellungen / too many frames (max. 10000)\n");
    // Even a frame start without its X: the message comes with the first byte after the
    // last frame end that is read as a command.
    r = read(frames(kMaxFrames) + "l5");
    EXPECT_EQ(r.store.frame_count(), kMaxFrames);
    EXPECT_NE(r.messages.find("too many frames"), std::string::npos);
}

TEST(LineFilmLimits, TooManyRecordsInOneFrameEndsReading) {
    // A frame of exactly the maximum is complete; the next frame's command beyond it is not.
    LineFilmLimits limits;
    limits.max_records_per_frame = 4;
    Result r =
        read("F\nl1,2,3,4,l1,2,3,4,x\nl1,2,3,4,l1,2,3,4,l1,2,3,4,x\nl1,2,3,4,x", nullptr, limits);
    EXPECT_EQ(r.rc, 0);
    EXPECT_EQ(r.store.frame_count(), 1);
    EXPECT_EQ(r.messages,
              "mw31_film: zu viele Linien in einem Bild / too many lines in one frame (max. 4)\n");
}

TEST(LineFilmHead, EraseRectangleIsMappedWithTheWidthInForce) {
    std::vector<int> widths;
    EraseRectMapper map = [&](const mw31::Rect& r, int w) {
        widths.push_back(w);
        return mw31::Rect{r.left * 2, r.top * 2, r.right * 2, r.bottom * 2};
    };
    Result r = read("a1,2,3,4,r639,511,A" + s16(5) + s16(6) + s16(7) + s16(8) + "F\n", map);
    EXPECT_EQ(widths, (std::vector<int>{1280, 640}));
    EXPECT_EQ(r.store.erase_rect, (mw31::Rect{10, 12, 14, 16}));
    EXPECT_EQ(r.store.virtual_height, 512);

    r = read("a1,2,3,4,F\n");  // no mapper: film coordinates
    EXPECT_EQ(r.store.erase_rect, (mw31::Rect{1, 2, 3, 4}));
}

TEST(LineFilmHead, HeadCommandsTakeTheirValues) {
    // Q/q set the divisor; drawing commands read and drop their values (the 'F' inside the
    // L's shorts is not the frame start); B is only its letter, so the q after it counts.
    Result r = read("Q" + s32(-3600) + "L" + s16('F') + s16('f') + s16(1) + s16(2) + "x" +
                    "Bq250,F\nl1,2,3,4,x");
    EXPECT_EQ(r.store.angle_divisor, 250.0);
    ASSERT_EQ(r.store.frame_count(), 1);

    r = read("Q" + s32(-3600) + "F\n");
    EXPECT_EQ(r.store.angle_divisor, -3600.0);
    // The byte after F is skipped whatever it is.
    r = read("Fl1,2,3,4,x");
    ASSERT_EQ(r.store.frame_count(), 1);
    EXPECT_TRUE(records_of(r.store, 0).empty());
}

TEST(LineFilmHead, StateStartsAfreshForEveryFilm) {
    FrameStore store;
    std::string first = "r99,99,q7,a1,2,3,4,F\nl1,2,3,4,x";
    MemoryByteSource a(first.data(), first.size());
    ASSERT_EQ(read_line_film(a, &store, nullptr), 0);
    std::string second = "F\nl1,2,3,4,x";
    MemoryByteSource b(second.data(), second.size());
    ASSERT_EQ(read_line_film(b, &store, nullptr), 0);
    EXPECT_EQ(store.frame_count(), 1);
    EXPECT_EQ(store.virtual_width, kDefaultVirtualWidth);
    EXPECT_EQ(store.virtual_height, kDefaultVirtualHeight);
    EXPECT_EQ(store.angle_divisor, kDefaultAngleDivisor);
    EXPECT_EQ(store.erase_rect, mw31::Rect{});
    // Reading rewinds: the same source reads the same film again.
    ASSERT_EQ(read_line_film(a, &store, nullptr), 0);
    EXPECT_EQ(store.virtual_width, 100);
}

TEST(LineFilmDamage, TruncatedBinaryValuesAreNotUsed) {
    Result r = read("R" + s16(99) + "\x01");
    EXPECT_EQ(r.store.virtual_width, kDefaultVirtualWidth);
    EXPECT_EQ(r.store.virtual_height, kDefaultVirtualHeight);
    r = read("Q" + s16(0) + "\x01");
    EXPECT_EQ(r.store.angle_divisor, kDefaultAngleDivisor);
    r = read("A" + s16(1) + s16(2) + s16(3));
    EXPECT_EQ(r.store.erase_rect, mw31::Rect{});
    r = read("F\nL" + s16(1) + s16(2) + s16(3) + s16(4) + "X" + "H" + s16(1) + s16(2) + s32(3) +
             std::string(1, '\0'));
    ASSERT_EQ(r.store.frame_count(), 1);
    EXPECT_EQ(records_of(r.store, 0), (Records{{4, 1, 2}, {5, 3, 4}}));
    // A text value at the very end needs no terminator.
    r = read("q250");
    EXPECT_EQ(r.store.angle_divisor, 250.0);
}

TEST(LineFilmDamage, SizesAndDivisorThatCannotBeDrawnAreRefused) {
    Result r = read("r-1,-5000000000,q0,F\n");
    EXPECT_EQ(r.store.virtual_width, 1);
    EXPECT_EQ(r.store.virtual_height, 1);
    EXPECT_EQ(r.store.angle_divisor, kDefaultAngleDivisor);
    r = read("r2147483647,0,F\n");
    EXPECT_EQ(r.store.virtual_width, INT32_MAX);
    EXPECT_EQ(r.store.virtual_height, 1);
}

TEST(LineFilmDamage, RandomBytesLoadWithinTheLimits) {
    std::mt19937 rng(1862);
    LineFilmLimits limits{50, 1000};
    for (int round = 0; round < 300; ++round) {
        std::string bytes(size_t(rng() % 20000), '\0');
        for (char& c : bytes) c = char(rng());
        if (round % 2) bytes.insert(0, "F\n");
        Result r = read(bytes, nullptr, limits);
        EXPECT_EQ(r.rc, 0);
        EXPECT_LE(r.store.frame_count(), 50);
        EXPECT_GE(r.store.virtual_width, 1);
        EXPECT_GE(r.store.virtual_height, 1);
        EXPECT_NE(r.store.angle_divisor, 0.0);
        for (int i = 0; i < r.store.frame_count(); ++i) EXPECT_LE(r.store.frame(i).size(), 1002u);
    }
}

class LineFilmFile : public testing::Test {
  protected:
    void TearDown() override { std::remove(path_.c_str()); }
    std::string path_ = testing::TempDir() + "line_film_reader_test.anm";
};

TEST_F(LineFilmFile, FileAndMemoryGiveTheSameFrames) {
    // Over 1 MB, so that commands and frame starts straddle the file's read blocks.
    std::string film = "r1023,767,F\n";
    for (int i = 0; film.size() < 3 * FileByteSource::kBlockSize; ++i) {
        film += "C" + s16(i % 16) + "L" + s16(i) + s16(i + 1) + s16(i + 2) + s16(i + 3) + "X";
        for (int j = 0; j < 40; ++j)
            film += "c" + std::to_string(i) + ",l" + std::to_string(j) + ",5,6,7,";
        film += "x\n";
    }
    FILE* f = std::fopen(path_.c_str(), "wb");
    ASSERT_NE(f, nullptr);
    std::fwrite(film.data(), 1, film.size(), f);
    std::fclose(f);

    FrameStore from_file;
    ASSERT_EQ(read_line_film_file(path_, &from_file, nullptr), 0);
    Result from_memory = read(film);
    EXPECT_GT(from_file.frame_count(), 1000);
    EXPECT_LT(from_file.frame_count(), kMaxFrames);
    EXPECT_EQ(from_file.frame_ends, from_memory.store.frame_ends);
    EXPECT_EQ(from_file.records, from_memory.store.records);
    EXPECT_EQ(from_file.virtual_width, 1024);
}

TEST_F(LineFilmFile, MissingFileIsReported) {
    FrameStore store;
    testing::internal::CaptureStderr();
    EXPECT_EQ(read_line_film_file(path_ + ".missing", &store, nullptr), 1);
    EXPECT_EQ(
        testing::internal::GetCapturedStderr(),
        "Kann Datei nicht zum Lesen oeffnen / Cannot open file for read:\n" + path_ + ".missing\n");
}

TEST(ByteSources, PushBackAndRewind) {
    std::string bytes = "ab";
    MemoryByteSource m(std::move(bytes));
    EXPECT_EQ(m.get(), 'a');
    m.unget('a');
    EXPECT_EQ(m.get(), 'a');
    m.unget('z');  // not the byte just read
    EXPECT_EQ(m.get(), 'z');
    EXPECT_EQ(m.get(), 'b');
    EXPECT_EQ(m.get(), ByteSource::kEndOfStream);
    EXPECT_EQ(m.get(), ByteSource::kEndOfStream);
    m.unget(ByteSource::kEndOfStream);
    EXPECT_EQ(m.get(), ByteSource::kEndOfStream);
    m.unget('q');
    EXPECT_EQ(m.get(), 'q');
    EXPECT_EQ(m.get(), ByteSource::kEndOfStream);
    ASSERT_TRUE(m.rewind());
    EXPECT_EQ(m.get(), 'a');
    FileByteSource closed;
    EXPECT_FALSE(closed.rewind());
    EXPECT_EQ(closed.get(), ByteSource::kEndOfStream);
}

}  // namespace
}  // namespace film
