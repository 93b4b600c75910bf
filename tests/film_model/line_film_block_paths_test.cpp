// The reader's unchecked paths inside a large block against its careful byte-by-byte paths, and
// text values of every length against their decimal meaning.
#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <random>
#include <string>
#include <vector>

#include "film_model/byte_source.h"
#include "film_model/line_film_reader.h"

namespace film {
namespace {

// Hands out the bytes in blocks whose sizes a function of the position gives.
class BlockByteSource final : public ByteSource {
  public:
    BlockByteSource(const std::string& bytes, size_t (*block_size)(size_t at))
        : ByteSource("(blocks)"), bytes_(bytes), block_size_(block_size) {}
    bool rewind() override {
        at_ = 0;
        return true;
    }

  protected:
    bool next_block() override {
        if (at_ >= bytes_.size()) return false;
        const size_t n = std::min(bytes_.size() - at_, block_size_(at_));
        const auto* p = reinterpret_cast<const unsigned char*>(bytes_.data()) + at_;
        at_ += n;
        set_block(p, p + n);
        return true;
    }

  private:
    const std::string& bytes_;
    size_t (*block_size_)(size_t at);
    size_t at_ = 0;
};

// One byte per block, so that no value ever lies whole inside a block.
BlockByteSource trickle(const std::string& bytes) {
    return BlockByteSource(bytes, [](size_t) { return size_t(1); });
}

FrameStore read_quietly(ByteSource& source) {
    FrameStore store;
    testing::internal::CaptureStderr();
    EXPECT_EQ(read_line_film(source, &store, nullptr), 0);
    testing::internal::GetCapturedStderr();
    return store;
}

// A text value: optional sign, 0 to 22 digits (leading zeros too), then a terminator.
std::string random_value(std::mt19937& rng) {
    static const char kTerminators[] = ",\n ;Lxl-";
    std::string v;
    const unsigned sign = rng() % 6;
    if (sign == 0) v += '-';
    if (sign == 1) v += '+';
    const unsigned kind = rng() % 10;
    const int digits = kind < 6 ? 1 + int(rng() % 5) : kind < 9 ? int(rng() % 12) : int(rng() % 23);
    for (int i = 0; i < digits; ++i) v += char('0' + rng() % 10);
    v += kTerminators[rng() % (sizeof kTerminators - 1)];
    return v;
}

TEST(LineFilmBlockPaths, LargeBlocksReadAsByteByByte) {
    std::mt19937 rng(96);
    static const char kTextCommands[] = "lllllwicchgbqrmdx";
    std::string film = "r1279,1023,F\n";
    while (film.size() < 300000) {
        const char c = kTextCommands[rng() % (sizeof kTextCommands - 1)];
        film += c;
        const int values = c == 'c' || c == 'q'               ? 1
                           : c == 'r'                         ? 2
                           : c == 'h' || c == 'g' || c == 'b' ? 5
                                                              : 4;
        if (c == 'm' || c == 'd') {
            for (int i = 0; i < 4; ++i) film += char(32 + rng() % 96);
        } else if (c != 'x') {
            for (int i = 0; i < values; ++i) film += random_value(rng);
        }
        if (rng() % 50 == 0) film += "L" + std::string(8, char(rng()));  // binary among text
    }
    film += "x";
    MemoryByteSource whole(film.data(), film.size());
    BlockByteSource one_by_one = trickle(film);
    const FrameStore fast = read_quietly(whole);
    const FrameStore careful = read_quietly(one_by_one);
    EXPECT_GT(fast.frame_count(), 100);
    EXPECT_GT(fast.records.size(), 10000u);
    EXPECT_EQ(fast.frame_ends, careful.frame_ends);
    EXPECT_EQ(fast.records, careful.records);
    EXPECT_EQ(fast.virtual_width, careful.virtual_width);
    EXPECT_EQ(fast.angle_divisor, careful.angle_divisor);
}

// Films are mostly runs of lines with short values and plain terminators, which have a reading
// of their own; odd lines among them (a letter or a space as terminator, long values, signs,
// leading zeros) must end such a run, not be misread by it.
TEST(LineFilmBlockPaths, RunsOfShortLinesReadAsByteByByte) {
    std::mt19937 rng(1862);
    auto value = [&rng] {
        const unsigned kind = rng() % 40;
        std::string v;
        if (kind == 0) v += '-';
        if (kind == 1) v += '+';
        const int digits = kind == 2 ? 5 + int(rng() % 4) : kind == 3 ? 0 : 1 + int(rng() % 4);
        for (int i = 0; i < digits; ++i) v += char('0' + rng() % 10);
        return v;
    };
    auto terminator = [&rng](char usual) {
        static const char kOdd[] = " ;lLcx\tA\x80\xff";
        return rng() % 60 == 0 ? kOdd[rng() % (sizeof kOdd - 1)] : usual;
    };
    std::string film = "r1279,1023,F\n";
    while (film.size() < 400000) {
        const unsigned pick = rng() % 100;
        if (pick == 0) {
            film += "x\n";
        } else if (pick == 1) {
            film += "c" + value() + "\n";
        } else {
            film += 'l';
            for (int i = 0; i < 4; ++i) film += value() + terminator(i < 3 ? ',' : '\n');
        }
    }
    film += "x";
    MemoryByteSource whole(film.data(), film.size());
    // Blocks of 1 to 397 bytes, so that lines fall at every distance from a block's end.
    BlockByteSource chunked(film, [](size_t at) { return size_t(1 + (at * 7919) % 397); });
    BlockByteSource one_by_one = trickle(film);
    const FrameStore fast = read_quietly(whole);
    const FrameStore in_chunks = read_quietly(chunked);
    const FrameStore careful = read_quietly(one_by_one);
    EXPECT_GT(fast.frame_count(), 100);
    EXPECT_GT(fast.records.size(), 30000u);
    EXPECT_EQ(fast.frame_ends, careful.frame_ends);
    EXPECT_EQ(fast.records, careful.records);
    EXPECT_EQ(in_chunks.frame_ends, careful.frame_ends);
    EXPECT_EQ(in_chunks.records, careful.records);
}

// The value a text number means: its decimal value, saturated to 32 bits.
int32_t meaning(const std::string& number) {
    size_t at = 0;
    const bool negative = !number.empty() && number[0] == '-';
    if (!number.empty() && (number[0] == '-' || number[0] == '+')) at = 1;
    while (at + 1 < number.size() && number[at] == '0') ++at;
    const std::string digits = number.substr(at);
    if (digits.size() > 10) return negative ? INT32_MIN : INT32_MAX;
    const long long v = digits.empty() ? 0 : std::stoll(digits);
    const long long s = negative ? -v : v;
    return s > INT32_MAX ? INT32_MAX : s < INT32_MIN ? INT32_MIN : int32_t(s);
}

TEST(LineFilmBlockPaths, TextValuesOfEveryLengthMeanTheirDecimalValue) {
    std::vector<std::string> numbers = {"",
                                        "-",
                                        "+",
                                        "0",
                                        "-0",
                                        "000000000000000000000042",
                                        "2147483647",
                                        "2147483648",
                                        "-2147483648",
                                        "-2147483649",
                                        "4294967296",
                                        "99999999999999999999999"};
    std::string digits;
    for (int n = 1; n <= 20; ++n) {
        digits += char('0' + (n * 7) % 10);
        numbers.push_back(digits);
        numbers.push_back("-" + digits);
        numbers.push_back(std::string(size_t(n), '9'));
    }
    // Each number as all four values of a line and as a colour, in a frame of its own.
    std::string film = "F\n";
    for (const std::string& n : numbers)
        film += "l" + n + "," + n + "," + n + "," + n + ",c" + n + ",x";
    film += std::string(100, ' ');
    MemoryByteSource source(film.data(), film.size());
    const FrameStore store = read_quietly(source);
    ASSERT_EQ(store.frame_count(), int(numbers.size()));
    for (int i = 0; i < store.frame_count(); ++i) {
        const int32_t v = meaning(numbers[size_t(i)]);
        const FrameRecords f = store.frame(i);
        ASSERT_EQ(f.size(), 3u);
        EXPECT_EQ(f[0], (FilmRecord{kMoveTo, v, v})) << numbers[size_t(i)];
        EXPECT_EQ(f[1], (FilmRecord{kLineTo, v, v})) << numbers[size_t(i)];
        EXPECT_EQ(f[2], (FilmRecord{kColour, v, 0})) << numbers[size_t(i)];
    }
}

}  // namespace
}  // namespace film
