// Tests of the user-coordinates reader: real values, every letter in head and frame, the
// resynchronisation after x, limits, and damaged or extreme input.
#include "film_model/usercoor_reader.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "film_model/byte_source.h"

namespace film {
namespace {

using Records = std::vector<UsercoorRecord>;

Records records_of(const UsercoorFilm& film, int frame) {
    const UsercoorFrame f = film.frame(frame);
    return Records(f.begin(), f.end());
}

// One byte per block, so that every value crosses a block's end.
class TrickleSource final : public ByteSource {
  public:
    explicit TrickleSource(std::string bytes) : ByteSource("(trickle)"), bytes_(std::move(bytes)) {}
    bool rewind() override {
        at_ = 0;
        return true;
    }

  protected:
    bool next_block() override {
        if (at_ >= bytes_.size()) return false;
        const auto* p = reinterpret_cast<const unsigned char*>(bytes_.data()) + at_++;
        set_block(p, p + 1);
        return true;
    }

  private:
    std::string bytes_;
    size_t at_ = 0;
};

struct Result {
    int rc = -1;
    UsercoorFilm film;
    std::vector<std::string> messages;
};

Result read(const std::string& bytes, const UsercoorLimits& limits = {}, bool trickle = false) {
    Result r;
    ReaderHooks hooks;
    hooks.report = [&r](const std::string& m) { r.messages.push_back(m); };
    if (trickle) {
        TrickleSource source(bytes);
        r.rc = read_usercoor_film(source, &r.film, limits, hooks);
    } else {
        MemoryByteSource source(bytes.data(), bytes.size());
        r.rc = read_usercoor_film(source, &r.film, limits, hooks);
    }
    return r;
}

// The standard conversion of a run, D taken as E.
double reference_real(std::string run) {
    for (char& c : run)
        if (c == 'D' || c == 'd') c = 'e';
    return std::strtod(run.c_str(), nullptr);
}

bool same_double(double a, double b) {
    return std::memcmp(&a, &b, sizeof a) == 0;
}

// Every record equal bit for bit; at most ten differences are listed.
template <class Got, class Want>
void expect_same_records(const Got& got, const Want& want, const std::string& how) {
    ASSERT_EQ(got.size(), want.size()) << how;
    int wrong = 0;
    for (size_t i = 0; i < want.size() && wrong < 10; ++i) {
        const UsercoorRecord& g = got[i];
        if (same_double(g.kind, want[i].kind) && same_double(g.a, want[i].a) &&
            same_double(g.b, want[i].b))
            continue;
        ++wrong;
        ADD_FAILURE() << "record " << i << how << ": got {" << g.kind << ", " << g.a << ", " << g.b
                      << "}, want {" << want[i].kind << ", " << want[i].a << ", " << want[i].b
                      << "}";
    }
}

TEST(UsercoorReal, RunRuleAndConsumedTerminator) {
    // 1.5e3 eats its comma: the second value is 2, not an empty run. Read once as it is and
    // once with enough bytes behind every value for the reading of whole records at once.
    for (const std::string& tail : {std::string(), std::string(100, '\n')}) {
        Result r = read(
            "f\nd1.5e3,2,\nm12x5,\nm1.5D3 -2.5d-1\nm+.5,-0,\nm1-2,3e,\nm-1.,+7\nm.,-\n"
            "m12345678,0.12345678\nm+1.5+2,1..2\nx" +
            tail);
        ASSERT_EQ(r.rc, 0);
        ASSERT_EQ(r.film.frame_count(), 1);
        const Records got = records_of(r.film, 0);
        ASSERT_GE(got.size(), 5u);
        EXPECT_EQ(got[0], (UsercoorRecord{kUcLineTo, 1500, 2}));
        EXPECT_EQ(got[1], (UsercoorRecord{kUcMoveTo, 12, 5}));  // x ends the first run
        EXPECT_EQ(got[2], (UsercoorRecord{kUcMoveTo, 1500, -0.25}));
        EXPECT_EQ(got[3].a, 0.5);
        EXPECT_TRUE(std::signbit(got[3].b)) << "-0 keeps its sign";
        EXPECT_EQ(got[4], (UsercoorRecord{kUcMoveTo, 1, 3}));  // the valid prefix of each run
        ASSERT_EQ(got.size(), 9u);
        EXPECT_EQ(got[5], (UsercoorRecord{kUcMoveTo, -1, 7}));
        EXPECT_EQ(got[6], (UsercoorRecord{kUcMoveTo, 0, 0}));
        EXPECT_EQ(got[7], (UsercoorRecord{kUcMoveTo, 12345678, 0.12345678}));
        EXPECT_EQ(got[8], (UsercoorRecord{kUcMoveTo, 1.5, 1}));
    }
}

TEST(UsercoorReal, EqualsTheStandardConversionForAnyRun) {
    const std::string alphabet = "+-.0123456789DEde";
    std::mt19937 rng(1862);
    for (int k = 0; k < 20000; ++k) {
        std::string run;
        const int n = int(rng() % 12);
        for (int i = 0; i < n; ++i) {
            // Mostly digits, so that numbers with exponents come up often.
            run.push_back(rng() % 3 ? char('0' + rng() % 10) : alphabet[rng() % alphabet.size()]);
        }
        EXPECT_TRUE(same_double(usercoor_real(run.data(), run.size()), reference_real(run)))
            << "run \"" << run << "\"";
    }
    for (const char* run : {"1e999", "-1e999", "1e-999", "4.9e-324", "2.2250738585072011e-308",
                            "+-1", "-", "+", ".", "", "1.5D3", "7d-2", "D5", "00012.50000",
                            "123456789012345678901234567890", "0.1000000000000000055511151231"}) {
        EXPECT_TRUE(same_double(usercoor_real(run, std::strlen(run)), reference_real(run)))
            << "run \"" << run << "\"";
    }
}

TEST(UsercoorReal, PlainDecimalsReadInPlaceRoundAsTheStandardConversion) {
    // Values as the writer prints them, and longer ones, read through the reader's own path.
    std::mt19937_64 rng(7);
    std::string film = "f\n";
    std::vector<std::string> texts;
    char buf[64];
    for (int k = 0; k < 4000; ++k) {
        const double v = double(int64_t(rng() % 2000000000000) - 1000000000000) /
                         std::pow(10.0, double(rng() % 16));
        std::snprintf(buf, sizeof buf, k % 2 ? "%.*f" : "%.*g", int(rng() % 17), v);
        texts.push_back(buf);
        film += "m" + texts.back() + ",0\n";
    }
    film += "x";
    const Result r = read(film);
    ASSERT_EQ(r.film.frame_count(), 1);
    const Records got = records_of(r.film, 0);
    ASSERT_EQ(got.size(), texts.size());
    for (size_t i = 0; i < texts.size(); ++i)
        EXPECT_TRUE(same_double(got[i].a, reference_real(texts[i]))) << texts[i];
}

// A value as writers print it or as a hand-made film may hold it: plain decimals of every
// length, signs, leading zeros, points at either end, exponents with E or D, ties and runs of
// more digits than a double holds.
std::string random_value(std::mt19937& rng) {
    static const char* const odd[] = {
        "-0", "-0.0", "+0", ".5", "-5.", "000123.4500", "1e5", "-2.5E-3", "7D2", "-3d-2",
        "+1.25e+1", "9007199254740993", "0.10000000000000001", "2.2250738585072014e-308",
        "0.30000000000000004", "1234567", "0.1234567", "12345678", "-9999999.9999999", "4.35",
        "0.000001", "1.5e300",
        // Runs of which only a prefix is a number, or none.
        "12-3", "1+2", "--1", "+-1", "1..2", "1.2.3", ".", "-", "", "e5", "D"};
    auto digits = [&rng](int n) {
        std::string d;
        for (int i = 0; i < n; ++i) d.push_back(char('0' + rng() % 10));
        return d;
    };
    std::string v;
    switch (rng() % 4) {
        case 0:  // a long plain decimal
            v = digits(1 + int(rng() % 10)) + "." + digits(int(rng() % 10));
            break;
        case 1:
            v = odd[rng() % (sizeof odd / sizeof odd[0])];
            break;
        default:  // as the writers print them: few digits on either side
            v = digits(1 + int(rng() % 4)) + (rng() % 5 ? "." + digits(int(rng() % 5)) : "");
            break;
    }
    if (!v.empty() && v[0] != '-' && v[0] != '+' && rng() % 2) v.insert(0, "-");
    return v;
}

TEST(UsercoorReader, RecordValuesOfEveryShapeRoundAsTheStandardConversion) {
    // Records of two, four and five values with mixed shapes, so that one odd value among
    // plain ones and values ended by any byte outside the runs come up; read from one block
    // and byte by byte.
    struct Letter {
        char c;
        int values;
    };
    const Letter letters[] = {{'m', 2}, {'d', 2}, {'l', 4}, {'w', 4}, {'h', 5}, {'o', 5}};
    const char ends[] = {',', ',', ',', ' ', ';', '/', '\n'};
    std::mt19937 rng(2024);
    std::string film = "f\n";
    Records want;
    std::vector<std::string> texts;  // each value, for the message
    for (int frame = 0; frame < 40; ++frame) {
        // After x only some letters start a frame.
        film += "m1,2\n";
        want.push_back({kUcMoveTo, 1, 2});
        for (int k = 0; k < 60; ++k) {
            const Letter& l = letters[rng() % 6];
            film.push_back(l.c);
            double v[5];
            for (int i = 0; i < l.values; ++i) {
                texts.push_back(random_value(rng));
                v[i] = reference_real(texts.back());
                film += texts.back();
                film.push_back(i + 1 < l.values ? ends[rng() % 7] : '\n');
            }
            switch (l.c) {
                case 'm':
                case 'd':
                    want.push_back(
                        {l.c == 'm' ? double(kUcMoveTo) : double(kUcLineTo), v[0], v[1]});
                    break;
                case 'l':
                    want.push_back({kUcMoveTo, v[0], v[1]});
                    want.push_back({kUcLineTo, v[2], v[3]});
                    break;
                case 'w':
                    want.push_back({kUcFilledRect, v[0], v[1]});
                    want.push_back({kUcMoveTo, v[2], v[3]});
                    break;
                case 'h':
                    want.push_back({kUcArc, v[0], v[1]});
                    want.push_back({v[4], v[2], v[3]});
                    break;
                default:
                    want.push_back({kUcArc, v[0], v[1]});
                    want.push_back({v[2], v[3], v[4]});
                    break;
            }
        }
        film += "x\n";
    }
    for (const bool trickle : {false, true}) {
        const Result r = read(film, {}, trickle);
        ASSERT_EQ(r.rc, 0);
        ASSERT_EQ(r.film.frame_count(), 40);
        ASSERT_EQ(r.film.records.size(), want.size());
        expect_same_records(r.film.records, want, trickle ? " (byte by byte)" : "");
    }
}

TEST(UsercoorReader, AnOddValueInAnyPlaceOfARecordAmongTheLongestPlainOnes) {
    // Records of two, four and five values, each with one odd value in every place among the
    // longest plain decimals the whole-record reading takes, ended by bytes next to the digits
    // and the signs in the code table, bytes above 127 and letters, and with enough bytes
    // behind them for that reading.
    struct Letter {
        char c;
        int values;
    };
    const Letter letters[] = {{'m', 2}, {'l', 4}, {'h', 5}};
    const char* const odd[] = {
        "1e5",      "5e",        "e5",        "-5D",         "1.5d-1",  "12-3", "+-1",
        "--1",      "1..2",      "1.2.3",     ".",           "-",       "+",    "-.",
        "",         ".5",        "-5.",       "+7",          "-0",      "-0.0", "1234567",
        "12345678", "0.1234567", "-.1234567", "000123.4500", "9999999."};
    const char ends[] = {',', '/', ':', ' ', '*', 'q', '\x80', '\xff'};
    const std::string longest[] = {"-1234.567", "+.1234567", "-9999999", "0.000001"};
    std::string film = "f\n";
    Records want;
    int count = 0;
    for (const Letter& l : letters) {
        for (int place = 0; place < l.values; ++place) {
            for (const char* o : odd) {
                for (const char end : ends) {
                    film.push_back(l.c);
                    double v[5];
                    for (int i = 0; i < l.values; ++i) {
                        const std::string text = i == place ? o : longest[(i + count) % 4];
                        v[i] = reference_real(text);
                        film += text;
                        film.push_back(i + 1 < l.values ? end : '\n');
                    }
                    ++count;
                    if (l.c == 'm') {
                        want.push_back({kUcMoveTo, v[0], v[1]});
                    } else if (l.c == 'l') {
                        want.push_back({kUcMoveTo, v[0], v[1]});
                        want.push_back({kUcLineTo, v[2], v[3]});
                    } else {
                        want.push_back({kUcArc, v[0], v[1]});
                        want.push_back({v[4], v[2], v[3]});
                    }
                }
            }
        }
    }
    film += "x" + std::string(100, '\n');
    const Result r = read(film);
    ASSERT_EQ(r.rc, 0);
    ASSERT_EQ(r.film.frame_count(), 1);
    ASSERT_EQ(r.film.records.size(), want.size());
    expect_same_records(r.film.records, want, "");
}

TEST(UsercoorReader, EveryLetterInAFrame) {
    const Result r = read(
        "usercoor\nc3\nq200\nr799,599\na0,130,0,100\nf\n"
        "c5\nm1,2\nd3,4\nl1,2,3,4\ni5,6,7,8\nw1,2,3,4\nh1,2,10,20,3\no1,2,3,10,20\n"
        "g1,2,10,20,3\nb1,2,10,20,3\ns4,5,Hallo Welt\nf\nu\nx0,0,0,0\n");
    ASSERT_EQ(r.rc, 0);
    EXPECT_TRUE(r.messages.empty());
    EXPECT_EQ(r.film.virtual_width, 800);
    EXPECT_EQ(r.film.virtual_height, 600);
    EXPECT_EQ(r.film.angle_divisor, 200);
    EXPECT_TRUE(r.film.has_window);
    EXPECT_EQ(r.film.window, (WorldWindow{0, 130, 0, 100}));
    EXPECT_EQ(r.film.initial, r.film.window);
    ASSERT_EQ(r.film.frame_count(), 1);
    const Records want = {
        {kUcColour, 5, 0},     {kUcMoveTo, 1, 2}, {kUcLineTo, 3, 4},  {kUcMoveTo, 1, 2},
        {kUcLineTo, 3, 4},     {kUcColour, 1, 0}, {kUcMoveTo, 5, 6},  {kUcXorLineTo, 7, 8},
        {kUcFilledRect, 1, 2}, {kUcMoveTo, 3, 4}, {kUcArc, 1, 2},     {3, 10, 20},
        {kUcArc, 1, 2},        {3, 10, 20},       {kUcXorArc5, 1, 2}, {3, 10, 20},
        {kUcArc5, 1, 2},       {3, 10, 20},       {kUcText, 0, 4},    {kUcTextRest, 5, 0},
    };
    EXPECT_EQ(records_of(r.film, 0), want);
    ASSERT_EQ(r.film.texts.size(), 1u);
    EXPECT_EQ(r.film.texts[0], "Hallo Welt");
}

TEST(UsercoorReader, HeadDrawsNothingAndUsercoorLineHasNoEffect) {
    const std::string frames = "l1,2,3,4\nx0,0,0,0\n";
    const Result plain = read("f\n" + frames);
    const Result marked = read("usercoor\nf\n" + frames);
    // Drawing letters and a text in the head only have their values read.
    const Result drawn = read(
        "usercoor\nc4\nm1,2\nd1,2\nl1,2,3,4\ni1,2,3,4\nw1,2,3,4\nh1,2,3,4,5\no1,2,3,4,5\n"
        "g1,2,3,4,5\nb1,2,3,4,5\ns1,2,l9,9,9,9 x\nx\nf\n" +
        frames);
    ASSERT_EQ(plain.film.frame_count(), 1);
    for (const Result* r : {&marked, &drawn}) {
        EXPECT_EQ(r->rc, 0);
        ASSERT_EQ(r->film.frame_count(), 1);
        EXPECT_EQ(records_of(r->film, 0), records_of(plain.film, 0));
        EXPECT_TRUE(r->film.texts.empty());
        EXPECT_FALSE(r->film.has_window);
    }
    // Without an f there are no frames at all.
    EXPECT_EQ(read("usercoor\nl1,2,3,4\nx\nl1,2,3,4\nx\n").film.frame_count(), 0);
}

TEST(UsercoorReader, ValuesChangedInAFrameTakeEffectAtOnce) {
    const Result r = read("a0,10,0,10\nf\nl0,0,1,1\na0,260,0,100\nr99,49\nq7\nx\n");
    ASSERT_EQ(r.film.frame_count(), 1);
    EXPECT_EQ(r.film.window, (WorldWindow{0, 260, -50, 150}));
    EXPECT_EQ(r.film.virtual_width, 100);
    EXPECT_EQ(r.film.virtual_height, 50);
    EXPECT_EQ(r.film.angle_divisor, 7);
    EXPECT_EQ(r.film.frame(0).size(), 2u);
}

TEST(UsercoorReader, ResynchronisesAfterEachFrameEnd) {
    // After x: c7 is skipped as a letter and its digits as further letters; C skips one short
    // ("AB"); X four shorts. The next frame starts at l, or at s with its text.
    const Result r = read(
        "f\nl0,0,1,1\nx0,0,0,0\nc7\nCABXABCDEFGHl2,2,3,3\nx\ns1,2,Titel\nc9\nl4,4,5,5\nx\n"
        "e1,2\nD1,2,3,4\nx\n");
    ASSERT_EQ(r.rc, 0);
    ASSERT_EQ(r.film.frame_count(), 4);
    EXPECT_EQ(records_of(r.film, 1), (Records{{kUcMoveTo, 2, 2}, {kUcLineTo, 3, 3}}));
    EXPECT_EQ(records_of(r.film, 2), (Records{{kUcText, 0, 1},
                                              {kUcTextRest, 2, 0},
                                              {kUcColour, 9, 0},
                                              {kUcMoveTo, 4, 4},
                                              {kUcLineTo, 5, 5}}));
    // "e1,2" is skipped; D starts the frame but is no letter of these films.
    EXPECT_TRUE(records_of(r.film, 3).empty());
    // Records after the last x are dropped.
    EXPECT_EQ(read("f\nl0,0,1,1\nx\nl1,1,2,2\n").film.records.size(), 2u);
}

TEST(UsercoorReader, TooManyFramesAfterTheLastOneAllowed) {
    std::string film = "usercoor\nf\n";
    for (int i = 0; i < kMaxFrames; ++i) film += "l0,0,1,1\nx\n";
    const Result exact = read(film);
    EXPECT_EQ(exact.rc, 0);
    EXPECT_EQ(exact.film.frame_count(), kMaxFrames);
    EXPECT_TRUE(exact.messages.empty());

    const Result over = read(film + "l0,0,1,1\nx\n");
    EXPECT_EQ(over.rc, 0);
    EXPECT_EQ(over.film.frame_count(), kMaxFrames);
    ASSERT_EQ(over.messages.size(), 1u);
    EXPECT_EQ(over.messages[0],
              "mw31_film: zu viele Getriebestellungen / too many frames (max. 10000)\n");
}

TEST(UsercoorReader, TooManyRecordsInAFrame) {
    const UsercoorLimits limits{10, 4, 10};
    // Two lines fill the frame; its x may still end it, a third line is refused.
    const Result fits = read("f\nl0,0,1,1\nl1,1,2,2\nx\n", limits);
    EXPECT_TRUE(fits.messages.empty());
    EXPECT_EQ(fits.film.frame_count(), 1);
    const Result over = read("f\nl0,0,1,1\nx\nl0,0,1,1\nl1,1,2,2\nl2,2,3,3\nx\n", limits);
    EXPECT_EQ(over.rc, 0);
    EXPECT_EQ(over.film.frame_count(), 1);
    ASSERT_EQ(over.messages.size(), 1u);
    EXPECT_EQ(over.messages[0],
              "mw31_film: zu viele Linien in einem Bild / too many lines in one frame (max. 4)\n");
}

TEST(UsercoorReader, TextsKeepTheirFirst255BytesAndTheirCount) {
    const std::string long_text(300, 'A');
    const Result r = read("f\ns0,0," + long_text + "\ns0,0,tab\t9\nl0,0,1,1\nx\n");
    ASSERT_EQ(r.film.texts.size(), 2u);
    EXPECT_EQ(r.film.texts[0], std::string(255, 'A'));
    EXPECT_EQ(r.film.texts[1], "tab");  // ended by the tab
    // Beyond the last text number, text records are dropped.
    const Result few = read("f\ns0,0,a\ns0,0,b\ns0,0,c\nl0,0,1,1\nx\n", UsercoorLimits{10, 100, 2});
    EXPECT_EQ(few.film.texts, (std::vector<std::string>{"a", "b"}));
    EXPECT_EQ(few.film.frame(0).size(), 6u);
}

TEST(UsercoorReader, ExtremeValuesAreStoredAndTheWindowFallsBack) {
    const Result r = read("a0,1e999,0,1\nf\nl1e999,-1e999,1e-999,5\nx\n");
    ASSERT_EQ(r.film.frame_count(), 1);
    const Records got = records_of(r.film, 0);
    EXPECT_TRUE(std::isinf(got[0].a) && got[0].a > 0);
    EXPECT_TRUE(std::isinf(got[0].b) && got[0].b < 0);
    EXPECT_EQ(got[1].a, 0.0);
    // A window that cannot be mapped becomes the 1.3 x 1 window about the origin.
    EXPECT_EQ(r.film.window, fit_world_window(0, 0, 0, 0));
    EXPECT_TRUE(std::isfinite(r.film.window.xr - r.film.window.xl));
}

TEST(UsercoorReader, TruncatedInput) {
    // A value cut off by the end is taken as far as it goes; a frame without its x is lost.
    EXPECT_EQ(read("a0,130,0,100").film.window, (WorldWindow{0, 130, 0, 100}));
    EXPECT_EQ(read("f\nl1,2,3").film.frame_count(), 0);
    EXPECT_EQ(read("f\nl1,2,3,4\nx").film.frame_count(), 1);
    EXPECT_EQ(read("f\nl1,2,3,4\ns1,2,unfinished").film.frame_count(), 0);
    EXPECT_EQ(read("").film.frame_count(), 0);
    for (const char* cut : {"f\nh1,2,3,4,", "f\ns", "f\ns1", "u", "f\nc", "f\nr1", "f\nl1.5e"}) {
        const Result r = read(cut);
        EXPECT_EQ(r.rc, 0) << cut;
        EXPECT_EQ(r.film.frame_count(), 0) << cut;
    }
}

TEST(UsercoorReader, OneByteBlocksReadTheSameAsOneBlock) {
    std::string film = "usercoor\nc1\nq100000\na-3.5,12.25e1,0,1D2\nf\n";
    std::mt19937 rng(3);
    char buf[256];
    for (int f = 0; f < 30; ++f) {
        std::snprintf(buf, sizeof buf, "s%g,%g,phi = %d Grad\n", rng() % 1000 / 7.0,
                      rng() % 1000 / 3.0, f);
        film += buf;
        for (int k = 0; k < 20; ++k) {
            std::snprintf(buf, sizeof buf, "c%d\nl%.9g,%g,%g,%.17g\nh%g,%g,%g,%g,%ge-1\n",
                          int(rng() % 16), rng() % 100000 / 13.0, -(rng() % 100) / 3.0,
                          rng() % 1000 * 1e-7, rng() % 1000 / 9.0, rng() % 100 / 3.0,
                          rng() % 100 / 3.0, rng() % 360 / 7.0, rng() % 360 / 3.0,
                          rng() % 10 / 7.0);
            film += buf;
        }
        film += "x0,0,0,0\n";
    }
    const Result whole = read(film);
    const Result trickled = read(film, {}, true);
    ASSERT_EQ(whole.film.frame_count(), 30);
    EXPECT_EQ(trickled.film.frame_count(), 30);
    EXPECT_TRUE(std::equal(
        whole.film.records.begin(), whole.film.records.end(), trickled.film.records.begin(),
        trickled.film.records.end(), [](const UsercoorRecord& a, const UsercoorRecord& b) {
            return same_double(a.kind, b.kind) && same_double(a.a, b.a) && same_double(a.b, b.b);
        }));
    EXPECT_EQ(whole.film.frame_ends, trickled.film.frame_ends);
    EXPECT_EQ(whole.film.texts, trickled.film.texts);
    EXPECT_EQ(trickled.film.window, whole.film.window);
}

TEST(UsercoorReader, FileThatCannotBeOpened) {
    std::vector<std::string> messages;
    ReaderHooks hooks;
    hooks.report = [&](const std::string& m) { messages.push_back(m); };
    int progress = 0;
    hooks.progress = [&] { ++progress; };
    UsercoorFilm film;
    EXPECT_EQ(read_usercoor_film_file("/nonexistent/film.anm", &film, hooks), 1);
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0],
              "Kann Datei nicht zum Lesen oeffnen / Cannot open file for read:\n"
              "/nonexistent/film.anm");
    // A readable film reports progress after its head and after each frame.
    const std::string path = testing::TempDir() + "progress.anm";
    std::FILE* f = std::fopen(path.c_str(), "wb");
    std::fputs("usercoor\nf\nl0,0,1,1\nx\nl0,0,1,1\nx\n", f);
    std::fclose(f);
    EXPECT_EQ(read_usercoor_film_file(path, &film, hooks), 0);
    EXPECT_EQ(film.frame_count(), 2);
    EXPECT_EQ(progress, 3);
    std::remove(path.c_str());
}

}  // namespace
}  // namespace film
