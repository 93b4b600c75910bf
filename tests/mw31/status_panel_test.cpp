// Status panel: command splitting, joined lines, bar geometry, traffic light and colours.
#include "mw31/status_panel.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "mw31/recording_canvas.h"
#include "terminal_fake_backend.h"

namespace {

using mw31::DrawOp;
using mw31::Rgb;

// Also remembers the text colours in force at each text call.
class TextCanvas : public mw31::RecordingCanvas {
  public:
    struct Text {
        int x, y;
        std::string text;
        Rgb colour, background;
    };
    std::vector<Text> texts;
    std::vector<mw31::Rect> bars;

    void text_out(int x, int y, const std::string& text) override {
        RecordingCanvas::text_out(x, y, text);
        texts.push_back({x, y, text, text_colour(), text_background()});
    }
    void fill_rect(const mw31::Rect& r, const mw31::Brush& brush) override {
        RecordingCanvas::fill_rect(r, brush);
        EXPECT_EQ(brush.colour, (Rgb{255, 255, 255}));
        EXPECT_FALSE(brush.hollow);
        bars.push_back(r);
    }
    // The characters drawn at line top y, in order.
    std::string line_at(int y) const {
        std::string s;
        for (const Text& t : texts)
            if (t.y == y) s += t.text;
        return s;
    }
};

constexpr Rgb kBlack{0, 0, 0}, kWhite{255, 255, 255};

TEST(StatusCommands, SplitQuotedAndJoined) {
    using V = std::vector<std::string>;
    EXPECT_EQ(mw31::status_commands("text a;  text \"b;c\"; x"),
              (V{"text a", "text \"b;c\"", "x"}));
    EXPECT_EQ(mw31::status_lines("text first\\;text second"), (V{"firstsecond"}));
    EXPECT_EQ(mw31::status_lines("text a\\; pause 3; text b\\;text c;text d"), (V{"abc", "d"}));
    EXPECT_EQ(mw31::status_lines("texta; Text b; text ;other"), (V{""}));
    EXPECT_EQ(mw31::status_lines("text dangling\\"), (V{"dangling"}));
    EXPECT_EQ(mw31::status_lines(""), V{});
}

TEST(StatusPanel, BarsFromTheBottomAndTextPositions) {
    TextCanvas c;
    mw31::draw_status_panel(c, 640, 480, "text ab; text c");
    ASSERT_EQ(c.bars.size(), 2u);
    EXPECT_EQ(c.bars[0], (mw31::Rect{0, 458, 640, 480}));
    EXPECT_EQ(c.bars[1], (mw31::Rect{0, 436, 640, 458}));
    ASSERT_EQ(c.texts.size(), 3u);
    // Characters one by one from x = 5, one pixel below the bar's top.
    EXPECT_EQ(c.texts[0].x, 5);
    EXPECT_EQ(c.texts[0].y, 459);
    EXPECT_EQ(c.texts[0].text, "a");
    EXPECT_EQ(c.texts[1].x, 5 + 7);
    EXPECT_EQ(c.texts[1].text, "b");
    EXPECT_EQ(c.texts[2].x, 5);
    EXPECT_EQ(c.texts[2].y, 437);
    for (const auto& t : c.texts) {
        EXPECT_EQ(t.colour, kBlack);
        EXPECT_EQ(t.background, kWhite);
    }
    // Each bar is painted before its text.
    ASSERT_EQ(c.ops.front().kind, DrawOp::FillRect);
}

TEST(StatusPanel, JoinedLineIsOneBar) {
    TextCanvas c;
    mw31::draw_status_panel(c, 300, 200, "text first\\;text second");
    ASSERT_EQ(c.bars.size(), 1u);
    EXPECT_EQ(c.line_at(179), "firstsecond");
    EXPECT_EQ(c.texts.back().x, 5 + 7 * 10);
}

TEST(StatusPanel, QuotedSemicolonStaysInTheLine) {
    TextCanvas c;
    mw31::draw_status_panel(c, 300, 100, "text \"a;b\";   text c");
    ASSERT_EQ(c.bars.size(), 2u);
    EXPECT_EQ(c.line_at(79), "\"a;b\"");
    EXPECT_EQ(c.line_at(57), "c");
}

TEST(StatusPanel, TrafficLight) {
    struct Case {
        const char* text;
        Rgb field;
        const char* percent;
    } cases[] = {
        {"text ampel 30 50 100", {0, 200, 0}, "  30% "},
        {"text ampel 120 150 100", {255, 100, 100}, " 120% "},
        {"text ampel 60 50 100", {255, 220, 0}, "  60% "},
        {"text ampel 50 50 100", {0, 200, 0}, "  50% "},
        {"text ampel 1 50 3", {0, 200, 0}, "  33% "},
        {"text ampel 2 0.5 3", {255, 220, 0}, "  67% "},
    };
    for (const Case& k : cases) {
        TextCanvas c;
        mw31::draw_status_panel(c, 400, 300, k.text);
        ASSERT_GE(c.texts.size(), 2u) << k.text;
        EXPECT_EQ(c.texts[0].text, "     ");
        EXPECT_EQ(c.texts[0].x, 5);
        EXPECT_EQ(c.texts[0].y, 279);
        EXPECT_EQ(c.texts[0].background, k.field) << k.text;
        EXPECT_EQ(c.texts[1].text, k.percent);
        EXPECT_EQ(c.texts[1].x, 5 + 35);
        EXPECT_EQ(c.texts[1].background, kWhite);
    }
}

TEST(StatusPanel, TrafficLightRestAndOddNumbers) {
    TextCanvas c;
    mw31::draw_status_panel(c, 400, 300, "text ampel 30 50 100 Takte/min");
    EXPECT_EQ(c.line_at(279), "       30% Takte/min");
    EXPECT_EQ(c.texts[2].x, 5 + 35 + 42);

    TextCanvas zero;  // no rate: no field, the rest still drawn
    mw31::draw_status_panel(zero, 400, 300, "text ampel 30 50 0 rest");
    EXPECT_EQ(zero.line_at(279), "rest");

    TextCanvas bad;  // not three numbers: the text as it stands
    mw31::draw_status_panel(bad, 400, 300, "text ampel 30 x");
    EXPECT_EQ(bad.line_at(279), "ampel 30 x");

    TextCanvas huge;
    mw31::draw_status_panel(huge, 400, 300, "text ampel 1e300 1e300 1e-300");
    EXPECT_EQ(huge.texts.at(0).background, (Rgb{255, 100, 100}));
}

TEST(StatusPanel, ColourEscapes) {
    TextCanvas c;
    mw31::draw_status_panel(c, 400, 300, "text a%c255000000b%c999x12300c%c0");
    ASSERT_EQ(c.line_at(279), "abc");
    ASSERT_EQ(c.texts.size(), 3u);
    EXPECT_EQ(c.texts[0].colour, kBlack);
    EXPECT_EQ(c.texts[1].colour, (Rgb{255, 0, 0}));
    EXPECT_EQ(c.texts[1].x, 5 + 7) << "escapes take no room";
    // 999 clamps to 255, "x12" reads as 012, "300" clamps too.
    EXPECT_EQ(c.texts[2].colour, (Rgb{255, 12, 255}));

    // A second line starts black again.
    TextCanvas two;
    mw31::draw_status_panel(two, 400, 300, "text %c000000255a;text b");
    EXPECT_EQ(two.texts.at(0).colour, (Rgb{0, 0, 255}));
    EXPECT_EQ(two.texts.at(1).colour, kBlack);
}

TEST(StatusPanel, WindowClientArea) {
    mw31::WindowSpec window_spec;
    window_spec.client_width = 320;
    window_spec.client_height = 240;
    const kvtest::FakeWindow window(window_spec);
    TextCanvas c;
    mw31::draw_status_panel(window, c, "text x");
    ASSERT_EQ(c.bars.size(), 1u);
    EXPECT_EQ(c.bars[0], (mw31::Rect{0, 218, 320, 240}));
}

}  // namespace
