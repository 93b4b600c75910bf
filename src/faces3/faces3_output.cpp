// Terminal and message output hooks of the mesh library.
#include "faces3/faces3_output.h"

#include <locale.h>

#include <clocale>
#include <cstdarg>
#include <cstdio>
#include <string>

namespace {

void write_stdout(const char* text) {
    std::fputs(text, stdout);
    std::fflush(stdout);
}

Faces3OutputFn g_terminal = write_stdout;
Faces3OutputFn g_message = write_stdout;

// Formats in the "C" locale so that no decimal comma appears whatever the user's locale.
std::string format_c(const char* fmt, va_list ap) {
    static locale_t c_locale = newlocale(LC_ALL_MASK, "C", static_cast<locale_t>(nullptr));
    locale_t old = c_locale ? uselocale(c_locale) : static_cast<locale_t>(nullptr);
    va_list ap2;
    va_copy(ap2, ap);
    char buf[512];
    const int n = std::vsnprintf(buf, sizeof buf, fmt, ap);
    std::string out;
    if (n >= 0 && static_cast<size_t>(n) < sizeof buf) {
        out.assign(buf, n);
    } else if (n >= 0) {
        out.resize(static_cast<size_t>(n) + 1);
        std::vsnprintf(out.data(), out.size(), fmt, ap2);
        out.resize(static_cast<size_t>(n));
    }
    va_end(ap2);
    if (c_locale) uselocale(old);
    return out;
}

}  // namespace

void faces3_set_terminal_output(Faces3OutputFn fn) {
    g_terminal = fn ? fn : write_stdout;
}
void faces3_set_message_output(Faces3OutputFn fn) {
    g_message = fn ? fn : write_stdout;
}

void faces3_terminal_printf(const char* fmt, ...) {
    va_list ap;
    va_start(ap, fmt);
    const std::string s = format_c(fmt, ap);
    va_end(ap);
    g_terminal(s.c_str());
}

void faces3_message_printf(const char* fmt, ...) {
    va_list ap;
    va_start(ap, fmt);
    const std::string s = format_c(fmt, ap);
    va_end(ap);
    g_message(s.c_str());
}
