// One ANMNEU film as the merge reads it: head, info text, part definitions and each part's
// table of placements over the film's cycle.
#pragma once

#include <string>
#include <vector>

namespace film_out {

// Row j holds the cycle angle t = 360 j / F and the part's placement in frame j.
struct MergePartTable {
    std::vector<double> t, x, y, phi, sx, sy;
    size_t rows() const { return t.size(); }
};

struct MergePart {
    std::string begin_rest;         // the begin line after its number
    std::string heading[2];         // the two lines after the begin line
    std::string colour;             // the third line: the part's colour name
    std::vector<std::string> body;  // contour lines up to "end" (not included)
    MergePartTable table;
};

struct MergeSource {
    std::string name;                 // as the user named it
    int frames = 0;                   // F
    double window[4] = {0, 0, 0, 0};  // xmin, xmax, ymin, ymax as the film gives them
    std::vector<std::string> info;    // the lines of its info text
    std::vector<MergePart> parts;
};

// Reads the film `name` (a CAD export is unwrapped into a private temporary file first, which
// is removed again). part_room: parts this film may still add to the merge. 0, or 1 after a
// message through the message output. Throws std::bad_alloc when memory runs out.
int merge_read_film(const std::string& name, int part_room, MergeSource* source);

// Contour lines with their include files written out in place, so that the merged film
// draws the same wherever it is written. An included file starts with a fresh transform and
// the including lines go on with theirs, as when the contour reader follows an include. A
// file that cannot be found keeps its include line. Relative names are looked for in the
// current directory, then in include_directory.
std::vector<std::string> merge_contour_lines(const std::vector<std::string>& lines,
                                             const std::string& include_directory);

}  // namespace film_out
