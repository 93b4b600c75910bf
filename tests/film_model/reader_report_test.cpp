// The readers' messages go where their caller says, and nowhere else: a collecting hook gets
// every text (exactly as a box would show it) while no box is shown, and the contour reader
// takes another end line and message name for other callers.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include "film_model/anmneu_reader.h"
#include "film_model/contour_reader.h"
#include "film_model/line_film_reader.h"
#include "mw31/dialogs.h"

namespace film {
namespace {

struct Collected {
    std::vector<std::string> texts;
    ReportFn hook() {
        return [this](const std::string& text) { texts.push_back(text); };
    }
};

TEST(ReaderReports, LineFilmLimitsAndProgressGoToTheCallersHooks) {
    const size_t boxes = mw31::shown_dialogs().size();
    Collected collected;
    int progress = 0;
    ReaderHooks hooks;
    hooks.report = collected.hook();
    hooks.progress = [&progress] { ++progress; };
    const std::string film = "F\nl1,2,3,4,x\nl1,2,3,4,x\nl1,2,3,4,x\n";
    MemoryByteSource source(film.data(), film.size());
    FrameStore store;
    EXPECT_EQ(read_line_film(source, &store, nullptr, LineFilmLimits{2, 100}, hooks), 0);
    EXPECT_EQ(store.frame_count(), 2);
    EXPECT_EQ(collected.texts,
              std::vector<std::string>{"mw31_film: zu viele Getriebestellungen / too many frames "
                                       "(max. 2)\n"});
    EXPECT_EQ(progress, 3);  // after the head and after each frame read
    EXPECT_EQ(mw31::shown_dialogs().size(), boxes);

    EXPECT_EQ(read_line_film_file("/no/such/film.anm", &store, nullptr, hooks), 1);
    ASSERT_EQ(collected.texts.size(), 2u) << collected.texts[0];
    EXPECT_EQ(collected.texts[1],
              "Kann Datei nicht zum Lesen oeffnen / Cannot open file for read:\n/no/such/film.anm");
    EXPECT_EQ(mw31::shown_dialogs().size(), boxes);
}

TEST(ReaderReports, AnmneuReaderHandsItsContourMessagesToTheSameHook) {
    const size_t boxes = mw31::shown_dialogs().size();
    // Symbol 7 of 1, and a contour that includes a file beside the film that includes itself.
    const std::string dir = ::testing::TempDir();
    std::ofstream(dir + "loop.ctr") << "d 1 1\ni loop.ctr\nend\n";
    std::ofstream(dir + "numbers.anm")
        << "ANMNEU\n1\n1\n0\n10\n0\n10\nfrei\n--- Symbol-Dateien ---\nbegin 7\nx\nx\nblack\n"
           "end\nbegin 1\nx\nx\nblack\ni loop.ctr\nend\n#0\n0 0 0\n";
    Collected collected;
    AnmneuFilm film;
    char cwd[4096];
    ASSERT_NE(getcwd(cwd, sizeof cwd), nullptr);
    ASSERT_EQ(chdir("/"), 0);  // the include is found beside the film
    EXPECT_EQ(read_anmneu_film(dir + "numbers.anm", &film, collected.hook()), 1);
    ASSERT_EQ(chdir(cwd), 0);
    ASSERT_EQ(collected.texts.size(), 2u);
    EXPECT_NE(collected.texts[0].find("Symbolnummer 7 nicht in 1..1"), std::string::npos);
    EXPECT_EQ(collected.texts[1],
              "do_load_detail_def: zu viele oder zu tief verschachtelte Dateien / too many or too "
              "deeply nested include files (max. 1000, 16)\n");
    ASSERT_EQ(film.symbol_count(), 1);
    EXPECT_EQ(film.symbols[0].elements.size(), 16u);  // one line per level read
    EXPECT_EQ(mw31::shown_dialogs().size(), boxes);
}

TEST(ReaderReports, ContourReadingWithAnotherEndLineAndMessageName) {
    std::string text = "d1 1\nend\nd2 2\nd3 3\nende\nd4 4\n";
    FILE* f = fmemopen(text.data(), text.size(), "r");
    ASSERT_NE(f, nullptr);
    Collected collected;
    ContourReading reading;
    reading.end_word = "ende";
    reading.message_name = "vektorgrafik";
    reading.report = collected.hook();
    ContourElement elements[2];
    int count = 0;
    EXPECT_EQ(do_load_detail_def(f, elements, &count, 2, reading), 0);
    EXPECT_EQ(count, 2);  // "end" is no end here: it is read as a line and ignored
    EXPECT_EQ(collected.texts,
              std::vector<std::string>{"vektorgrafik: zu viele Konturelemente / too many contour "
                                       "elements (max. 2)\n"});
    char rest[16] = {};
    ASSERT_NE(std::fgets(rest, sizeof rest, f), nullptr);
    EXPECT_STREQ(rest, "d4 4\n");  // left after its own end line
    std::fclose(f);
}

}  // namespace
}  // namespace film
