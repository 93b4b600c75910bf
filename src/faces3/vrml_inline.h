// Expansion of WWWInline nodes: the named files are copied in place of the nodes,
// recursively, so that the importer reads one self-contained text.
#pragma once

#include <string>
#include <string_view>

#include "faces3/vrml_tokens.h"

namespace faces3_vrml {

inline constexpr const char* kVrmlHeader = "#VRML V1.0 ascii";
// Inline files expanded in one run; guards against files that include each other in
// ever growing trees.
inline constexpr int kVrmlMaxInlineFiles = 1024;
// Nesting depth of inline files.
inline constexpr int kVrmlMaxInlineDepth = 64;
// Size of the expanded text.
inline constexpr std::size_t kVrmlMaxExpandedBytes = std::size_t{1} << 30;

// True when the first line of text is the VRML 1.0 header (a trailing carriage return or a
// comment after a blank is allowed). rest receives the offset after the first line.
bool vrml_header_ok(std::string_view text, std::size_t& rest);

// Reads a whole file. False when it cannot be opened.
bool vrml_read_file(const std::string& name, VrmlText& text);

// Expands the file into out (header line first). caller names the function for the
// open-failure message of the source; report_source_open false keeps that one silent.
// Returns 0, or 1 on failure (a message was shown, except for the silent case).
int vrml_expand_inlines(const std::string& source, VrmlText& out, const char* caller,
                        bool report_source_open);

// The directory for temporary files: $KURVLAB_PRIVATE_TMPDIR when set (the running program's
// private folder; "" when it has none), else $TMPDIR, else /tmp.
std::string vrml_temp_dir();

}  // namespace faces3_vrml
