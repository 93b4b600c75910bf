// Conversion of ANMNEU films into user-coordinates records: the exact text of a small film,
// the stop after a full turn, and the in-memory stream with its size rule and retry.
#include "film_out/usercoor_conversion.h"

#include <gtest/gtest.h>
#include <sys/resource.h>

#include <cmath>
#include <csignal>
#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>

#include "film_model/anmneu_reader.h"

namespace {

const std::string kData = std::string(KV_TEST_DATA) + "/film_out/data/";

std::string slurp(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

std::string write_film(const std::string& name, const std::string& text) {
    const std::string path = testing::TempDir() + name;
    std::ofstream(path, std::ios::binary) << text;
    return path;
}

class UsercoorConversion : public testing::Test {
  protected:
    void SetUp() override { setenv("TMPDIR", testing::TempDir().c_str(), 1); }
};

TEST_F(UsercoorConversion, SmallFilmRecordsByteForByte) {
    // The expected text was worked out from the film by hand (chord points by a separate
    // calculation): labels lowered by 1/30 of the height, an unscaled arc as an "h" record
    // raised past 0 degrees, a scaled one as 11 chords, and the stop at 360.0004.
    const std::string out = testing::TempDir() + "small_film.out";
    ASSERT_EQ(film_out::anmneu_to_usercoor(kData + "small_film.anm", out.c_str()), 0);
    EXPECT_EQ(slurp(out), slurp(kData + "small_film.usercoor"));
}

TEST_F(UsercoorConversion, StopsAtAFullTurnOnly) {
    const std::string head =
        "ANMNEU\n1\n3\n0\n13\n0\n10\n--- Symbol-Dateien ---\nbegin 1\na\nb\nrot\nm 0 0\nd 1 "
        "0\nend\n";
    const auto frames_written = [&](const char* third_label) {
        const std::string film =
            write_film("turn.anm",
                       head + "#0\nc 0 0:phi = 10\n#1\nc 0 0:a phi = 359.9 Grad\n#2\nc 0 0:phi = " +
                           std::string(third_label) + "\n");
        const std::string out = testing::TempDir() + "turn.out";
        EXPECT_EQ(film_out::anmneu_to_usercoor(film, out.c_str()), 0);
        const std::string text = slurp(out);
        int n = 0;
        for (size_t at = text.find("x0,0,0,0"); at != std::string::npos;
             at = text.find("x0,0,0,0", at + 1)) {
            ++n;
        }
        return n;
    };
    EXPECT_EQ(frames_written("360.0004 Grad"), 2);
    EXPECT_EQ(frames_written("359.9995 Grad"), 2);  // within 0.001
    EXPECT_EQ(frames_written("359.998 Grad"), 3);
    EXPECT_EQ(frames_written("720"), 3);
}

TEST_F(UsercoorConversion, FilmsWithoutFramesOrTargetsFail) {
    const std::string empty =
        write_film("noframes.anm", "ANMNEU\n1\n0\n0\n1\n0\n1\n--- Symbol-Dateien ---\n#0\n1 1\n");
    EXPECT_EQ(film_out::anmneu_to_usercoor(empty, (testing::TempDir() + "x.out").c_str()), 1);
    testing::internal::CaptureStderr();
    EXPECT_EQ(film_out::anmneu_to_usercoor(kData + "small_film.anm", "/no/such/dir/x.out"), 1);
    EXPECT_EQ(testing::internal::GetCapturedStderr(),
              "Kann Datei nicht zum Schreiben oeffnen / Cannot open file for write:\n"
              "/no/such/dir/x.out\n");
    testing::internal::CaptureStderr();
    EXPECT_EQ(film_out::anmneu_to_usercoor("/no/such/film.anm", nullptr), 1);
    testing::internal::GetCapturedStderr();
}

TEST_F(UsercoorConversion, AFailedWriteSaysWhyAndKeepsTheOlderFile) {
    const std::string out = write_film("kept.out", "an older conversion\n");
    // A file size limit below the conversion's size: writes fail with EFBIG.
    struct rlimit before;
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &before), 0);
    void (*old_handler)(int) = std::signal(SIGXFSZ, SIG_IGN);
    struct rlimit small = before;
    small.rlim_cur = 300;  // room for the captured message, not for the 519 bytes
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
    testing::internal::CaptureStderr();
    const int rc = film_out::anmneu_to_usercoor(kData + "small_film.anm", out.c_str());
    const std::string err = testing::internal::GetCapturedStderr();
    setrlimit(RLIMIT_FSIZE, &before);
    std::signal(SIGXFSZ, old_handler);
    EXPECT_EQ(rc, 1);
    EXPECT_NE(err.find("cannot write the file:\n" + out + ": "), std::string::npos) << err;
    EXPECT_EQ(slurp(out), "an older conversion\n");
    // Without the limit the same conversion replaces it whole.
    ASSERT_EQ(film_out::anmneu_to_usercoor(kData + "small_film.anm", out.c_str()), 0);
    EXPECT_EQ(slurp(out), slurp(kData + "small_film.usercoor"));
}

