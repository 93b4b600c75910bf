// Recognition by name, by first line, and by the share of definition lines.
#include "film_out/merge_definition.h"

#include <unistd.h>

#include <array>
#include <cctype>
#include <cmath>
#include <cstdio>

#include "film_model/contour_text_line.h"
#include "mw31/choose_film_file.h"
#include "mw31/file_services.h"
#include "mw31/format.h"

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

bool in(const std::string& key, std::initializer_list<const char*> names) {
    for (const char* n : names)
        if (key == n) return true;
    return false;
}

std::string directory_of(const std::string& name) {
    const size_t slash = name.find_last_of('/');
    if (slash == std::string::npos) return std::string();
    return slash == 0 ? std::string("/") : name.substr(0, slash);
}

std::string beside(const std::string& dir, const std::string& name) {
    if (name.empty() || name[0] == '/' || dir.empty()) return name;
    return dir == "/" ? "/" + name : dir + "/" + name;
}

// A film named relative to the definition; one that only the current folder has, as
// definitions were always read, is taken from there.
std::string film_beside(const std::string& dir, const std::string& name) {
    const std::string there = beside(dir, name);
    if (there != name && ::access(there.c_str(), F_OK) != 0 && ::access(name.c_str(), F_OK) == 0)
        return name;
    return there;
}

int integer_value(const std::string& v) {
    return film::parse_int(v);
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

int merge_definition_read(const std::string& name, const std::string& output_default,
                          int step_default, MergeDefinition* def) {
    *def = MergeDefinition{};
    const std::string dir = directory_of(mw31::native_file_name(name));
    def->output_name = output_default.empty() ? beside(dir, kMergeDefaultOutput) : output_default;
    def->step_count = step_default;
    FILE* f = mw31::open_file(name, "rb");
    if (!f) {
        mw31::message_printf("kann Datei nicht oeffnen / cannot open file %s", name.c_str());
        return 1;
    }
    int copies = 1;
    MergeEntry setting;
    double first_phase = 0;
    std::string line;
    int result = 0;
    while (result == 0 && mw31::read_whole_line(f, &line)) {
        if (!line.empty() && line[0] == '#') continue;
        const size_t eq = line.find('=');
        if (eq == std::string::npos) continue;
        const std::string key = merge_line_key(line);
        size_t from = eq + 1, to = line.size();
        while (from < to && static_cast<unsigned char>(line[from]) <= ' ') ++from;
        while (to > from && static_cast<unsigned char>(line[to - 1]) <= ' ') --to;
        const std::string value = line.substr(from, to - from);
        if (in(key, {"out", "outfile"})) {
            def->output_name = beside(dir, mw31::native_file_name(value));
        } else if (in(key, {"nstep", "anzahl", "schritte"})) {
            def->step_count = integer_value(value);
        } else if (in(key, {"kopien", "nkopien", "n"})) {
            copies = integer_value(value);
        } else if (in(key, {"dx", "x", "deltax"})) {
            setting.dx = film::parse_real(value);
        } else if (in(key, {"dy", "y", "deltay"})) {
            setting.dy = film::parse_real(value);
        } else if (in(key, {"dw", "w", "deltaw"})) {
            setting.dw = film::parse_real(value) * M_PI / 180.0;
        } else if (in(key, {"i", "uebers", "uebersetzung"})) {
            setting.i = film::parse_real(value);
        } else if (in(key, {"phi", "dphi", "deltaphi"})) {
            first_phase = film::parse_real(value);
        } else if (in(key, {"film", "file", "datei"})) {
            MergeEntry entry = setting;
            entry.film = value.empty() ? value : film_beside(dir, mw31::native_file_name(value));
            for (int c = 0; c < copies; ++c) {
                if (def->entries.size() >= size_t(kMergeMaxEntries)) {
                    mw31::message_printf("zu viele Filme / too many animations");
                    result = 1;
                    break;
                }
                entry.phase = first_phase + 360.0 * double(c) / double(copies);
                def->entries.push_back(entry);
            }
        }
    }
    mw31::close_file(f);
    return result;
}

int merge_definition_run(const std::string& definition_name, std::string* output_name,
                         int step_count) {
    std::string name = definition_name;
    if (name.empty() && mw31::choose_film_file(".", &name, kMergeDefinitionFilter) != 0) return 1;
    MergeDefinition def;
    const int read = merge_definition_read(name, output_name ? *output_name : std::string(),
                                           step_count > 0 ? step_count : 0, &def);
    if (output_name) *output_name = def.output_name;
    if (read != 0) return 1;
    return vereinigung_flm_files(def.entries, def.output_name, def.step_count);
}

}  // namespace film_out
