// Output hooks of the mesh library: the terminal output (diagnostic lines) and the
// message output (messages meant for the user). Both default to standard output.
#pragma once

using Faces3OutputFn = void (*)(const char* text);

// Null restores the default.
void faces3_set_terminal_output(Faces3OutputFn fn);
void faces3_set_message_output(Faces3OutputFn fn);

// printf-style, formatted in the "C" locale (no decimal comma) and passed to the hook.
void faces3_terminal_printf(const char* fmt, ...) __attribute__((format(printf, 1, 2)));
void faces3_message_printf(const char* fmt, ...) __attribute__((format(printf, 1, 2)));