TEST_F(UsercoorConversion, InMemoryStreamGrowsOnceWhenTooSmall) {
    film_out::UsercoorOptions options;
    options.memory_size = 1024;
    ASSERT_EQ(film_out::anmneu_to_usercoor(kData + "small_film.anm", nullptr, options), 0);
    const film_out::FilmMemoryStream& m = film_out::usercoor_memory_stream();
    const std::string expected = slurp(kData + "small_film.usercoor");
    // The small film fits at once; the window is the one of the file (here already 1.3).
    EXPECT_EQ(m.bytes, expected);
    EXPECT_EQ(m.size, 1024);

    options.memory_size = 1100;  // a longer film overflows the first stream
    std::string big =
        "ANMNEU\n1\n60\n0\n10\n0\n10\n--- Symbol-Dateien ---\nbegin 1\na\nb\nrot\n"
        "m 0 0\nd 1 1\nend\n";
    for (int i = 0; i < 60; ++i) big += "#" + std::to_string(i) + "\n" + std::to_string(i) + " 0\n";
    ASSERT_EQ(film_out::anmneu_to_usercoor(write_film("big.anm", big), nullptr, options), 0);
    EXPECT_FALSE(film_out::memory_stream_overflowed(m));
    EXPECT_EQ(m.size, m.written + 10000);  // the retry's size is the count plus 10000
    EXPECT_EQ(long(m.bytes.size()), m.written);
    EXPECT_EQ(m.bytes.compare(0, 38, "usercoor\nc1\nq100000\na0,10,0,10\nf\nc2\nl0"), 0);
    EXPECT_NE(m.bytes.find("l59,0,60,1\nx0,0,0,0\n"), std::string::npos);

    // The file target gets the fitted window, the stream the window as read.
    const std::string film =
        write_film("square.anm", "ANMNEU\n0\n1\n0\n100\n0\n100\n--- Symbol-Dateien ---\n#0\n");
    options.memory_size = 0;
    ASSERT_EQ(film_out::anmneu_to_usercoor(film, nullptr, options), 0);
    EXPECT_EQ(m.size, film_out::kDefaultMemoryStreamSize);
    EXPECT_EQ(m.bytes, "usercoor\nc1\nq100000\na0,100,0,100\nf\nx0,0,0,0\n");
    const std::string out = testing::TempDir() + "square.out";
    ASSERT_EQ(film_out::anmneu_to_usercoor(film, out.c_str(), options), 0);
    EXPECT_EQ(slurp(out), "usercoor\nc1\nq100000\na-15,115,0,100\nf\nx0,0,0,0\n");
}

// FNV-1a of a whole conversion, so that one changed byte anywhere shows.
uint64_t fnv1a(const std::string& text) {
    uint64_t h = 14695981039346656037ull;
    for (unsigned char c : text) {
        h ^= c;
        h *= 1099511628211ull;
    }
    return h;
}

