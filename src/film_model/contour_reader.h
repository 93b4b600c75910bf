// The contour definition reader: turns the line-oriented contour language (t, T, q, n, m,
// d, c, f, i, grad, rad, end) into contour elements.
#pragma once

#include <cstdio>
#include <set>
#include <string>
#include <vector>

#include "film_model/contour_element.h"
#include "film_model/reader_report.h"

namespace film {

// Include files may include others; deeper nesting is refused (it can only be a loop).
constexpr int kMaxIncludeDepth = 16;
// Includes opened by one contour at most, so that files including each other several times
// cannot make reading take forever.
constexpr int kMaxIncludeOpens = 1000;

// How a contour is read: where relative include names are also looked for when the current
// directory does not have them (the directory of the film being read; empty for none), the
// word of the line that ends a contour, the name its messages start with, and where they go.
struct ContourReading {
    std::string include_directory;
    std::string end_word = "end";
    std::string message_name = "do_load_detail_def";
    ReportFn report = report_to_user;
    // Include files found missing and already said, shared by the contours of one film so
    // that each is named once; null: once per contour.
    std::set<std::string>* missing_said = nullptr;
};

// Reads contour lines from the stream's current position up to the end line (the stream is
// left after it) or the end of the stream. At most max elements are written from
// elements[0]; *count_out receives how many. A full table is reported once and the rest of
// the contour is skipped. Returns 0.
int do_load_detail_def(FILE* stream, ContourElement* elements, int* count_out, int max,
                       const ContourReading& reading = {});

// Room a contour made of these lines needs: one per line plus, for every include line, the
// lines of the included file (and of its includes), so that shared contours fit.
int contour_room_for_lines(const std::vector<std::string>& lines,
                           const ContourReading& reading = {});

// Splits a command's argument text: blanks, tabs, commas and semicolons separate; a part in
// double quotes or back-quotes stays one argument, quotes included.
std::vector<std::string> split_contour_arguments(const std::string& text);

}  // namespace film
