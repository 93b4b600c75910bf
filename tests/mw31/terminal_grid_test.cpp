// Console output on the bare grid: the last column, control characters, scrolling, and
// characters that arrive as UTF-8 bytes.
#include "mw31/terminal_grid.h"

#include <gtest/gtest.h>

#include <string>

#include "mw31/terminal.h"

namespace mw31 {
namespace {

void put(TerminalGrid& g, const std::string& text) {
    Utf8Decoder d;
    std::vector<int> codes;
    for (char c : text) utf8_feed(d, static_cast<unsigned char>(c), &codes);
    for (int code : codes) grid_put_char(g, code);
}

TEST(TerminalGrid, LastColumnIsNeverWrittenAndLinesDoNotWrap) {
    TerminalGrid g;
    grid_init(g, 25, 80);
    put(g, std::string(81, 'x'));
    EXPECT_EQ(grid_row_text(g, 0), std::string(79, 'x'));
    EXPECT_EQ(grid_cell(g, 0, 79), kBlankCell);
    EXPECT_EQ(g.cursor_column, 79);
    EXPECT_EQ(grid_row_text(g, 1), "");
    put(g, "more");  // still dropped
    EXPECT_EQ(grid_row_text(g, 0), std::string(79, 'x'));
    put(g, "\nab");
    EXPECT_EQ(grid_row_text(g, 1), "ab");
    EXPECT_EQ(g.cursor_column, 2);
}

TEST(TerminalGrid, LineFeedOnTheLastRowScrollsUpByOneRow) {
    TerminalGrid g;
    grid_init(g, 3, 10);
    put(g, "one\ntwo\nthree");
    EXPECT_EQ(g.cursor_row, 2);
    const GridEffect e = grid_put_char(g, '\n');
    EXPECT_TRUE(e.scrolled);
    EXPECT_EQ(grid_row_text(g, 0), "two");
    EXPECT_EQ(grid_row_text(g, 1), "three");
    EXPECT_EQ(grid_row_text(g, 2), "");
    EXPECT_EQ(g.cursor_row, 2);
    EXPECT_EQ(g.cursor_column, 0);
    // A line feed above the last row only moves.
    g.cursor_row = 0;
    EXPECT_FALSE(grid_put_char(g, '\n').scrolled);
    EXPECT_EQ(grid_row_text(g, 0), "two");
}

TEST(TerminalGrid, ControlCharactersMoveTheCursorWithinTheGrid) {
    TerminalGrid g;
    grid_init(g, 5, 40);
    grid_put_char(g, 8);  // backspace at column 0 stays
    EXPECT_EQ(g.cursor_column, 0);
    put(g, "abcdefghijklm");  // column 13
    grid_put_char(g, 9);      // tab goes back to the stop at or below
    EXPECT_EQ(g.cursor_column, 8);
    grid_put_char(g, 9);  // already on a stop: stays
    EXPECT_EQ(g.cursor_column, 8);
    grid_put_char(g, 8);
    EXPECT_EQ(g.cursor_column, 7);
    put(g, "Z");
    EXPECT_EQ(grid_row_text(g, 0), "abcdefgZijklm");
    grid_put_char(g, 11);  // up on the first row stays
    EXPECT_EQ(g.cursor_row, 0);
    put(g, "\n\n");
    grid_put_char(g, 11);
    EXPECT_EQ(g.cursor_row, 1);
    put(g, "xyz\r");
    EXPECT_EQ(g.cursor_column, 0);
    EXPECT_EQ(g.cursor_row, 1);
    EXPECT_TRUE(grid_put_char(g, 7).bell);
    EXPECT_TRUE(grid_put_char(g, 13).line_end);
    // Other control characters leave everything as it was.
    const auto before = g.cells;
    EXPECT_FALSE(grid_put_char(g, 1).cursor_moved);
    EXPECT_EQ(g.cells, before);
}

TEST(TerminalGrid, ClearReportsWhetherAnythingChanged) {
    TerminalGrid g;
    grid_init(g, 2, 5);
    EXPECT_FALSE(grid_clear(g));
    put(g, "a");
    EXPECT_TRUE(grid_clear(g));
    EXPECT_EQ(grid_row_text(g, 0), "");
    EXPECT_EQ(g.cursor_column, 1);  // clearing does not home
    grid_home(g);
    EXPECT_EQ(g.cursor_column, 0);
}

TEST(TerminalGrid, SizesAreBroughtIntoRange) {
    TerminalGrid g;
    grid_init(g, 0, -3);
    EXPECT_EQ(g.rows, kTerminalRows);
    EXPECT_EQ(g.columns, kTerminalColumns);
    grid_init(g, 100000, 500);
    EXPECT_EQ(g.rows, kTerminalMaxRows);
    EXPECT_EQ(g.columns, kTerminalMaxColumns);
    EXPECT_EQ(g.cells.size(), size_t(kTerminalMaxRows) * kTerminalMaxColumns);
    grid_init(g, 1, 1);  // a single cell is the last column: nothing is ever written
    put(g, "abc\n");
    EXPECT_EQ(grid_cell(g, 0, 0), kBlankCell);
    EXPECT_EQ(grid_cell(g, -1, 7), kBlankCell);
}

TEST(TerminalGrid, Utf8TakesOneCellPerCharacterAndBadBytesStillPrint) {
    TerminalGrid g;
    grid_init(g, 3, 20);
    put(g,
        "Gr\xC3\xB6\xC3\x9F"
        "e");
    EXPECT_EQ(g.cursor_column, 5);
    EXPECT_EQ(grid_cell(g, 0, 2), 0xF6);
    EXPECT_EQ(grid_row_text(g, 0),
              "Gr\xC3\xB6\xC3\x9F"
              "e");
    // A lone Latin-1 byte and a broken sequence are shown as Latin-1 characters.
    put(g,
        "\n\xE4"
        "a\xC3\n");
    EXPECT_EQ(grid_cell(g, 1, 0), 0xE4);
    EXPECT_EQ(grid_cell(g, 1, 1), 'a');
    EXPECT_EQ(grid_cell(g, 1, 2), 0xC3);
    EXPECT_EQ(g.cursor_row, 2);
    // Overlong and surrogate encodings are not decoded into characters.
    std::vector<int> codes;
    Utf8Decoder d;
    for (unsigned char b : {0xE0, 0x80, 0xAF, 0xED, 0xA0, 0x80}) utf8_feed(d, b, &codes);
    EXPECT_EQ(codes, (std::vector<int>{0xE0, 0x80, 0xAF, 0xED, 0xA0, 0x80}));
    EXPECT_EQ(utf8_encode(0x1F600), "\xF0\x9F\x98\x80");
    EXPECT_EQ(utf8_encode(-5), "?");
}

TEST(TerminalGrid, AnyBytesKeepTheCursorInsideTheGrid) {
    TerminalGrid g;
    grid_init(g, 4, 9);
    unsigned state = 12345;
    std::string bytes;
    for (int i = 0; i < 20000; ++i) {
        state = state * 1103515245u + 12345u;
        bytes += char(state >> 16);
    }
    Utf8Decoder d;
    std::vector<int> codes;
    for (char c : bytes) {
        codes.clear();
        utf8_feed(d, static_cast<unsigned char>(c), &codes);
        for (int code : codes) {
            grid_put_char(g, code);
            ASSERT_TRUE(g.cursor_row >= 0 && g.cursor_row < g.rows);
            ASSERT_TRUE(g.cursor_column >= 0 && g.cursor_column < g.columns);
        }
    }
    EXPECT_EQ(g.cells.size(), 36u);
    for (int row = 0; row < g.rows; ++row) EXPECT_EQ(grid_cell(g, row, 8), kBlankCell);
}

}  // namespace
}  // namespace mw31
