// Small string services: searching, prefixes, file-name extensions, polar angles and the
// splitting of a command line into words.
#pragma once

#include <string>
#include <vector>

namespace mw31 {

// The first occurrence, or null (also when either argument is null).
const char* find_text(const char* text, const char* pattern);
const char* find_char(const char* text, int character);

// False when either argument is null.
bool starts_with(const char* text, const char* prefix);
bool starts_with_nocase(const char* text, const char* prefix);

// In the last path component (after the last "/" or "\"), everything from the first "." on
// becomes "." and the extension; without a "." the extension is appended.
void replace_extension(std::string& name, const std::string& extension);

// strtod as in the "C" locale, whatever locale the program runs in: files always write a
// decimal point, and the toolkit switches the program to the user's locale.
double strtod_c(const char* text, char** end);

// Length and angle of (x, y); the angle in radians or degrees. A zero vector gives 0 and 0.
void polar_angle(double x, double y, double* length, double* angle);
void polar_angle_degrees(double x, double y, double* length, double* angle);

// Splits the argument part of a command line: outside quotes every character below '!' ends
// a word; a double quote is dropped, switches quoting and starts a new word. Entry 0 is "".
std::vector<std::string> split_command_line(const std::string& line);

}  // namespace mw31