// A film whose numbers give the formatting every kind of work: 17-digit placements, values
// far above and below 1 (exponent forms), halves, whole numbers, zeros that turn negative,
// and scaled symbols whose arcs become chords.
std::string awkward_film() {
    uint64_t state = 88172645463325252ull;
    const auto next = [&state] {
        state ^= state << 13;
        state ^= state >> 7;
        state ^= state << 17;
        return double(state >> 11) / double(1ull << 53);
    };
    const auto number = [&](int k) {
        const double u = next();
        switch (k % 6) {
            case 0:
                return (u - 0.5) * 200;
            case 1:
                return std::ldexp(u, int(next() * 60) - 30);
            case 2:
                return std::floor(u * 64) / 2 - 16;
            case 3:
                return -std::ldexp(u, int(next() * 40) - 20);
            case 4:
                return std::floor(u * 1e6) / 10;
            default:
                return 0.0;
        }
    };
    constexpr int kSymbols = 7, kFrames = 40;
    std::string s = "ANMNEU\n" + std::to_string(kSymbols) + "\n" + std::to_string(kFrames) +
                    "\n-123.456\n789.01\n-0.001\n3e5\n--- Symbol-Dateien ---\n";
    char line[200];
    for (int k = 1; k <= kSymbols; ++k) {
        s += "begin " + std::to_string(k) + "\nTeil\n-\n" + (k % 2 ? "rot" : "blau") + "\n";
        std::snprintf(line, sizeof line, "m %.17g %.17g\nd %.17g %.17g\n", number(k), number(k + 1),
                      number(k + 2), number(k + 3));
        s += line;
        std::snprintf(line, sizeof line,
                      "c %.17g %.17g %.17g %d %d\nf %d\nd 0 -0\nc 1 1 0.5 -30 10\n", number(k + 4),
                      number(k), std::fabs(number(k + 2)) + 0.25, -90 + 17 * k, 45 * k, k + 3);
        s += line;
        s += "end\n";
    }
    for (int i = 0; i < kFrames; ++i) {
        std::snprintf(line, sizeof line, "#%d\nc %.17g %.17g:Stellung phi = %d\n", i, number(i),
                      number(i + 1), i * 9);
        s += line;
        for (int k = 0; k < kSymbols; ++k) {
            const double scale = k % 3 == 0 ? 1 + next() : 1.0;
            std::snprintf(line, sizeof line, "%.17g %.17g %.17g %.17g %.17g\n", number(i + k),
                          number(i + 2 * k), number(k) / 7, scale, k % 3 == 0 ? 0.5 : 1.0);
            s += line;
        }
    }
    return s;
}

TEST_F(UsercoorConversion, OutputsStayAsRecorded) {
    // Sizes and hashes recorded from the conversion before its number formatting and record
    // writing were made fast; the text must not change by a byte.
    struct Recorded {
        std::string film;
        bool to_file;
        size_t size;
        uint64_t hash;
    };
    const std::string examples = std::string(KV_SOURCE_DIR) + "/examples/";
    const std::string awkward = write_film("awkward.anm", awkward_film());
    const Recorded recorded[] = {
        {examples + "cam_anmneu.anm", false, 652747, 0x0aa4beaf6d7ee8b5ull},
        {examples + "cam_anmneu.anm", true, 652749, 0x25d1ff4092fab413ull},
        {examples + "fourbar_anmneu.anm", false, 217052, 0x9effdf7ffe45f7afull},
        {examples + "slidercrank_anmneu.anm", true, 184868, 0x3d5debc95f64804aull},
        {awkward, false, 223296, 0x1086ebb92f5213d2ull},
        {awkward, true, 106153, 0xaef10bd03846dd0full},
    };
    for (const Recorded& r : recorded) {
        std::string text;
        if (r.to_file) {
            const std::string out = testing::TempDir() + "recorded.out";
            ASSERT_EQ(film_out::anmneu_to_usercoor(r.film, out.c_str()), 0) << r.film;
            text = slurp(out);
        } else {
            ASSERT_EQ(film_out::anmneu_to_usercoor(r.film, nullptr), 0) << r.film;
            text = film_out::usercoor_memory_stream().bytes;
        }
        EXPECT_EQ(text.size(), r.size) << r.film << (r.to_file ? " (file)" : " (memory)");
        EXPECT_EQ(fnv1a(text), r.hash) << r.film << (r.to_file ? " (file)" : " (memory)");
    }
}

TEST(MemoryStream, DropsWhatDoesNotFitButCountsIt) {
    film_out::FilmMemoryStream m;
    film_out::memory_stream_clear(&m, 1024);
    film_out::memory_stream_write(&m, std::string(1000, 'a'));
    film_out::memory_stream_write(&m, std::string(100, 'b'));
    EXPECT_EQ(m.bytes.size(), 1024u);
    EXPECT_EQ(m.written, 1100);
    EXPECT_TRUE(film_out::memory_stream_overflowed(m));
    EXPECT_EQ(film_out::memory_stream_get(&m), 'a');
    m.read_pos = 1023;
    EXPECT_EQ(film_out::memory_stream_get(&m), 'b');
    EXPECT_EQ(film_out::memory_stream_get(&m), EOF);
    film_out::memory_stream_clear(&m, 1023);
    EXPECT_EQ(m.size, film_out::kDefaultMemoryStreamSize);
}

}  // namespace
