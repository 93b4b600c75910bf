// printf-style output through the program's own formatting engine: floating-point values
// never get a decimal comma, whatever the locale, and never come out as "*". Numbers come
// out byte for byte as the C library's printf writes them under the "C" locale.
#pragma once

#include <cstdarg>
#include <cstddef>
#include <cstdio>
#include <string>

namespace mw31 {

#define KV_PRINTF(fmt_index, first_arg) __attribute__((format(printf, fmt_index, first_arg)))

// Directives end at one of d i o u x e f g c s (either case; also a, p and n). A directive
// without such a letter, or with a character no directive may hold, is copied as it stands
// and reads no argument. "%n" takes its pointer but writes nothing.
std::string format_text_v(const char* format, va_list args);
std::string format_text(const char* format, ...) KV_PRINTF(1, 2);
// The same, appended to out: writers that build many lines reuse one buffer.
void format_append_v(std::string* out, const char* format, va_list args);
void format_append(std::string* out, const char* format, ...) KV_PRINTF(2, 3);

// The fallback for a floating-point value that did not fit: "-", the integer digits ("0"
// below 1), ".", and the fractional digits until nothing remains, at most 16 of them.
std::string format_digits(double value);

// To the message output (a box owned by the terminal).
void message_printf(const char* format, ...) KV_PRINTF(1, 2);
// To the standard output, which is the current terminal when one exists.
void terminal_printf(const char* format, ...) KV_PRINTF(1, 2);
// Into a caller's buffer (replaced).
void text_printf(std::string* buffer, const char* format, ...) KV_PRINTF(2, 3);
// To a stream; the standard output stream is treated as by terminal_printf.
void file_printf(FILE* stream, const char* format, ...) KV_PRINTF(2, 3);

}  // namespace mw31
