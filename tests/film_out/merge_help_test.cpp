// The merge help text: its 48 lines and a write that replaces the file whole.
#include "film_out/merge_help.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <vector>

#include "film_out/merge_definition.h"

namespace {

namespace fs = std::filesystem;

std::vector<std::string> lines_of(const std::string& text) {
    std::vector<std::string> lines;
    size_t at = 0;
    for (size_t end; (end = text.find('\n', at)) != std::string::npos; at = end + 1)
        lines.push_back(text.substr(at, end - at));
    EXPECT_EQ(at, text.size()) << "every line ends with a line end";
    return lines;
}

TEST(MergeHelp, FortyEightLines) {
    const std::vector<std::string> l = lines_of(film_out::merge_help_text());
    ASSERT_EQ(l.size(), 48u);
    EXPECT_EQ(l[0], "Um mehrere Animationen im kompakten Animations-Dateiformat zu");
    EXPECT_EQ(l[2],
              "eine Textdatei, die beschreibt, welche Filme mit welchen Transformationen an der ");
    EXPECT_EQ(l[6], "in der Dateiauswahlbox von kurvlab.exe wie eine normale Filmdatei aus.");
    EXPECT_EQ(l[16], "ANMNEU.");
    EXPECT_EQ(l[18],
              "In Definitions-Textdateien zur FLM-Vereinigung sind folgende Steuerparameter "
              "zulaessig:");
    EXPECT_EQ(
        l[20],
        "  nkopien  = Anzahl Filmkopien mit gleichmaessigem zeitlichen Abstand (default = 1)");
    EXPECT_EQ(l[25], "  i = Uebersetzungsverhaeltnis (default = 1)");
    EXPECT_EQ(l[28], "  schritte = Anzahl Schritte der Gesamtsimulation");
    EXPECT_EQ(l[31], "Beispiel fuer eine Definitions-Textdatei:");
    for (int blank : {5, 8, 11, 14, 18, 20, 27, 30, 31, 33})
        EXPECT_EQ(l[size_t(blank - 1)], "") << "line " << blank;
    const std::vector<std::string> example = {"kopien=2", "dx=200", "dy=200",
                                              "dw=45",    "i=2",    "dphi=90"};
    const std::vector<std::string> reset = {"kopien=1", "dx=0", "dy=0", "dw=0", "i=1", "dphi=0"};
    for (size_t k = 0; k < 6; ++k) {
        EXPECT_EQ(l[33 + k], example[k]);
        EXPECT_EQ(l[40 + k], reset[k]);
    }
    EXPECT_EQ(l[39], "film=/home/user/filme/test1.flm");
    EXPECT_EQ(l[46], "film=/home/user/filme/test1.flm");
    EXPECT_EQ(l[47], "film=/home/user/filme/dlfteil1.flm");
    // Every line that sets something is a line the definitions understand.
    for (size_t k = 33; k < 48; ++k)
        EXPECT_TRUE(film_out::is_merge_key(film_out::merge_line_key(l[k])));
}

TEST(MergeHelp, WrittenWholeOrNotAtAll) {
    const fs::path dir = fs::path(testing::TempDir()) / "merge_help";
    fs::create_directories(dir);
    const std::string name = (dir / "vflminfo.txt").string();
    std::ofstream(name) << "an older and much longer help text that must be replaced entirely\n"
                        << std::string(10000, 'x');
    ASSERT_EQ(film_out::merge_help_write(name), 0);
    std::ifstream in(name, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    EXPECT_EQ(s.str(), film_out::merge_help_text());
    EXPECT_EQ(film_out::merge_help_write((dir / "no" / "such" / "file.txt").string()), 1);
    EXPECT_EQ(std::distance(fs::directory_iterator(dir), fs::directory_iterator()), 1);
}

}  // namespace
