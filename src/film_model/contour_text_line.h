// Line input shared by the contour and ANMNEU readers: lines of any length are read safely
// and kept to the 255 characters the formats allow.
#pragma once

#include <cstdio>
#include <string>
#include <string_view>

namespace film {

// Longest line the text formats allow; longer lines are cut to this length.
constexpr int kMaxTextLine = 255;

// Reads the next line without its line end (a trailing carriage return is dropped too, so
// files written with CR LF read alike). False at the end of the stream when nothing was read.
// *cut is set when the line was longer than kMaxTextLine and its rest was dropped.
bool read_text_line_cut(FILE* stream, std::string* line, bool* cut);

// "word" alone, or followed only by characters below '!' (blanks, tabs, control characters).
bool is_word_line(std::string_view line, std::string_view word);

// Standard decimal conversion of a leading number; a value that is not finite reads as 0,
// so that no reader hands on infinities or NaN.
double parse_real(std::string_view text);
// Standard integer conversion, clamped to the int range.
int parse_int(std::string_view text);

}  // namespace film
