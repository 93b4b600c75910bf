// Qt backend services without windows: file-dialog filters and profile settings.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "mw31/backend.h"
#include "mw31/qt/qt_dialogs.h"
#include "mw31/qt/qt_settings.h"

namespace mw31 {
namespace {

TEST(QtDialogFilters, PairsBecomeQtNameFilters) {
    EXPECT_EQ(qt_name_filters("ANM-Dateien|*.anm|Alle Dateien|*.*|"),
              "ANM-Dateien (*.anm);;Alle Dateien (*)");
    // Several patterns, another separator, blanks around patterns.
    EXPECT_EQ(qt_name_filters("Filme;*.anm; *.flm;"), "Filme (*.anm)");
    EXPECT_EQ(qt_name_filters("Filme#*.anm;*.flm;*.txt#"), "Filme (*.anm *.flm *.txt)");
    // Parentheses in a description would be taken for patterns by Qt.
    EXPECT_EQ(qt_name_filters("AVI (Video)|*.avi|"), "AVI [Video] (*.avi)");
    // Broken lists: a description without a pattern, nothing at all.
    EXPECT_EQ(qt_name_filters("Films|*.anm|Dangling|"), "Films (*.anm)");
    EXPECT_EQ(qt_name_filters("Leer||"), "");
    EXPECT_EQ(qt_name_filters(""), "");
    EXPECT_EQ(qt_name_filters("|"), "");
}

class QtProfile : public ::testing::Test {
  protected:
    void SetUp() override {
        if (const char* old = std::getenv("XDG_CONFIG_HOME")) saved_ = old, had_ = true;
        dir_ = std::filesystem::path(::testing::TempDir()) / "qt_profile_guitest";
        std::filesystem::remove_all(dir_);
        setenv("XDG_CONFIG_HOME", dir_.c_str(), 1);
    }
    void TearDown() override {
        if (had_)
            setenv("XDG_CONFIG_HOME", saved_.c_str(), 1);
        else
            unsetenv("XDG_CONFIG_HOME");
        std::filesystem::remove_all(dir_);
    }
    std::filesystem::path dir_;
    std::string saved_;
    bool had_ = false;
};

TEST_F(QtProfile, ValuesLiveInTheKurvlabIniFile) {
    const std::filesystem::path file = dir_ / "kurvlab" / "kurvlab.conf";
    EXPECT_EQ(profile_path(), file.string());
    Backend* b = backend();
    ASSERT_NE(b, nullptr);
    EXPECT_EQ(b->profile_get("KURVLAB", "AVIOUTFILE", "none"), "none") << "no file yet";

    b->profile_set("KURVLAB", "AVIOUTFILE", "/tmp/mein film.avi");
    b->profile_set("KVGL", "LIGHT0", "0.5 0.25 1");
    EXPECT_EQ(b->profile_get("KURVLAB", "AVIOUTFILE", ""), "/tmp/mein film.avi");
    EXPECT_EQ(b->profile_get("KVGL", "LIGHT0", ""), "0.5 0.25 1");
    EXPECT_EQ(b->profile_get("KVGL", "AVIOUTFILE", "fb"), "fb") << "sections are separate";
    EXPECT_EQ(b->profile_get("KURVLAB", "", "fb"), "fb");

    std::ifstream in(file);
    ASSERT_TRUE(in.good());
    std::stringstream text;
    text << in.rdbuf();
    EXPECT_NE(text.str().find("[KURVLAB]"), std::string::npos) << text.str();
    EXPECT_NE(text.str().find("AVIOUTFILE="), std::string::npos) << text.str();
    EXPECT_NE(text.str().find("[KVGL]"), std::string::npos);

    b->profile_set("KURVLAB", "AVIOUTFILE", "");
    EXPECT_EQ(b->profile_get("KURVLAB", "AVIOUTFILE", "fb"), "") << "an empty value is a value";
}

TEST_F(QtProfile, ValuesWithSpecialCharactersRoundTrip) {
    Backend* b = backend();
    ASSERT_NE(b, nullptr);
    const std::string tricky = "C:\\TARVO\\a;b=c \"q\" # x, \xc3\xa4";
    b->profile_set("KURVLAB", "TRICKY", tricky);
    EXPECT_EQ(b->profile_get("KURVLAB", "TRICKY", ""), tricky);
}

}  // namespace
}  // namespace mw31
