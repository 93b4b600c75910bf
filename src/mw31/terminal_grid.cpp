// Console semantics of the terminal grid: output of characters and control characters.
#include "mw31/terminal_grid.h"

#include <algorithm>

#include "mw31/terminal.h"

namespace mw31 {

void grid_init(TerminalGrid& grid, int rows, int columns) {
    if (rows <= 0) rows = kTerminalRows;
    if (columns <= 0) columns = kTerminalColumns;
    grid.rows = std::min(rows, kTerminalMaxRows);
    grid.columns = std::min(columns, kTerminalMaxColumns);
    grid.cells.assign(size_t(grid.rows) * size_t(grid.columns), kBlankCell);
    grid.cursor_column = 0;
    grid.cursor_row = 0;
}

void grid_scroll(TerminalGrid& grid) {
    if (grid.rows <= 0) return;
    auto row_start = grid.cells.begin() + grid.columns;
    std::copy(row_start, grid.cells.end(), grid.cells.begin());
    std::fill(grid.cells.end() - grid.columns, grid.cells.end(), kBlankCell);
}

GridEffect grid_put_char(TerminalGrid& grid, int c) {
    GridEffect effect;
    if (grid.rows <= 0 || grid.columns <= 0) return effect;
    const int old_column = grid.cursor_column, old_row = grid.cursor_row;
    if (c >= ' ') {
        // The last column is never written: lines do not wrap, the rest is dropped.
        if (grid.cursor_column >= grid.columns - 1) return effect;
        grid.cells[size_t(grid.cursor_row) * grid.columns + grid.cursor_column] = c;
        effect.cell_written = true;
        effect.row = grid.cursor_row;
        effect.column = grid.cursor_column;
        ++grid.cursor_column;
    } else {
        switch (c) {
            case 7:
                effect.bell = true;
                break;
            case 8:
                if (grid.cursor_column > 0) --grid.cursor_column;
                break;
            case 9:
                grid.cursor_column -= grid.cursor_column % 8;
                break;
            case 10:
                effect.line_end = true;
                grid.cursor_column = 0;
                if (grid.cursor_row + 1 >= grid.rows) {
                    grid_scroll(grid);
                    effect.scrolled = true;
                } else {
                    ++grid.cursor_row;
                }
                break;
            case 11:
                if (grid.cursor_row > 0) --grid.cursor_row;
                break;
            case 13:
                effect.line_end = true;
                grid.cursor_column = 0;
                break;
            default:
                break;  // other control characters print nothing
        }
    }
    effect.cursor_moved = grid.cursor_column != old_column || grid.cursor_row != old_row;
    return effect;
}

bool grid_clear(TerminalGrid& grid) {
    bool changed = false;
    for (int& cell : grid.cells) {
        if (cell != kBlankCell) {
            cell = kBlankCell;
            changed = true;
        }
    }
    return changed;
}

void grid_home(TerminalGrid& grid) {
    grid.cursor_column = 0;
    grid.cursor_row = 0;
}

int grid_cell(const TerminalGrid& grid, int row, int column) {
    if (row < 0 || row >= grid.rows || column < 0 || column >= grid.columns) return kBlankCell;
    return grid.cells[size_t(row) * grid.columns + column];
}

std::string grid_row_text(const TerminalGrid& grid, int row) {
    int end = grid.columns;
    while (end > 0 && grid_cell(grid, row, end - 1) == kBlankCell) --end;
    std::string text;
    for (int column = 0; column < end; ++column) text += utf8_encode(grid_cell(grid, row, column));
    return text;
}

namespace {
int sequence_length(unsigned char lead) {
    if (lead >= 0xC2 && lead <= 0xDF) return 2;
    if (lead >= 0xE0 && lead <= 0xEF) return 3;
    if (lead >= 0xF0 && lead <= 0xF4) return 4;
    return 1;
}
}  // namespace

void utf8_feed(Utf8Decoder& d, unsigned char byte, std::vector<int>* out) {
    if (d.count > 0) {
        if ((byte & 0xC0) == 0x80) {
            d.pending[d.count++] = byte;
            if (d.count < d.needed) return;
            int cp = int(d.pending[0]) & (0xFF >> (d.needed + 1));
            for (int i = 1; i < d.needed; ++i) cp = (cp << 6) | (int(d.pending[i]) & 0x3F);
            const bool overlong = (d.needed == 3 && cp < 0x800) || (d.needed == 4 && cp < 0x10000);
            const bool bad = overlong || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF);
            if (bad) {
                utf8_flush(d, out);
            } else {
                out->push_back(cp);
                d.count = 0;
            }
            return;
        }
        // Broken sequence: what was collected is Latin-1 text, this byte starts afresh.
        utf8_flush(d, out);
    }
    const int length = sequence_length(byte);
    if (length == 1) {
        out->push_back(byte);
        return;
    }
    d.pending[0] = byte;
    d.count = 1;
    d.needed = length;
}

void utf8_flush(Utf8Decoder& d, std::vector<int>* out) {
    for (int i = 0; i < d.count; ++i) out->push_back(int(d.pending[i]));
    d.count = 0;
}

std::string utf8_encode(int cp) {
    std::string s;
    if (cp < 0 || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) cp = '?';
    if (cp < 0x80) {
        s += char(cp);
    } else if (cp < 0x800) {
        s += char(0xC0 | (cp >> 6));
        s += char(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        s += char(0xE0 | (cp >> 12));
        s += char(0x80 | ((cp >> 6) & 0x3F));
        s += char(0x80 | (cp & 0x3F));
    } else {
        s += char(0xF0 | (cp >> 18));
        s += char(0x80 | ((cp >> 12) & 0x3F));
        s += char(0x80 | ((cp >> 6) & 0x3F));
        s += char(0x80 | (cp & 0x3F));
    }
    return s;
}

}  // namespace mw31
