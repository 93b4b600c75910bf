// The overlay command language of the 3D window: a frame's extra text and the window's status
// text, items separated by ";", read into collision markers, coloured lines and text lines.
// Pure: no GL here.
#pragma once

#include <array>
#include <string>
#include <string_view>
#include <vector>

#include "mw31/text_line_bitmap.h"

namespace gl3d {

constexpr int kOverlayLineHeight = 22;     // pixels per text line
constexpr int kOverlayBitmapWidth = 2000;  // width of a text line bitmap
constexpr int kOverlayMinTextWidth = 400;  // narrower windows show no text lines
// Bounds that keep a hostile command text from costing more than a frame can afford.
constexpr size_t kMaxOverlayItems = 4096;
constexpr size_t kMaxOverlayTextLength = 1024;

struct CollisionMarker {
    std::array<double, 3> at{};
};

struct OverlayLine {
    std::array<double, 3> colour{};  // components 0..1
    std::array<double, 3> from{}, to{};
};

// One text line: its runs (colour escapes resolved) and the text it came from (the cache key).
struct OverlayTextLine {
    std::string source;
    std::vector<mw31::TextRun> runs;
};

struct Overlay {
    std::vector<CollisionMarker> markers;
    std::vector<OverlayLine> lines;
    std::vector<OverlayTextLine> texts;  // bottom line first
};

// Splits at ";" outside double quotes (the quotes stay); leading characters below "!" are
// skipped and empty items dropped. At most kMaxOverlayItems items.
std::vector<std::string_view> split_overlay_items(std::string_view commands);

// A text with colour escapes "%c" + up to nine digits RRRGGGBBB (a missing digit counts as 0,
// a component above 255 as 255; black before the first escape) as runs.
std::vector<mw31::TextRun> text_runs(std::string_view text);

// A progress box "ampel v w m": five blanks on light red when v > m, aqua when v > w, else
// blue, then " %4d%% " of trunc(v / m * 100 + 0.5). False (nothing drawn) when the text is no
// ampel item, m <= 0 or a number is missing or not finite.
bool ampel_runs(std::string_view text, std::vector<mw31::TextRun>* runs);

// Reads a whole command text into what it draws (appended to *overlay). A text item ending in
// a backslash is joined with the next text item into one line.
void parse_overlay(std::string_view commands, Overlay* overlay);

}  // namespace gl3d
