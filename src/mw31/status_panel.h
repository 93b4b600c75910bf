// The status panel at the foot of the film window: lines of text in white bars, with a
// traffic light for the cycle rate and colour escapes.
#pragma once

#include <string>
#include <vector>

#include "mw31/canvas.h"
#include "mw31/window.h"

namespace mw31 {

constexpr int kStatusBarHeight = 22;
constexpr int kStatusTextX = 5;
constexpr Rgb kAmpelRed{255, 100, 100};
constexpr Rgb kAmpelYellow{255, 220, 0};
constexpr Rgb kAmpelGreen{0, 200, 0};

// The commands of a status text, split at ";" outside double quotes, blanks after a ";"
// skipped.
std::vector<std::string> status_commands(const std::string& text);
// The line texts of the "text " commands, a line ending in "\" joined with the next.
std::vector<std::string> status_lines(const std::string& text);

// Draws line k in a white bar whose top is 22 * (k + 1) above the bottom of the client area.
// A line "ampel A B C ..." with C > 0 starts with a five-blank field, red when C < A, yellow
// when A > B, else green, and the percentage A / C; "%cRRRGGGBBB" sets the text colour.
void draw_status_panel(Canvas& canvas, int client_width, int client_height,
                       const std::string& text);
void draw_status_panel(const Window& window, Canvas& canvas, const std::string& text);

}  // namespace mw31
