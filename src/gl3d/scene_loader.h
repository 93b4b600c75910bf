// Reading an ANM3D animation into the 3D scene.
#pragma once

#include <cstddef>
#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

#include "film_model/reader_report.h"
#include "gl3d/scene.h"

namespace gl3d {

struct LoadOptions {
    // Messages meant for the user (header errors, full stores, mesh import errors).
    film::ReportFn report = film::report_to_user;
    // Diagnostic lines of the mesh library (body sizes); empty drops them.
    film::ReportFn terminal;
    // Where the info text goes; empty means mw31::temp_info_name().
    std::string info_name;
};

// Reads the file into *scene (clearing what it held once the header is accepted).
// 0 on success, 1 on failure (after a message).
int load_scene(const std::string& file_name, Scene* scene, const LoadOptions& options = {});
// The same from an open stream (read from its start); file_name is used in messages and
// relative names of VRML and include files are also looked for beside it.
int load_scene_stream(std::FILE* stream, const std::string& file_name, Scene* scene,
                      const LoadOptions& options = {});

// What one pass over the whole file finds before it is read: the room the extra texts of the
// largest frame record need (at least 65536), and the number of frame records.
struct PreScan {
    size_t extra_text_room = 65536;
    size_t frame_records = 0;
};
PreScan prescan_scene_file(std::FILE* stream);

// Tokens of a line: runs of blanks, tabs, commas and semicolons separate; a token that begins
// with a double quote or a back quote runs to the matching quote and keeps both quotes.
void split_scene_tokens(std::string_view line, std::vector<std::string_view>* tokens);

// Reads up to max numbers from tokens[first...] into out, stopping at the first token that is
// no finite decimal number (the values after it keep what they held). Returns how many were
// read; *bad is set when a token was not a finite number.
int read_scene_numbers(const std::vector<std::string_view>& tokens, size_t first, double* out,
                       int max, bool* bad);

// The same as read_scene_numbers(tokens of line, 0, ...) without making the tokens; the
// placement lines of the frame records are read this way.
int read_scene_line_numbers(std::string_view line, double* out, int max, bool* bad);

}  // namespace gl3d
