// The overlay command language read as data: items and quotes, colour escapes, joined lines,
// progress boxes, markers and lines, and command texts that must not hurt.
#include "gl3d/overlay_commands.h"

#include <gtest/gtest.h>

#include <string>

namespace {

using gl3d::Overlay;
using mw31::Rgb;

std::vector<std::string> items(const std::string& text) {
    std::vector<std::string> out;
    for (auto i : gl3d::split_overlay_items(text)) out.emplace_back(i);
    return out;
}

TEST(OverlayItems, SplitAtSemicolonsOutsideQuotesSkippingLeadingBlanks) {
    EXPECT_EQ(items("text a;  \t cline 1;;\x01kollmarker 1 2 3"),
              (std::vector<std::string>{"text a", "cline 1", "kollmarker 1 2 3"}));
    EXPECT_EQ(items("text \"a;b\";text c"), (std::vector<std::string>{"text \"a;b\"", "text c"}));
    // An unterminated quote protects the rest.
    EXPECT_EQ(items("text \"a;b;c"), (std::vector<std::string>{"text \"a;b;c"}));
    EXPECT_TRUE(items("  ;  ; ").empty());
}

TEST(OverlayText, ColourEscapesTakeUpToNineDigitsMissingOnesZeroCappedAt255) {
    auto runs = gl3d::text_runs("a%c255128000b%c9c%c999000999d%c12x3");
    ASSERT_EQ(runs.size(), 5u);
    EXPECT_EQ(runs[0].text, "a");
    EXPECT_EQ(runs[0].colour, (Rgb{0, 0, 0}));  // black before the first escape
    EXPECT_EQ(runs[1].text, "b");
    EXPECT_EQ(runs[1].colour, (Rgb{255, 128, 0}));
    EXPECT_EQ(runs[2].text, "c");  // "9" then missing digits: 900 -> 255, 0, 0
    EXPECT_EQ(runs[2].colour, (Rgb{255, 0, 0}));
    EXPECT_EQ(runs[3].text, "d");
    EXPECT_EQ(runs[3].colour, (Rgb{255, 0, 255}));
    EXPECT_EQ(runs[4].text, "x3");  // the escape stops at the first non-digit
    EXPECT_EQ(runs[4].colour, (Rgb{120, 0, 0}));
    // Ten digits: the tenth is text.
    runs = gl3d::text_runs("%c0002550001");
    ASSERT_EQ(runs.size(), 1u);
    EXPECT_EQ(runs[0].text, "1");
    EXPECT_EQ(runs[0].colour, (Rgb{0, 255, 0}));
    // A percent sign without c is text.
    runs = gl3d::text_runs("50% done%");
    ASSERT_EQ(runs.size(), 1u);
    EXPECT_EQ(runs[0].text, "50% done%");
}

TEST(OverlayText, AmpelColoursAndRoundedPercentage) {
    std::vector<mw31::TextRun> runs;
    ASSERT_TRUE(gl3d::ampel_runs("ampel 45 50 100", &runs));
    ASSERT_EQ(runs.size(), 2u);
    EXPECT_EQ(runs[0].text, "     ");
    EXPECT_TRUE(runs[0].opaque);
    EXPECT_EQ(runs[0].background, (Rgb{0, 0, 200}));  // blue: not above w
    EXPECT_EQ(runs[1].text, "  45% ");
    EXPECT_FALSE(runs[1].opaque);

    runs.clear();
    ASSERT_TRUE(gl3d::ampel_runs("ampel 60 50 100", &runs));
    EXPECT_EQ(runs[0].background, (Rgb{0, 255, 220}));  // above w: aqua
    runs.clear();
    ASSERT_TRUE(gl3d::ampel_runs("ampel 150.4 50 100", &runs));
    EXPECT_EQ(runs[0].background, (Rgb{255, 100, 100}));  // above m: light red
    EXPECT_EQ(runs[1].text, " 150% ");
    runs.clear();
    ASSERT_TRUE(gl3d::ampel_runs("ampel 2 1 3", &runs));
    EXPECT_EQ(runs[1].text, "  67% ");  // 66.67 + 0.5 truncated
    runs.clear();
    ASSERT_TRUE(gl3d::ampel_runs("ampel 1e300 1 1e-300", &runs));  // huge: clamped, no overflow
    EXPECT_EQ(runs[1].text, "1000000000% ");

    for (const char* nothing : {"ampel 1 2 0", "ampel 1 2 -5", "ampel 1 2", "ampel 1 2 nan",
                                "ampel 1 inf 3", "ampelx 1 2 3", "text 1 2 3"}) {
        runs.clear();
        EXPECT_FALSE(gl3d::ampel_runs(nothing, &runs)) << nothing;
        EXPECT_TRUE(runs.empty()) << nothing;
    }
}

TEST(OverlayParse, MarkersLinesAndTextLinesInOrder) {
    Overlay o;
    gl3d::parse_overlay(
        "kollmarker 1 2 3;cline 1 0 0.5 0 0 0 10 20 30;text first;text  two blanks;"
        "text ampel 45 50 100;kollmarker 1 2;cline 1 0 0 1 2 3;texture 5;kollmarker 4,5,6",
        &o);
    ASSERT_EQ(o.markers.size(), 2u);  // the one with two numbers is no marker
    EXPECT_EQ(o.markers[0].at, (std::array<double, 3>{1, 2, 3}));
    EXPECT_EQ(o.markers[1].at, (std::array<double, 3>{4, 5, 6}));
    ASSERT_EQ(o.lines.size(), 1u);
    EXPECT_EQ(o.lines[0].colour, (std::array<double, 3>{1, 0, 0.5}));
    EXPECT_EQ(o.lines[0].to, (std::array<double, 3>{10, 20, 30}));
    ASSERT_EQ(o.texts.size(), 3u);
    EXPECT_EQ(o.texts[0].source, "first");
    EXPECT_EQ(o.texts[1].source, " two blanks");  // one blank after the word is the separator
    ASSERT_EQ(o.texts[2].runs.size(), 2u);
    EXPECT_EQ(o.texts[2].runs[1].text, "  45% ");
}

TEST(OverlayParse, TrailingBackslashJoinsWithTheNextTextItem) {
    Overlay o;
    gl3d::parse_overlay("text %c255000000red \\;kollmarker 0 0 0;text still red\\;text \\", &o);
    ASSERT_EQ(o.texts.size(), 1u);
    EXPECT_EQ(o.texts[0].source, "%c255000000red still red");
    ASSERT_EQ(o.texts[0].runs.size(), 1u);
    EXPECT_EQ(o.texts[0].runs[0].colour, (Rgb{255, 0, 0}));
    EXPECT_EQ(o.markers.size(), 1u);
}

TEST(OverlayParse, HostileTextsStayBounded) {
    // 10,000 items: the parser stops at its bound.
    std::string many;
    for (int i = 0; i < 10000; ++i) many += "text x;";
    Overlay o;
    gl3d::parse_overlay(many, &o);
    EXPECT_EQ(o.texts.size(), gl3d::kMaxOverlayItems);

    // A very long text and a very long joined text are cut.
    Overlay l;
    gl3d::parse_overlay("text " + std::string(100000, 'a') + ";text " + std::string(1000, 'b') +
                            "\\;text " + std::string(5000, 'c'),
                        &l);
    ASSERT_EQ(l.texts.size(), 2u);
    EXPECT_EQ(l.texts[0].source.size(), gl3d::kMaxOverlayTextLength);
    EXPECT_EQ(l.texts[1].source.size(), gl3d::kMaxOverlayTextLength);
    EXPECT_EQ(l.texts[1].source.back(), 'c');

    // Numbers that are not finite, or do not fit, make no marker and no line.
    Overlay n;
    gl3d::parse_overlay(
        "kollmarker nan 0 0;kollmarker 1e999 0 0;cline 1 1 1 inf 0 0 1 1 1;kollmarker 1e300 -1e300 "
        "0;kollmarker " +
            std::string(200, '9') + " 0 0",
        &n);
    ASSERT_EQ(n.markers.size(), 1u);  // 1e300 is finite; the drawing bounds it
    EXPECT_TRUE(n.lines.empty());

    // An unterminated quote and escape sequences at the very end.
    Overlay q;
    gl3d::parse_overlay("text \"abc;text %c", &q);
    ASSERT_EQ(q.texts.size(), 1u);
    EXPECT_TRUE(gl3d::text_runs("%c").empty());
    EXPECT_TRUE(gl3d::text_runs("%c123").empty());
}

}  // namespace
