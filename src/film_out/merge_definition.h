// Merge definitions: text files that name several ANMNEU films to be played as one.
#pragma once

#include <string>
#include <vector>

#include "film_out/film_merge.h"

namespace film_out {

constexpr int kMergeLineMax = 255;

// 1 when the file is a merge definition, else 0.
int merge_definition_detect(const std::string& name);

// The key of a definition line: the text before the first "=", without characters at or
// below the blank, in lower case. Empty when there is no "=".
std::string merge_line_key(const std::string& line);
bool is_merge_key(const std::string& key);

// Filter of the dialog that asks for a definition.
constexpr const char* kMergeDefinitionFilter = "Gesamtfilm-Dateien *.txt|*.txt|Alle Dateien|*.*|";
constexpr const char* kMergeDefaultOutput = "gesamt.flm";

// What a definition asks for.
struct MergeDefinition {
    std::vector<MergeEntry> entries;
    std::string output_name;
    int step_count = 0;
};

// Reads a definition: the keys and their aliases, settings that hold for every later film
// line, kopien entries per film line. Relative film and output names are taken in the
// definition's folder (a film found only from the current folder is taken from there).
// output_default: the output name unless the definition names one ("": gesamt.flm beside the
// definition); step_default: the step count unless the definition gives one. 0, or 1 after a
// message (cannot be read, more than 1024 entries).
int merge_definition_read(const std::string& name, const std::string& output_default,
                          int step_default, MergeDefinition* definition);

// The merge of a definition file: an empty name asks for one with the open-file dialog
// (start directory "."); *output_name, when not empty, is the output name unless the
// definition names one, and receives the name written. 0 when the merged film was written
// and may be played; 1 for every failure (said already, or the dialog was cancelled), and
// then nothing was written.
int merge_definition_run(const std::string& definition_name, std::string* output_name,
                         int step_count);

}  // namespace film_out
