// Recognition by name, by first line, and by the share of definition lines.
#include "film_out/merge_definition.h"

#include <array>
#include <cctype>
#include <cstdio>

namespace film_out {

namespace {

std::string lower(std::string s) {
    for (char& c : s) c = char(std::tolower(static_cast<unsigned char>(c)));
    return s;
}

// A line without its line end; false at the end of the file. `too_long` reports lines of
// kMergeLineMax characters or more (they are still consumed whole).
bool read_line(FILE* f, std::string* line, bool* too_long) {
    line->clear();
    *too_long = false;
    int c;
    bool any = false;
    while ((c = std::fgetc(f)) != EOF) {
        any = true;
        if (c == '\n') break;
        if (line->size() < size_t(kMergeLineMax) + 1) *line += char(c);
    }
    if (!line->empty() && line->back() == '\r') line->pop_back();
    *too_long = line->size() >= size_t(kMergeLineMax);
    return any;
}

}  // namespace

std::string merge_line_key(const std::string& line) {
    const size_t eq = line.find('=');
    if (eq == std::string::npos) return {};
    std::string key;
    for (size_t i = 0; i < eq; ++i)
        if (static_cast<unsigned char>(line[i]) > ' ') key += line[i];
    return lower(key);
}

bool is_merge_key(const std::string& key) {
    static const std::array<const char*, 25> kKeys = {
        "out",    "outfile", "nstep",  "anzahl",       "schritte", "kopien", "nkopien",  "n",
        "dx",     "x",       "deltax", "dy",           "y",        "deltay", "dw",       "w",
        "deltaw", "i",       "uebers", "uebersetzung", "phi",      "dphi",   "deltaphi", "film",
        "file"};
    if (key == "datei") return true;
    for (const char* k : kKeys)
        if (key == k) return true;
    return false;
}

int merge_definition_detect(const std::string& name) {
    const std::string lname = lower(name);
    if (lname.size() >= 4 && lname.compare(lname.size() - 4, 4, ".txt") == 0) return 1;

    FILE* f = std::fopen(name.c_str(), "rb");
    if (!f) return 0;
    std::string line;
    bool too_long = false;
    if (!read_line(f, &line, &too_long) || too_long) {
        std::fclose(f);
        return 0;
    }
    const std::string first = lower(line);
    if (first == "flmvereinigung" || first.rfind("film=", 0) == 0) {
        std::fclose(f);
        return 1;
    }

    std::rewind(f);
    int lines = 0, key_lines = 0;
    while (read_line(f, &line, &too_long)) {
        if (too_long) {
            std::fclose(f);
            return 0;
        }
        if (!line.empty() && line[0] == '#') continue;
        ++lines;
        if (line.find('=') != std::string::npos && is_merge_key(merge_line_key(line))) ++key_lines;
    }
    std::fclose(f);
    if (lines >= 6 && key_lines * 10 < lines * 9) return 0;
    // At least one key line: otherwise an empty file or any one-line film would count.
    return key_lines >= 1 && key_lines >= lines - 1 ? 1 : 0;
}

}  // namespace film_out
