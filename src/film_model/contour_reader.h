// The contour definition reader: turns the line-oriented contour language (t, T, q, n, m,
// d, c, f, i, grad, rad, end) into contour elements.
#pragma once

#include <cstdio>
#include <string>
#include <vector>

#include "film_model/contour_element.h"

namespace film {

// Include files may include others; deeper nesting is refused (it can only be a loop).
constexpr int kMaxIncludeDepth = 16;
// Includes opened by one contour at most, so that files including each other several times
// cannot make reading take forever.
constexpr int kMaxIncludeOpens = 1000;

// Reads contour lines from the stream's current position up to a line "end" (the stream is
// left after it) or the end of the stream. At most max elements are written from
// elements[0]; *count_out receives how many. A full table is reported once and the rest of
// the contour is skipped. Returns 0.
int do_load_detail_def(FILE* stream, ContourElement* elements, int* count_out, int max);

// Where relative include names are also looked for when the current directory does not
// have them (the directory of the film being read); empty for none.
void set_contour_include_directory(const std::string& directory);

// Room a contour made of these lines needs: one per line plus, for every include line, the
// lines of the included file (and of its includes), so that shared contours fit.
int contour_room_for_lines(const std::vector<std::string>& lines);

// Splits a command's argument text: blanks, tabs, commas and semicolons separate; a part in
// double quotes or back-quotes stays one argument, quotes included.
std::vector<std::string> split_contour_arguments(const std::string& text);

}  // namespace film
