// The formatting engine behind every message and file text: directives are taken apart here
// and each is handed to the C formatter under the "C" locale with its own argument.
#include "mw31/format.h"

#include <locale.h>
#include <stddef.h>
#include <stdint.h>
#include <sys/types.h>
#include <wchar.h>

#include <cmath>
#include <cstring>

#include "mw31/messages.h"
#include "mw31/std_streams.h"

namespace mw31 {

namespace {

// Switches the calling thread to the "C" locale while formatting, so that neither the
// decimal point nor digit grouping depends on the user's locale.
class CLocaleScope {
  public:
    CLocaleScope() {
        static locale_t c_locale = newlocale(LC_ALL_MASK, "C", locale_t(0));
        if (c_locale) previous_ = uselocale(c_locale);
    }
    ~CLocaleScope() {
        if (previous_) uselocale(previous_);
    }
    CLocaleScope(const CLocaleScope&) = delete;
    CLocaleScope& operator=(const CLocaleScope&) = delete;

  private:
    locale_t previous_ = locale_t(0);
};

// One directive of the format text, taken apart.
struct Directive {
    std::string text;  // "%" ... conversion letter, as handed to the C formatter
    int stars = 0;     // "*" width and precision read from the arguments
    std::string length;
    char conversion = 0;  // lower case
};

bool is_flag(char c) {
    return c == '-' || c == '+' || c == ' ' || c == '#' || c == '0' || c == '\'';
}
bool is_digit(char c) {
    return c >= '0' && c <= '9';
}

// Reads the directive starting at format[i] == '%'. Returns the index after it, or 0 when
// the text there is no directive this engine formats.
size_t parse_directive(const char* format, size_t i, Directive* d) {
    size_t k = i + 1;
    while (is_flag(format[k])) ++k;
    if (format[k] == '*') {
        ++d->stars;
        ++k;
    } else {
        while (is_digit(format[k])) ++k;
    }
    if (format[k] == '.') {
        ++k;
        if (format[k] == '*') {
            ++d->stars;
            ++k;
        } else {
            while (is_digit(format[k])) ++k;
        }
    }
    const size_t length_start = k;
    if ((format[k] == 'h' && format[k + 1] == 'h') || (format[k] == 'l' && format[k + 1] == 'l'))
        k += 2;
    else if (std::strchr("hlLqjzt", format[k]) && format[k] != '\0')
        ++k;
    d->length.assign(format + length_start, k - length_start);
    const char c = format[k];
    if (c == '\0') return 0;
    char lower = (c >= 'A' && c <= 'Z') ? char(c - 'A' + 'a') : c;
    if (!std::strchr("diouxefgcsapn", lower)) return 0;
    if ((c == 'P' || c == 'N')) return 0;
    d->conversion = lower;
    d->text.assign(format + i, k + 1 - i);
    // Upper-case letters that the C formatter does not know in this sense are lowered.
    if (std::strchr("DIOUCS", c)) d->text.back() = lower;
    const std::string& len = d->length;
    const bool is_int = std::strchr("diouxcs", lower) != nullptr;
    if (is_int && len == "L") return 0;
    if (std::strchr("efga", lower) && !len.empty() && len != "l" && len != "L") return 0;
    if ((lower == 'c' || lower == 's') && !len.empty() && len != "l") return 0;
    if (lower == 'p' && !len.empty()) return 0;
    return k + 1;
}

template <class... T>
std::string c_format(const char* directive, T... values) {
    char small[128];
    const int n = std::snprintf(small, sizeof small, directive, values...);
    if (n < 0) return std::string();
    if (size_t(n) < sizeof small) return std::string(small, size_t(n));
    std::string out(size_t(n) + 1, '\0');
    std::snprintf(out.data(), out.size(), directive, values...);
    out.resize(size_t(n));
    return out;
}

template <class T>
std::string with_stars(const Directive& d, int s1, int s2, T value) {
    switch (d.stars) {
        case 0:
            return c_format(d.text.c_str(), value);
        case 1:
            return c_format(d.text.c_str(), s1, value);
        default:
            return c_format(d.text.c_str(), s1, s2, value);
    }
}

std::string finish_floating(std::string piece, double value, bool failed) {
    if (failed || (!piece.empty() && piece[0] == '*')) piece = format_digits(value);
    for (char& ch : piece)
        if (ch == ',') ch = '.';
    return piece;
}

std::string format_one(const Directive& d, va_list& args) {
    int s1 = 0, s2 = 0;
    if (d.stars >= 1) s1 = va_arg(args, int);
    if (d.stars >= 2) s2 = va_arg(args, int);
    const std::string& len = d.length;
    switch (d.conversion) {
        case 'd':
        case 'i':
            if (len == "l") return with_stars(d, s1, s2, va_arg(args, long));
            if (len == "ll" || len == "q") return with_stars(d, s1, s2, va_arg(args, long long));
            if (len == "j") return with_stars(d, s1, s2, va_arg(args, intmax_t));
            if (len == "z") return with_stars(d, s1, s2, va_arg(args, ssize_t));
            if (len == "t") return with_stars(d, s1, s2, va_arg(args, ptrdiff_t));
            return with_stars(d, s1, s2, va_arg(args, int));
        case 'o':
        case 'u':
        case 'x':
            if (len == "l") return with_stars(d, s1, s2, va_arg(args, unsigned long));
            if (len == "ll" || len == "q")
                return with_stars(d, s1, s2, va_arg(args, unsigned long long));
            if (len == "j") return with_stars(d, s1, s2, va_arg(args, uintmax_t));
            if (len == "z") return with_stars(d, s1, s2, va_arg(args, size_t));
            if (len == "t") return with_stars(d, s1, s2, va_arg(args, ptrdiff_t));
            return with_stars(d, s1, s2, va_arg(args, unsigned int));
        case 'c':
            if (len == "l") return with_stars(d, s1, s2, va_arg(args, wint_t));
            return with_stars(d, s1, s2, va_arg(args, int));
        case 's':
            if (len == "l") {
                const wchar_t* ws = va_arg(args, const wchar_t*);
                return ws ? with_stars(d, s1, s2, ws) : std::string("(null)");
            } else {
                const char* s = va_arg(args, const char*);
                return with_stars(d, s1, s2, s ? s : "(null)");
            }
        case 'p':
            return with_stars(d, s1, s2, va_arg(args, void*));
        case 'n':
            // Writing through a pointer from a format text is never wanted; the argument is
            // still taken so that the following directives get theirs.
            (void)va_arg(args, void*);
            return std::string();
        default: {  // e f g a
            if (len == "L") {
                const long double v = va_arg(args, long double);
                const std::string piece = with_stars(d, s1, s2, v);
                return finish_floating(piece, double(v), piece.empty());
            }
            // Every floating-point argument arrives promoted to double, with or without "l".
            const double v = va_arg(args, double);
            const std::string piece = with_stars(d, s1, s2, v);
            return finish_floating(piece, v, piece.empty());
        }
    }
}

}  // namespace

std::string format_digits(double value) {
    if (std::isnan(value)) return "nan";
    std::string out;
    if (std::signbit(value) && value != 0) out += '-';
    double magnitude = std::fabs(value);
    if (std::isinf(magnitude)) return out + "inf";
    const double whole = std::floor(magnitude);
    if (whole < 1) {
        out += '0';
    } else {
        // A whole double is printed exactly by the C formatter; no rounding happens here.
        CLocaleScope c_locale;
        out += c_format("%.0f", whole);
    }
    out += '.';
    double rest = magnitude - whole;  // exact
    for (int i = 0; i < 16 && rest > 0; ++i) {
        rest *= 10;
        const double digit = std::floor(rest);
        out += char('0' + int(digit));
        rest -= digit;
    }
    return out;
}

std::string format_text_v(const char* format, va_list args) {
    std::string result;
    if (!format) return result;
    CLocaleScope c_locale;
    va_list ap;
    va_copy(ap, args);
    size_t i = 0;
    while (format[i]) {
        if (format[i] != '%') {
            const char* next = std::strchr(format + i, '%');
            const size_t end = next ? size_t(next - format) : i + std::strlen(format + i);
            result.append(format + i, end - i);
            i = end;
            continue;
        }
        if (format[i + 1] == '%') {
            result += '%';
            i += 2;
            continue;
        }
        Directive d;
        const size_t after = parse_directive(format, i, &d);
        if (after == 0) {
            // Not a directive: the "%" stands for itself and no argument is read.
            result += '%';
            ++i;
            continue;
        }
        result += format_one(d, ap);
        i = after;
    }
    va_end(ap);
    return result;
}

std::string format_text(const char* format, ...) {
    va_list args;
    va_start(args, format);
    std::string text = format_text_v(format, args);
    va_end(args);
    return text;
}

void message_printf(const char* format, ...) {
    va_list args;
    va_start(args, format);
    const std::string text = format_text_v(format, args);
    va_end(args);
    message_output(text);
}

void terminal_printf(const char* format, ...) {
    va_list args;
    va_start(args, format);
    const std::string text = format_text_v(format, args);
    va_end(args);
    stdout_put_string(text);
}

void text_printf(std::string* buffer, const char* format, ...) {
    va_list args;
    va_start(args, format);
    std::string text = format_text_v(format, args);
    va_end(args);
    if (buffer) *buffer = std::move(text);
}

void file_printf(FILE* stream, const char* format, ...) {
    va_list args;
    va_start(args, format);
    const std::string text = format_text_v(format, args);
    va_end(args);
    if (!stream) return;
    if (stream == stdout) {
        stdout_put_string(text);
        return;
    }
    std::fwrite(text.data(), 1, text.size(), stream);
}

}  // namespace mw31
