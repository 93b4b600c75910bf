// The contour language: transform modes and units, arcs, colours, the element limit,
// includes and the lines that are not commands.
#include "film_model/contour_reader.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include "support/comma_locale.h"

namespace {

using film::ContourElement;
using film::do_load_detail_def;

struct Read {
    std::vector<ContourElement> elements;
    std::string messages;
    std::string rest;  // what the stream still holds after the reader returned
};

Read read_contour(const std::string& text, int max = 100) {
    Read r;
    r.elements.resize(size_t(max) + 1);
    FILE* f = fmemopen(const_cast<char*>(text.data()), text.size(), "r");
    int count = -1;
    testing::internal::CaptureStderr();
    EXPECT_EQ(do_load_detail_def(f, r.elements.data(), &count, max), 0);
    r.messages = testing::internal::GetCapturedStderr();
    for (int c = std::getc(f); c != EOF; c = std::getc(f)) r.rest += char(c);
    std::fclose(f);
    r.elements.resize(size_t(count));
    return r;
}

std::string temp_file(const std::string& name, const std::string& text) {
    const std::string path = testing::TempDir() + name;
    std::ofstream(path) << text;
    return path;
}

void expect_point(const ContourElement& e, int kind, double x, double y) {
    EXPECT_EQ(film::contour_kind(e), kind);
    EXPECT_NEAR(e.x, x, 1e-9);
    EXPECT_NEAR(e.y, y, 1e-9);
}

TEST(ContourTransform, RotateThenShiftInDegreesAndRadians) {
    Read r = read_contour("grad\nt 10 0 90\nd 1 0\nend\n");
    ASSERT_EQ(r.elements.size(), 1u);
    expect_point(r.elements[0], film::kContourDraw, 10, 1);

    // Without grad the 90 is radians.
    r = read_contour("t 10 0 90\nd 1 0\nend\n");
    ASSERT_EQ(r.elements.size(), 1u);
    expect_point(r.elements[0], film::kContourDraw, 10 + std::cos(90.0), std::sin(90.0));

    // rad switches back.
    r = read_contour("grad\nrad\nt 0 0 1\nm 1 0\nend\n");
    expect_point(r.elements[0], film::kContourMove, std::cos(1.0), std::sin(1.0));
}

TEST(ContourTransform, ShiftThenRotate) {
    const Read r = read_contour("grad\nT 10 0 90\nd 1 0\nn 0 0\nend\n");
    ASSERT_EQ(r.elements.size(), 2u);
    expect_point(r.elements[0], film::kContourDraw, 0, 11);
    expect_point(r.elements[1], film::kContourPoint, 0, 10);
}

TEST(ContourTransform, QAddsInModeROnlyAndSeparatorsVary) {
    Read r = read_contour("grad\nt1,2;0\nq 1 1 90\nm1;0\nend\n");
    ASSERT_EQ(r.elements.size(), 1u);
    expect_point(r.elements[0], film::kContourMove, 2, 4);  // (1,0) turned 90, + (2,3)

    r = read_contour("T 1 2 0\nq 5 5 1\nm 0 0\nend\n");
    expect_point(r.elements[0], film::kContourMove, 1, 2);
}

// The program runs in the user's locale (the toolkit sets it); files keep their decimal point.
TEST(ContourNumbers, DecimalPointsUnderACommaLocale) {
    kv_test::CommaLocale locale;
    if (!locale.active()) GTEST_SKIP() << "no locale with a decimal comma can be had";
    const Read r = read_contour("m 1.25 -2.5\nc 0.5 0 0.75 0 90.5\nend\n");
    ASSERT_EQ(r.elements.size(), 2u);
    expect_point(r.elements[0], film::kContourMove, 1.25, -2.5);
    EXPECT_DOUBLE_EQ(r.elements[1].r, 0.75);
    EXPECT_DOUBLE_EQ(r.elements[1].end, 90.5 * M_PI / 180);
}

TEST(ContourArcs, AnglesAreDegreesWhateverTheUnit) {
    for (const char* unit : {"grad\n", "rad\n", ""}) {
        const Read r = read_contour(std::string(unit) + "c 0 0 5 0 90\nend\n");
        ASSERT_EQ(r.elements.size(), 1u) << unit;
        const ContourElement& e = r.elements[0];
        EXPECT_EQ(film::contour_kind(e), film::kContourArc);
        EXPECT_DOUBLE_EQ(e.r, 5);
        EXPECT_DOUBLE_EQ(e.start, 0);
        EXPECT_DOUBLE_EQ(e.end, M_PI / 2) << unit;
    }
    // The transform's turn is added to both angles and moves the centre.
    const Read r = read_contour("grad\nt 1 0 90\nc 2 0 1 0 180\nend\n");
    expect_point(r.elements[0], film::kContourArc, 1, 2);
    EXPECT_NEAR(r.elements[0].start, M_PI / 2, 1e-12);
    EXPECT_NEAR(r.elements[0].end, 1.5 * M_PI, 1e-12);
}

TEST(ContourColours, ByNameAndByNumber) {
    const Read r = read_contour("f rot\nf 2\nf Blau\nf lila\nf 13x\nf\nf \"rot\"\nend\n");
    ASSERT_EQ(r.elements.size(), 7u);
    const double expected[] = {2, 2, 12, 0, 13, 0, 0};
    for (size_t k = 0; k < 7; ++k) {
        EXPECT_EQ(film::contour_kind(r.elements[k]), film::kContourColour);
        EXPECT_EQ(r.elements[k].x, expected[k]) << k;
    }
    EXPECT_EQ(film::colour_from_name("INVERT"), -1);
    EXPECT_EQ(film::colour_from_name("DunkelGruen"), 13);
    EXPECT_EQ(film::colour_from_name("schwarz"), 1);
    EXPECT_EQ(film::colour_from_name(""), 0);
}

TEST(ContourLimit, FullTableStoresMaxReportsOnceAndConsumesToEnd) {
    const Read r = read_contour("m 0 0\nd 1 0\nd 2 0\nd 3 0\nd 4 0\nend\nafter\n", 3);
    ASSERT_EQ(r.elements.size(), 3u);
    expect_point(r.elements[2], film::kContourDraw, 2, 0);
    EXPECT_EQ(r.messages,
              "do_load_detail_def: zu viele Konturelemente / too many contour elements "
              "(max. 3)\n");
    EXPECT_EQ(r.rest, "after\n");

    // Without an end line the rest of the stream is consumed, still with one message.
    const Read r2 = read_contour("m 0 0\nm 0 0\nm 0 0\nm 0 0\n", 2);
    EXPECT_EQ(r2.elements.size(), 2u);
    EXPECT_EQ(r2.rest, "");
    EXPECT_EQ(std::count(r2.messages.begin(), r2.messages.end(), '\n'), 1);

    // A table that holds exactly what comes needs no message.
    EXPECT_EQ(read_contour("m 0 0\nd 1 1\nend\n", 2).messages, "");
}

TEST(ContourLines, OnlyCommandsAtTheLineStartCount) {
    const Read r =
        read_contour("Gelenkplatte\n d 5 5\nendx\n\nx 1 1\n#comment\nend \nd 9 9\nend\n");
    // "end " (trailing blank) ends like "end"; " d" and "endx" are comments.
    EXPECT_EQ(r.elements.size(), 0u);
    EXPECT_EQ(r.rest, "d 9 9\nend\n");

    const Read crlf = read_contour("m 1 2\r\ngrad\r\nt 0 0 90\r\nd 1 0\r\nend\r\nrest\r\n");
    ASSERT_EQ(crlf.elements.size(), 2u);
    expect_point(crlf.elements[1], film::kContourDraw, 0, 1);
    EXPECT_EQ(crlf.rest, "rest\r\n");
}

TEST(ContourLines, LongLinesAreCutNotOverflowed) {
    const std::string long_line = "d 7 8" + std::string(400, ' ') + "9\n";
    const Read r = read_contour(long_line + "m 1 1\nend\n");
    ASSERT_EQ(r.elements.size(), 2u);
    expect_point(r.elements[0], film::kContourDraw, 7, 8);
    EXPECT_NE(r.messages.find("line too long"), std::string::npos);
    EXPECT_EQ(r.rest, "");
}

TEST(ContourArguments, QuotesKeepSeparatorsAndTheirQuotes) {
    using film::split_contour_arguments;
    EXPECT_EQ(split_contour_arguments(" a, \"b c;d\" `e,f`;g"),
              (std::vector<std::string>{"a", "\"b c;d\"", "`e,f`", "g"}));
    EXPECT_EQ(split_contour_arguments("\"open"), (std::vector<std::string>{"\"open\""}));
    EXPECT_TRUE(split_contour_arguments(" ,; ").empty());
}

TEST(ContourIncludes, FreshTransformAndNoEffectOnTheIncluder) {
    const std::string inc = temp_file("contour_inc_a.txt", "t 100 0 0\nm 1 0\ngrad\nend\n");
    const Read r = read_contour("t 0 50 0\nd 1 0\ni " + inc + "\nd 2 0\nc 0 0 1 0 90\nend\n");
    ASSERT_EQ(r.elements.size(), 4u);
    expect_point(r.elements[0], film::kContourDraw, 1, 50);
    expect_point(r.elements[1], film::kContourMove, 101, 0);  // includer's t not applied
    expect_point(r.elements[2], film::kContourDraw, 2, 50);   // include's t not kept
    EXPECT_DOUBLE_EQ(r.elements[3].end, M_PI / 2);

    // Quoted names may hold blanks; a missing file is skipped and named.
    const std::string spaced = temp_file("contour inc b.txt", "m 3 3\n");
    const Read q = read_contour("i \"" + spaced + "\"\ni /no/such/file\nd 4 4\nend\n");
    ASSERT_EQ(q.elements.size(), 2u);
    expect_point(q.elements[0], film::kContourMove, 3, 3);
    EXPECT_EQ(q.messages,
              "do_load_detail_def: Include-Datei fehlt / include file missing: /no/such/file\n");
}

TEST(ContourIncludes, CountTowardsTheLimitAndLoopsEnd) {
    const std::string inc = temp_file("contour_inc_c.txt", "m 1 1\nd 2 2\nd 3 3\nend\n");
    const Read r = read_contour("m 0 0\ni " + inc + "\nd 9 9\nend\n", 3);
    ASSERT_EQ(r.elements.size(), 3u);
    expect_point(r.elements[2], film::kContourDraw, 2, 2);
    EXPECT_EQ(std::count(r.messages.begin(), r.messages.end(), '\n'), 1);

    // A file that includes itself stops at the nesting limit.
    const std::string self = testing::TempDir() + "contour_inc_self.txt";
    temp_file("contour_inc_self.txt", "m 1 1\ni " + self + "\ni " + self + "\n");
    const Read loop = read_contour("i " + self + "\nend\n", 100000);
    EXPECT_GT(loop.elements.size(), 0u);
    EXPECT_LE(loop.elements.size(), size_t(film::kMaxIncludeOpens) + 1);
    EXPECT_NE(loop.messages.find("nested"), std::string::npos);

    // Room for a contour counts the lines of its includes.
    EXPECT_EQ(film::contour_room_for_lines({"m 0 0", "i " + inc, "d 1 1"}), 6);
}

}  // namespace
