// Recognising what kind of film a file holds from its first bytes.
#pragma once

#include <cstdio>
#include <string>

namespace kurvlab {

constexpr int kUsercoorAttempts = 1000;
constexpr int kHeadBytes = 80;

// The word "usercoor" within the first attempts: an attempt reads bytes while they match the
// word in sequence; the first byte that does not match ends it and is not looked at again.
bool contains_usercoor(FILE* file);

// The first 80 bytes; bytes past the end of the file read as 0xFF. Empty when unreadable.
std::string read_film_head(const std::string& name);

// A CAD export that wraps an ANMNEU film: "# CAD-" at the start and " --- " anywhere.
bool is_cad_wrapper_head(const std::string& head);

}  // namespace kurvlab
