// Reading ANMNEU films: head and window fit, info text, symbols with colours and contours,
// frames with captions, labels and placements, and what malformed files lead to.
#include "film_model/anmneu_reader.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "mw31/temp_names.h"

namespace {

// Each test works in a directory of its own, so that tests run side by side do not meet.
std::string test_dir() {
    static const std::string base = testing::TempDir();  // before TMPDIR is changed below
    const std::string dir =
        base + "anmneu_" + testing::UnitTest::GetInstance()->current_test_info()->name() + "/";
    mkdir(dir.c_str(), 0755);
    return dir;
}

std::string write_file(const std::string& name, const std::string& text) {
    const std::string path = test_dir() + name;
    std::ofstream(path, std::ios::binary) << text;
    return path;
}

std::string slurp(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

const char* kFilm =
    "ANMNEU  Viergelenk\n"
    "2\n"
    "3\n"
    "0\n100\n0\n100\n"
    "frei\n"
    "--- Start Infotext ---\n"
    "Viergelenkgetriebe\n"
    "  Kurbel 20 mm\n"
    "--- Ende Infotext ---\n"
    "--- Symbol-Dateien ---\n"
    "begin 2 Koppel\n"
    "Koppel\n"
    "-\n"
    "Blau \t\n"
    "m 0 0\n"
    "d 30 0\n"
    "c 0 0 2 0 360\n"
    "end\n"
    "ignoriert\n"
    "begin 1\n"
    "Kurbel\n"
    "-\n"
    "rot\n"
    "m 0 0\n"
    "d 20 0\n"
    "end\n"
    "# 0\n"
    "x Kurbelwinkel\n"
    "x 0 Grad\n"
    "c 5 95 2:Viergelenk phi = 0 Grad\n"
    "10 20\n"
    "1 2 0.5 2 3\n"
    "7 7 7 7 7\n"
    "#1\n"
    "c 6\n"
    "-1.5 .5 +1\n"
    "#2\n"
    "zzz\n"
    "#3\n"
    "11 21\n";

class AnmneuReader : public testing::Test {
  protected:
    void SetUp() override {
        setenv("TMPDIR", test_dir().c_str(), 1);
        std::remove(mw31::temp_info_name().c_str());
    }
    // Reads the text as a film; messages are collected.
    int read(const std::string& text, film::AnmneuFilm* film) {
        const std::string path = write_file("film.anm", text);
        testing::internal::CaptureStderr();
        const int result = film::read_anmneu_film(path, film);
        messages = testing::internal::GetCapturedStderr();
        return result;
    }
    std::string messages;
};

TEST_F(AnmneuReader, HeadWindowAndInfoText) {
    film::AnmneuFilm f;
    ASSERT_EQ(read(kFilm, &f), 3);
    EXPECT_EQ(messages, "");
    EXPECT_EQ(f.symbol_count(), 2);
    EXPECT_EQ(f.frame_count, 3);
    EXPECT_EQ(f.file_window, (film::WorldWindow{0, 100, 0, 100}));
    EXPECT_EQ(f.window, (film::WorldWindow{-15, 115, 0, 100}));
    EXPECT_EQ(f.initial, f.window);
    EXPECT_TRUE(f.has_info_text);
    EXPECT_EQ(slurp(mw31::temp_info_name()), "Viergelenkgetriebe\n  Kurbel 20 mm\n");
}

TEST_F(AnmneuReader, SymbolsInAnyOrderWithColourAndContour) {
    film::AnmneuFilm f;
    ASSERT_EQ(read(kFilm, &f), 3);
    EXPECT_EQ(f.symbols[0].colour, 2);
    ASSERT_EQ(f.symbols[0].elements.size(), 2u);
    EXPECT_EQ(f.symbols[0].elements[1].x, 20);
    EXPECT_EQ(f.symbols[1].colour, 12);
    ASSERT_EQ(f.symbols[1].elements.size(), 3u);
    EXPECT_EQ(film::contour_kind(f.symbols[1].elements[2]), film::kContourArc);
}

TEST_F(AnmneuReader, FramesCaptionsLabelsAndPlacements) {
    film::AnmneuFilm f;
    ASSERT_EQ(read(kFilm, &f), 3);
    const film::AnmneuFrame& f0 = f.frames[0];
    EXPECT_EQ(f0.caption, "Kurbelwinkel;0 Grad");
    EXPECT_EQ(f0.label, "Viergelenk phi = 0 Grad");
    EXPECT_EQ(f0.c1, 5);
    EXPECT_EQ(f0.c2, 95);
    // Two numbers: phi stays 0 and the scales 1; a line beyond the P-th is ignored.
    const film::SymbolPlacement a = film::anmneu_placement(f, 0, 0);
    EXPECT_EQ(a.x, 10);
    EXPECT_EQ(a.y, 20);
    EXPECT_EQ(a.phi, 0);
    EXPECT_EQ(a.sx, 1);
    EXPECT_EQ(a.sy, 1);
    const film::SymbolPlacement b = film::anmneu_placement(f, 0, 1);
    EXPECT_EQ(b.phi, 0.5);
    EXPECT_EQ(b.sx, 2);
    EXPECT_EQ(b.sy, 3);
    EXPECT_EQ(f0.placements.size(), 2u);

    const film::AnmneuFrame& f1 = f.frames[1];
    EXPECT_EQ(f1.c1, 6);
    EXPECT_EQ(f1.c2, 0);
    EXPECT_EQ(f1.label, "");
    EXPECT_EQ(f1.caption, "");
    EXPECT_EQ(film::anmneu_placement(f, 1, 0).x, -1.5);
    EXPECT_EQ(film::anmneu_placement(f, 1, 0).y, 0.5);
    EXPECT_EQ(film::anmneu_placement(f, 1, 0).phi, 1);
    EXPECT_EQ(film::anmneu_placement(f, 1, 1).sx, 1);  // no line: default placement

    // Frame 3 lies beyond F but is kept: the pictures after frame 2 move towards it. Frame 2
    // itself holds the defaults.
    EXPECT_EQ(film::anmneu_next_frame(f, 1), 2);
    EXPECT_EQ(film::anmneu_next_frame(f, 2), 3);
    EXPECT_EQ(film::anmneu_placement(f, 3, 0).x, 11);
    EXPECT_EQ(film::anmneu_placement(f, 2, 0).x, 0);
}

// A long film tells how far the read got, in frames, counting up, so that a player can show it.
TEST_F(AnmneuReader, LongFilmsReportTheirProgressInFrames) {
    std::string text =
        "ANMNEU\n1\n300\n0\n10\n0\n10\n--- Symbol-Dateien ---\n"
        "begin 1\nStab\n-\nrot\nm 0 0\nd 1 0\nend\n";
    for (int i = 0; i < 300; ++i) text += "#" + std::to_string(i) + "\n1 2\n";
    const std::string path = write_file("long.anm", text);
    std::vector<int> told;
    film::AnmneuFilm film;
    ASSERT_EQ(film::read_anmneu_film(path, &film, film::report_to_user, {},
                                     [&told](int n) { told.push_back(n); }),
              300);
    EXPECT_EQ(told, (std::vector<int>{64, 128, 192, 256}));
}

TEST_F(AnmneuReader, LastFrameHoldsWhenNothingFollows) {
    film::AnmneuFilm f;
    ASSERT_EQ(read("ANMNEU\n1\n2\n0\n1\n0\n1\n--- Symbol-Dateien ---\n#0\n1\n#1\n2\n", &f), 2);
    EXPECT_EQ(film::anmneu_next_frame(f, 1), 1);
    EXPECT_EQ(film::anmneu_next_frame(f, 0), 1);
}

TEST_F(AnmneuReader, IncludedContoursGetRoom) {
    const std::string inc = write_file(
        "anm_include.txt", "m 0 0\nd 1 0\nd 1 1\nd 0 1\nd 0 0\nd 2 2\nd 3 3\nd 4 4\nend\n");
    film::AnmneuFilm f;
    ASSERT_EQ(read("ANMNEU\n1\n1\n0\n1\n0\n1\n--- Symbol-Dateien ---\nbegin 1\na\nb\nrot\ni " +
                       inc + "\nend\n#0\n",
                   &f),
              1);
    EXPECT_EQ(f.symbols[0].elements.size(), 8u);
    EXPECT_EQ(messages, "");
}

TEST_F(AnmneuReader, AMissingIncludeIsNamedOnceForTheWholeFilm) {
    // Two symbols include the same missing file (a film copied away from its symbols folder);
    // the parts beside the include stay.
    const std::string symbol = "a\nb\nrot\nm 0 0\nd 1 0\ni symbols/gone.ctr\nend\n";
    film::AnmneuFilm f;
    ASSERT_EQ(read("ANMNEU\n2\n1\n0\n1\n0\n1\n--- Symbol-Dateien ---\nbegin 1\n" + symbol +
                       "begin 2\n" + symbol + "#0\n",
                   &f),
              1);
    EXPECT_EQ(f.symbols[0].elements.size(), 2u);
    EXPECT_EQ(f.symbols[1].elements.size(), 2u);
    const std::string said = "include file missing: symbols/gone.ctr";
    const size_t first = messages.find(said);
    ASSERT_NE(first, std::string::npos) << messages;
    EXPECT_EQ(messages.find(said, first + 1), std::string::npos) << messages;
}

TEST_F(AnmneuReader, WrongHeadsAreRefusedWithAMessage) {
    film::AnmneuFilm f;
    EXPECT_EQ(read("ANMNE\n1\n1\n", &f), -1);
    EXPECT_NE(messages.find("ist keine ANMNEU-Datei"), std::string::npos);
    EXPECT_EQ(read("ANMNEU\n1\n1\n0\n", &f), -1);
    EXPECT_NE(messages.find("incomplete file head"), std::string::npos);
    EXPECT_EQ(read("ANMNEU\n-1\n1\n0\n1\n0\n1\n--- Symbol-Dateien ---\n", &f), -1);
    EXPECT_NE(messages.find("invalid number"), std::string::npos);
    EXPECT_EQ(read("ANMNEU\n1\n-5\n0\n1\n0\n1\n--- Symbol-Dateien ---\n", &f), -1);
    EXPECT_NE(messages.find("invalid number"), std::string::npos);
    EXPECT_EQ(read("ANMNEU\n1\n1\n0\n1\n0\n1\nbegin 1\na\nb\nrot\nend\n#0\n", &f), -1);
    EXPECT_NE(messages.find("\"--- Symbol-Dateien ---\" fehlt"), std::string::npos);
    EXPECT_EQ(f.symbol_count(), 0);

    testing::internal::CaptureStderr();
    EXPECT_EQ(film::read_anmneu_film("/no/such/film.anm", &f), -1);
    EXPECT_EQ(testing::internal::GetCapturedStderr(),
              "Kann Datei nicht zum Lesen oeffnen / Cannot open file for read:\n"
              "/no/such/film.anm\n");
}

TEST_F(AnmneuReader, NoFramesReadsAsZero) {
    film::AnmneuFilm f;
    EXPECT_EQ(read("ANMNEU\n0\n0\n0\n1\n0\n1\n--- Symbol-Dateien ---\n#0\n1 1\n", &f), 0);
    EXPECT_EQ(f.frame_count, 0);
    EXPECT_EQ(f.symbol_count(), 0);
}

TEST_F(AnmneuReader, OutOfRangeNumbersAreSkippedWithOneMessage) {
    std::string text = "ANMNEU\n2\n20000\n0\n1\n0\n1\n--- Symbol-Dateien ---\n";
    text += "begin 3\na\nb\nrot\nm 0 0\nend\nbegin 0\na\nb\nrot\nend\nbegin 2\na\nb\ngelb\nend\n";
    text += "#-1\n5 5\n#10000\n6 6\n#123456789012\n7 7\n#9999\n8 8\n#4\n9 9\n";
    film::AnmneuFilm f;
    ASSERT_EQ(read(text, &f), 10000);
    EXPECT_NE(messages.find("too many frames (max. 10000)"), std::string::npos);
    // Too many frames, symbol, frame number, and how few frames the file holds.
    EXPECT_EQ(std::count(messages.begin(), messages.end(), '\n'), 4);
    EXPECT_NE(messages.find("only 2 of 10000 frames in the file\n"), std::string::npos);
    EXPECT_NE(messages.find("Symbolnummer 3"), std::string::npos);
    EXPECT_NE(messages.find("Bildnummer -1"), std::string::npos);
    EXPECT_EQ(f.symbols[1].colour, 8);
    EXPECT_EQ(f.symbols[0].elements.size(), 0u);
    EXPECT_EQ(f.frames.size(), 10000u);
    EXPECT_EQ(film::anmneu_placement(f, 9999, 0).x, 8);
    EXPECT_EQ(film::anmneu_placement(f, 4, 0).x, 9);
    EXPECT_EQ(film::anmneu_placement(f, 0, 0).x, 0);
}

TEST_F(AnmneuReader, AFilmCutShortPlaysOnlyTheFramesItHoldsAndSaysSo) {
    const std::string head = "ANMNEU\n1\n5\n0\n1\n0\n1\n--- Symbol-Dateien ---\n";
    film::AnmneuFilm f;
    ASSERT_EQ(read(head + "#0\n1 1\n#1\n2 2\n#2\n3", &f), 3);
    EXPECT_EQ(f.frame_count, 3);
    EXPECT_NE(messages.find("only 3 of 5 frames in the file, the film ends after the last one"),
              std::string::npos)
        << messages;
    EXPECT_EQ(film::anmneu_next_frame(f, 2), 2);  // holds at the last frame it has
    // Nothing after the symbols: no frame to play at all.
    ASSERT_EQ(read(head, &f), 0);
    EXPECT_NE(messages.find("only 0 of 5 frames"), std::string::npos) << messages;
    // A whole film says nothing.
    ASSERT_EQ(read(head + "#0\n1\n#1\n1\n#2\n1\n#3\n1\n#4\n1\n", &f), 5);
    EXPECT_EQ(messages, "");
}

TEST_F(AnmneuReader, MissingEndDoesNotSwallowTheFrames) {
    film::AnmneuFilm f;
    ASSERT_EQ(read("ANMNEU\n1\n1\n0\n1\n0\n1\n--- Symbol-Dateien ---\nbegin 1\na\nb\nrot\n"
                   "m 0 0\nd 1 1\n#0\nc 1 2:L\n3 4\n",
                   &f),
              1);
    EXPECT_EQ(f.symbols[0].elements.size(), 2u);
    EXPECT_EQ(f.frames[0].label, "L");
    EXPECT_EQ(film::anmneu_placement(f, 0, 0).x, 3);
}

TEST_F(AnmneuReader, LongLinesAndCarriageReturnsAreSafe) {
    const std::string caption(20000, 'k');
    std::string text = "ANMNEU\r\n1\r\n1\r\n0\r\n1\r\n0\r\n1\r\n--- Symbol-Dateien ---\r\n";
    text += "begin 1\r\na\r\nb\r\nrot\r\nm 0 0\r\nend\r\n#0\r\n";
    text += "x " + caption + "\r\nc 1 2:" + std::string(1000, 'L') + "\r\n";
    for (int k = 0; k < 100; ++k) text += "x " + std::string(250, 'y') + "\n";
    text += "0.25 " + std::string(300, '7') + "\n";
    film::AnmneuFilm f;
    ASSERT_EQ(read(text, &f), 1);
    EXPECT_EQ(f.symbols[0].colour, 2);
    EXPECT_EQ(std::count(messages.begin(), messages.end(), '\n'), 1);
    EXPECT_NE(messages.find("line too long"), std::string::npos);
    // Lines are cut to 255 characters; captions stop at 16383 characters.
    EXPECT_EQ(f.frames[0].caption.size(), 16383u);
    EXPECT_EQ(f.frames[0].caption.substr(0, 254), std::string(253, 'k') + ";");
    EXPECT_EQ(f.frames[0].label, std::string(255 - 6, 'L'));
    EXPECT_EQ(film::anmneu_placement(f, 0, 0).x, 0.25);
}

TEST_F(AnmneuReader, BlankInfoBlockMakesNoInfoFile) {
    const std::string head = "ANMNEU\n1\n1\n0\n1\n0\n1\n--- Start Infotext ---\n";
    const std::string rest = "--- Ende Infotext ---\n--- Symbol-Dateien ---\n#0\n";
    film::AnmneuFilm f;
    ASSERT_EQ(read(head + "\n   \n\t \n" + rest, &f), 1);
    EXPECT_FALSE(f.has_info_text);
    EXPECT_FALSE(std::ifstream(mw31::temp_info_name()).good());
    // The file starts at the first line that shows something; blank lines before it stay.
    ASSERT_EQ(read(head + "\n \n  !\nText\n" + rest, &f), 1);
    EXPECT_TRUE(f.has_info_text);
    EXPECT_EQ(slurp(mw31::temp_info_name()), "\n \n  !\nText\n");
}

TEST_F(AnmneuReader, InfoTextThatCannotBeWrittenIsSaidAndNotClaimed) {
    // A TMPDIR that is a plain file: no private folder can be made in it.
    setenv("TMPDIR", write_file("not_a_folder", "x").c_str(), 1);
    film::AnmneuFilm f;
    ASSERT_EQ(read(kFilm, &f), 3);
    EXPECT_FALSE(f.has_info_text);
    EXPECT_NE(messages.find("info text not written"), std::string::npos) << messages;
    EXPECT_NE(messages.find(test_dir() + "film.anm"), std::string::npos) << messages;
}

}  // namespace
