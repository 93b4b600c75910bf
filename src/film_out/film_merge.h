// The FLM merge: several ANMNEU films, each shifted, turned, repeated in time and run at its
// own speed ratio, written as one ANMNEU film.
#pragma once

#include <string>
#include <vector>

#include "film_out/merge_tables.h"

namespace film_out {

// One film copy of a merge.
struct MergeEntry {
    std::string film;  // file name of the ANMNEU film (or of a CAD export wrapping one)
    double dx = 0, dy = 0;
    double dw = 0;     // rotation, radians
    double i = 1;      // cycles of this film per cycle of the merged film
    double phase = 0;  // degrees
};

// Reads every entry's film and writes the merged film to output_name (written beside it and
// renamed when complete). step_count >= 1 fixes the frame count, otherwise it follows the
// films' frame counts. 0 when the merged film was written; 1 after a message through the
// message output for every failure (no films, too many, a film that cannot be read, an
// output that cannot be written): then nothing was written, and an older file of that name
// is as it was. The frames' labels name the output's last path component.
int vereinigung_flm_files(const std::vector<MergeEntry>& entries, const std::string& output_name,
                          int step_count);

// What a merge of these entries would write, read from the films without writing anything:
// the parts, the frame count, the total window fitted to the aspect 1.3, and each entry's
// frame count. 0, or 1 after a message (a film cannot be read, too many parts, no entries).
struct MergeSummary {
    int parts = 0;
    int steps = 0;
    double xmin = 0, xmax = 0, ymin = 0, ymax = 0;
    std::vector<int> frames;
};
int merge_summary(const std::vector<MergeEntry>& entries, int step_count, MergeSummary* summary);

}  // namespace film_out
