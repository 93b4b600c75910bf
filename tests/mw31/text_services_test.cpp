// String services: search, prefixes, extensions, polar angles, command-line words.
#include "mw31/text_services.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

TEST(TextSearch, FindAndPrefixes) {
    const char* text = "film.anm usercoor";
    EXPECT_EQ(mw31::find_text(text, "usercoor"), text + 9);
    EXPECT_EQ(mw31::find_text(text, "userx"), nullptr);
    EXPECT_EQ(mw31::find_text(nullptr, "a"), nullptr);
    EXPECT_EQ(mw31::find_text(text, nullptr), nullptr);
    EXPECT_EQ(mw31::find_char(text, '.'), text + 4);
    EXPECT_EQ(mw31::find_char(text, 'z'), nullptr);
    EXPECT_EQ(mw31::find_char(nullptr, 'a'), nullptr);

    EXPECT_TRUE(mw31::starts_with("ANMNEU\n", "ANMNEU"));
    EXPECT_FALSE(mw31::starts_with("ANM", "ANMNEU"));
    EXPECT_FALSE(mw31::starts_with("anmneu", "ANMNEU"));
    EXPECT_FALSE(mw31::starts_with(nullptr, "A"));
    EXPECT_FALSE(mw31::starts_with("A", nullptr));
    EXPECT_TRUE(mw31::starts_with_nocase("anmNeu 3", "ANMNEU"));
    EXPECT_FALSE(mw31::starts_with_nocase("anm", "ANMNEU"));
    EXPECT_FALSE(mw31::starts_with_nocase(nullptr, ""));
    EXPECT_TRUE(mw31::starts_with_nocase("x", ""));
}

std::string with_extension(std::string name, const std::string& ext) {
    mw31::replace_extension(name, ext);
    return name;
}

TEST(ReplaceExtension, LastComponentFromItsFirstDot) {
    EXPECT_EQ(with_extension("/home/u/films/run.1.anm", "avi"), "/home/u/films/run.avi");
    EXPECT_EQ(with_extension("clip", "avi"), "clip.avi");
    EXPECT_EQ(with_extension("C:\\dir.x\\clip", "dxf"), "C:\\dir.x\\clip.dxf");
    EXPECT_EQ(with_extension("dir.x/sub\\a.b.c", "txt"), "dir.x/sub\\a.txt");
    EXPECT_EQ(with_extension("dir/", "avi"), "dir/.avi");
    EXPECT_EQ(with_extension("", "avi"), ".avi");
}

struct Polar {
    double length, degrees;
};
Polar polar(double x, double y) {
    Polar p{-1, -1};
    mw31::polar_angle_degrees(x, y, &p.length, &p.degrees);
    return p;
}

TEST(PolarAngle, EveryOctant) {
    const double eps = 1e-9;
    struct Case {
        double x, y, degrees;
    } cases[] = {
        {1, 0, 0},
        {2, 1, 26.56505117707799},
        {1, 2, 63.43494882292201},
        {0, 1, 90},
        {-1, 2, 116.56505117707799},
        {-2, 1, 153.43494882292201},
        {-1, 0, 180},
        {-2, -1, 206.56505117707799},
        {-1, -2, -116.56505117707799},
        {0, -1, -90},
        {1, -2, -63.43494882292201},
        {2, -1, -26.56505117707799},
        {-1, -1, 225},
        {1, 1, 45},
        {-1, 1, 135},
    };
    for (const Case& c : cases) {
        const Polar p = polar(c.x, c.y);
        EXPECT_NEAR(p.degrees, c.degrees, eps) << c.x << "," << c.y;
        EXPECT_NEAR(p.length, std::hypot(c.x, c.y), eps);
    }
    double length = -1, radians = -1;
    mw31::polar_angle(0, -3, &length, &radians);
    EXPECT_DOUBLE_EQ(radians, -M_PI / 2);
    EXPECT_DOUBLE_EQ(length, 3);
    const Polar zero = polar(0, 0);
    EXPECT_EQ(zero.length, 0);
    EXPECT_EQ(zero.degrees, 0);
    const Polar huge = polar(1e200, 1e200);
    EXPECT_NEAR(huge.degrees, 45, eps);
}

TEST(CommandLine, WordsAndQuotes) {
    using V = std::vector<std::string>;
    EXPECT_EQ(mw31::split_command_line("film.anm -p20\t-c"), (V{"", "film.anm", "-p20", "-c"}));
    EXPECT_EQ(mw31::split_command_line("\"my film.anm\" -n3"), (V{"", "my film.anm", "-n3"}));
    // A quote ends the word before it and starts a new one after it.
    EXPECT_EQ(mw31::split_command_line("a\"b c\"d"), (V{"", "a", "b c", "d"}));
    EXPECT_EQ(mw31::split_command_line("\"open ended"), (V{"", "open ended"}));
    EXPECT_EQ(mw31::split_command_line("\"\" x"), (V{"", "x"}));
    EXPECT_EQ(mw31::split_command_line(""), (V{""}));
    EXPECT_EQ(mw31::split_command_line("  \x01\x1f "), (V{""}));
    EXPECT_EQ(mw31::split_command_line("k\xc3\xa4se"), (V{"", "k\xc3\xa4se"}));
}

}  // namespace
