// File services with the name mapping for texts written on the original platform: every
// "\" in a name becomes "/" before the file is opened.
#pragma once

#include <cstdio>
#include <string>

namespace mw31 {

// The name with every "\" turned into "/".
std::string native_file_name(const std::string& name);

// Null when the file cannot be opened.
FILE* open_file(const std::string& name, const char* mode);
void close_file(FILE* stream);
// 0 when the file was removed.
int remove_file(const std::string& name);
// A descriptor from the low-level open (flags and mode as for open(2)), or -1.
int open_raw(const std::string& name, int flags, int mode = 0666);

// Reads up to a line end ("\n", "\r\n" or "\r", not stored) or the end of the stream into
// buffer, which holds count bytes: at most count - 1 characters and the terminating NUL.
// When the buffer filled up before a line end, the next character is read and pushed back
// unless it is a line end, so the rest of the line comes with the next call.
// False at the end of the stream when nothing was read.
bool read_text_line(FILE* stream, char* buffer, int count);
// The same with at most max_chars characters into a string.
bool read_text_line(FILE* stream, std::string* line, int max_chars);
// A whole line of any length up to "\n" (not stored; a "\r" just before it is dropped, one
// anywhere else is content). False at the end of the stream when nothing was read.
bool read_whole_line(FILE* stream, std::string* line);

// 0 on success, 1 on failure (with a short reason in *error when given); nothing is done when
// both name the same file. The target is replaced whole or not at all.
int copy_file(const std::string& source, const std::string& target, std::string* error = nullptr);

// Makes a new empty file with a unique name "KV_..." in the private temp_directory() and puts
// its name into the buffer. 0 on success, 1 (and an empty buffer) on failure.
int film_temp_name(std::string* buffer);

}  // namespace mw31
