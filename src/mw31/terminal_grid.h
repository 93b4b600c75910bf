// The terminal's character grid as plain data: cells, cursor, control characters and
// scrolling, with no window involved, so that console behaviour can be checked directly.
#pragma once

#include <string>
#include <vector>

namespace mw31 {

constexpr int kBlankCell = 32;
// A sanity bound on rows; a console taller than this has no use and would only eat memory.
constexpr int kTerminalMaxRows = 500;

struct TerminalGrid {
    int rows = 0;
    int columns = 0;
    std::vector<int> cells;  // row-major; each holds a character (code point), blank is 32
    int cursor_column = 0;
    int cursor_row = 0;
};

// What putting one character did, so that the window can redraw just that much.
struct GridEffect {
    bool cell_written = false;  // the cell at (row, column) changed
    int row = 0, column = 0;
    bool cursor_moved = false;
    bool scrolled = false;
    bool bell = false;
    bool line_end = false;  // a 10 or 13 was handled
};

// Sizes outside 1..kTerminalMaxRows and 1..kTerminalMaxColumns are brought into range;
// zero or negative ones fall back to the default console size.
void grid_init(TerminalGrid& grid, int rows, int columns);
GridEffect grid_put_char(TerminalGrid& grid, int c);
// All cells blank; true if any cell was not blank before.
bool grid_clear(TerminalGrid& grid);
void grid_home(TerminalGrid& grid);
void grid_scroll(TerminalGrid& grid);
// Blank outside the grid.
int grid_cell(const TerminalGrid& grid, int row, int column);
// The row's characters as UTF-8, trailing blanks removed.
std::string grid_row_text(const TerminalGrid& grid, int row);

// Collects the bytes of UTF-8 sequences arriving one at a time. Bytes that do not form a
// valid sequence are taken as Latin-1 characters, so any input prints something.
struct Utf8Decoder {
    unsigned pending[4] = {0, 0, 0, 0};
    int count = 0;   // bytes collected
    int needed = 0;  // bytes the sequence needs in all
};
// Appends the characters that became complete with this byte to `out`.
void utf8_feed(Utf8Decoder& decoder, unsigned char byte, std::vector<int>* out);
// Hands out what an unfinished sequence collected, as Latin-1 characters.
void utf8_flush(Utf8Decoder& decoder, std::vector<int>* out);
std::string utf8_encode(int code_point);

}  // namespace mw31
