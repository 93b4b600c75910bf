// Merge definitions: text files that name several ANMNEU films to be played as one.
#pragma once

#include <string>

namespace film_out {

constexpr int kMergeLineMax = 255;

// 1 when the file is a merge definition, else 0.
int merge_definition_detect(const std::string& name);

// The key of a definition line: the text before the first "=", without characters at or
// below the blank, in lower case. Empty when there is no "=".
std::string merge_line_key(const std::string& line);
bool is_merge_key(const std::string& key);

}  // namespace film_out
