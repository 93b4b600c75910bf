// The formatting engine behind every message and file text. Numbers are written here digit for
// digit as the C formatter writes them under the "C" locale, without asking any locale; the
// rare directives left over are handed to the C formatter under the "C" locale.
#include "mw31/format.h"

#include <locale.h>
#include <stddef.h>
#include <stdint.h>
#include <sys/types.h>
#include <wchar.h>

#include <charconv>
#include <climits>
#include <cmath>
#include <cstring>
#include <optional>

#include "mw31/floating_text.h"
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

// Only directives that go to the C formatter need the "C" locale; switching costs time.
class LazyCLocale {
  public:
    void ensure() {
        if (!scope_) scope_.emplace();
    }

  private:
    std::optional<CLocaleScope> scope_;
};

enum class Length : unsigned char { kNone, kHH, kH, kL, kLL, kLongDouble, kJ, kZ, kT };

// One directive of the format text, taken apart.
struct Directive {
    size_t begin = 0, end = 0;  // its text in the format, "%" to the conversion letter
    bool minus = false, plus = false, space = false, zero = false, alt = false, group = false;
    bool width_star = false, precision_star = false;
    int width = 0;
    int precision = -1;  // none
    Length length = Length::kNone;
    char conversion = 0;  // lower case
    bool upper = false;   // X E F G A
};

// Beyond these the C formatter does the work; no caller comes near them.
constexpr int kMaxFastWidth = 1000;

bool is_digit(char c) {
    return c >= '0' && c <= '9';
}

// Digits of a width or precision; very large ones are kept at INT_MAX (the C formatter
// refuses them, and so does the fallback that gets them).
int read_count(const char* format, size_t* k) {
    long long v = 0;
    while (is_digit(format[*k])) {
        if (v < INT_MAX) v = v * 10 + (format[*k] - '0');
        ++*k;
    }
    return v > INT_MAX ? INT_MAX : int(v);
}

// Reads the directive starting at format[i] == '%'. Returns the index after it, or 0 when
// the text there is no directive this engine formats.
size_t parse_directive(const char* format, size_t i, Directive* d) {
    size_t k = i + 1;
    for (;; ++k) {
        const char c = format[k];
        if (c == '-')
            d->minus = true;
        else if (c == '+')
            d->plus = true;
        else if (c == ' ')
            d->space = true;
        else if (c == '#')
            d->alt = true;
        else if (c == '0')
            d->zero = true;
        else if (c == '\'')
            d->group = true;
        else
            break;
    }
    if (format[k] == '*') {
        d->width_star = true;
        ++k;
    } else {
        d->width = read_count(format, &k);
    }
    if (format[k] == '.') {
        ++k;
        if (format[k] == '*') {
            d->precision_star = true;
            ++k;
        } else {
            d->precision = read_count(format, &k);
        }
    }
    const char l0 = format[k], l1 = l0 ? format[k + 1] : '\0';
    if (l0 == 'h' && l1 == 'h') {
        d->length = Length::kHH;
        k += 2;
    } else if (l0 == 'l' && l1 == 'l') {
        d->length = Length::kLL;
        k += 2;
    } else {
        switch (l0) {
            case 'h':
                d->length = Length::kH;
                break;
            case 'l':
                d->length = Length::kL;
                break;
            case 'L':
                d->length = Length::kLongDouble;
                break;
            case 'q':
                d->length = Length::kLL;
                break;
            case 'j':
                d->length = Length::kJ;
                break;
            case 'z':
                d->length = Length::kZ;
                break;
            case 't':
                d->length = Length::kT;
                break;
            default:
                break;
        }
        if (d->length != Length::kNone) ++k;
    }
    const char c = format[k];
    if (c == '\0') return 0;
    const char lower = (c >= 'A' && c <= 'Z') ? char(c - 'A' + 'a') : c;
    const Length len = d->length;
    switch (lower) {
        case 'd':
        case 'i':
        case 'o':
        case 'u':
        case 'x':
            if (len == Length::kLongDouble) return 0;
            break;
        case 'c':
        case 's':
            if (len != Length::kNone && len != Length::kL) return 0;
            break;
        case 'e':
        case 'f':
        case 'g':
        case 'a':
            if (len != Length::kNone && len != Length::kL && len != Length::kLongDouble) return 0;
            break;
        case 'p':
            if (c == 'P' || len != Length::kNone) return 0;
            break;
        case 'n':
            if (c == 'N') return 0;
            break;
        default:
            return 0;
    }
    d->conversion = lower;
    d->upper = c == 'X' || c == 'E' || c == 'F' || c == 'G' || c == 'A';
    d->begin = i;
    d->end = k + 1;
    return k + 1;
}

// ---- the C formatter, for what the engine does not write itself ----

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
std::string with_stars(const std::string& text, int stars, int s1, int s2, T value) {
    switch (stars) {
        case 0:
            return c_format(text.c_str(), value);
        case 1:
            return c_format(text.c_str(), s1, value);
        default:
            return c_format(text.c_str(), s1, s2, value);
    }
}

std::string finish_floating(std::string piece, double value, bool failed) {
    if (failed || (!piece.empty() && piece[0] == '*')) piece = format_digits(value);
    for (char& ch : piece)
        if (ch == ',') ch = '.';
    return piece;
}

// Collects the result in a buffer of its own: growing the caller's string piece by piece
// costs more than the numbers.
class Sink {
  public:
    static constexpr size_t kSize = 1024;
    static constexpr size_t kRoom = 512;  // reserve() gives at least this much

    explicit Sink(std::string* out) : out_(out) {}
    ~Sink() { flush(); }
    Sink(const Sink&) = delete;
    Sink& operator=(const Sink&) = delete;

    char* reserve() {
        if (kSize - used_ < kRoom) flush();
        return buffer_ + used_;
    }
    void commit(size_t n) { used_ += n; }
    void put(char c) {
        if (used_ == kSize) flush();
        buffer_[used_++] = c;
    }
    void put(const char* s, size_t n) {
        if (n == 0) return;  // s may be null then, which memcpy must not see
        if (n > kSize - used_) {
            flush();
            if (n > kSize) {
                out_->append(s, n);
                return;
            }
        }
        std::memcpy(buffer_ + used_, s, n);
        used_ += n;
    }
    void fill(char c, size_t n) {
        for (; n > 0; --n) put(c);
    }
    void flush() {
        out_->append(buffer_, used_);
        used_ = 0;
    }

  private:
    std::string* out_;
    size_t used_ = 0;
    char buffer_[kSize];
};

// Puts prefix (sign or "0x"), then body, padded to the width as the flags say.
void put_padded(Sink& out, const Directive& d, const char* prefix, size_t prefix_len,
                const char* body, size_t body_len, bool zero_pad) {
    const size_t total = prefix_len + body_len;
    const size_t pad = size_t(d.width) > total ? size_t(d.width) - total : 0;
    if (d.minus) {
        out.put(prefix, prefix_len);
        out.put(body, body_len);
        out.fill(' ', pad);
    } else if (zero_pad && d.zero) {
        out.put(prefix, prefix_len);
        out.fill('0', pad);
        out.put(body, body_len);
    } else {
        out.fill(' ', pad);
        out.put(prefix, prefix_len);
        out.put(body, body_len);
    }
}

void put_floating(Sink& out, const Directive& d, double value) {
    const FloatingForm form{d.conversion, d.precision, d.upper, d.alt};
    char sign = 0;
    if (std::signbit(value))
        sign = '-';
    else if (d.plus)
        sign = '+';
    else if (d.space)
        sign = ' ';
    if (d.width == 0) {  // no padding: straight into the buffer
        char* p = out.reserve();
        if (sign) *p++ = sign;
        out.commit((sign ? 1 : 0) + write_floating(form, value, p));
        return;
    }
    char body[400];
    const size_t n = write_floating(form, value, body);
    put_padded(out, d, &sign, sign ? 1 : 0, body, n, std::isfinite(value));
}

void put_integer(Sink& out, const Directive& d, uint64_t magnitude, bool negative) {
    const int base = d.conversion == 'o' ? 8 : d.conversion == 'x' ? 16 : 10;
    char digits[24];
    int count = int(std::to_chars(digits, digits + sizeof digits, magnitude, base).ptr - digits);
    if (d.upper)
        for (int i = 0; i < count; ++i)
            if (digits[i] >= 'a') digits[i] = char(digits[i] - 'a' + 'A');
    if (d.precision == 0 && magnitude == 0) count = 0;
    int zeros = d.precision > count ? d.precision - count : 0;
    if (d.conversion == 'o' && d.alt && zeros == 0 && (count == 0 || digits[0] != '0')) zeros = 1;
    char prefix[2];
    size_t prefix_len = 0;
    if (d.conversion == 'd' || d.conversion == 'i') {
        if (negative)
            prefix[prefix_len++] = '-';
        else if (d.plus)
            prefix[prefix_len++] = '+';
        else if (d.space)
            prefix[prefix_len++] = ' ';
    } else if (d.conversion == 'x' && d.alt && magnitude != 0) {
        prefix[prefix_len++] = '0';
        prefix[prefix_len++] = d.upper ? 'X' : 'x';
    }
    char body[48];
    std::memset(body, '0', size_t(zeros));
    std::memcpy(body + zeros, digits, size_t(count));
    put_padded(out, d, prefix, prefix_len, body, size_t(zeros + count), d.precision < 0);
}

// Takes the directive's argument and appends it, or returns false without taking anything
// when the C formatter is to do it.
bool format_fast(Sink& out, const Directive& d, va_list& args) {
    if (d.width > kMaxFastWidth || d.precision > kMaxFloatingPrecision) return false;
    switch (d.conversion) {
        case 'd':
        case 'i': {
            long long v;
            switch (d.length) {
                case Length::kHH:
                    v = static_cast<signed char>(va_arg(args, int));
                    break;
                case Length::kH:
                    v = static_cast<short>(va_arg(args, int));
                    break;
                case Length::kL:
                    v = va_arg(args, long);
                    break;
                case Length::kLL:
                    v = va_arg(args, long long);
                    break;
                case Length::kJ:
                    v = va_arg(args, intmax_t);
                    break;
                case Length::kZ:
                    v = va_arg(args, ssize_t);
                    break;
                case Length::kT:
                    v = va_arg(args, ptrdiff_t);
                    break;
                default:
                    v = va_arg(args, int);
                    break;
            }
            const uint64_t m = v < 0 ? 0 - uint64_t(v) : uint64_t(v);
            put_integer(out, d, m, v < 0);
            return true;
        }
        case 'o':
        case 'u':
        case 'x': {
            uint64_t v;
            switch (d.length) {
                case Length::kHH:
                    v = static_cast<unsigned char>(va_arg(args, unsigned));
                    break;
                case Length::kH:
                    v = static_cast<unsigned short>(va_arg(args, unsigned));
                    break;
                case Length::kL:
                    v = va_arg(args, unsigned long);
                    break;
                case Length::kLL:
                    v = va_arg(args, unsigned long long);
                    break;
                case Length::kJ:
                    v = va_arg(args, uintmax_t);
                    break;
                case Length::kZ:
                    v = va_arg(args, size_t);
                    break;
                case Length::kT:
                    v = uint64_t(va_arg(args, ptrdiff_t));
                    break;
                default:
                    v = va_arg(args, unsigned);
                    break;
            }
            put_integer(out, d, v, false);
            return true;
        }
        case 'e':
        case 'f':
        case 'g':
            if (d.length == Length::kLongDouble) return false;
            // Every floating-point argument arrives promoted to double, with or without "l".
            put_floating(out, d, va_arg(args, double));
            return true;
        case 'c':
        case 's': {
            if (d.length != Length::kNone || d.plus || d.space || d.alt || d.zero) return false;
            if (d.conversion == 'c') {
                if (d.precision >= 0) return false;
                const char ch = char(static_cast<unsigned char>(va_arg(args, int)));
                put_padded(out, d, nullptr, 0, &ch, 1, false);
                return true;
            }
            const char* s = va_arg(args, const char*);
            if (!s) s = "(null)";
            const size_t n = d.precision >= 0 ? strnlen(s, size_t(d.precision)) : std::strlen(s);
            put_padded(out, d, nullptr, 0, s, n, false);
            return true;
        }
        default:
            return false;
    }
}

// The directive's own text goes to the C formatter, with the star values as read.
std::string format_slow(const char* format, const Directive& d, int s1, int s2, va_list& args) {
    std::string text(format + d.begin, d.end - d.begin);
    // Upper-case letters that the C formatter does not know in this sense are lowered.
    if (std::strchr("DIOUCS", text.back())) text.back() = d.conversion;
    const int stars = int(d.width_star) + int(d.precision_star);
    const Length len = d.length;
    switch (d.conversion) {
        case 'd':
        case 'i':
            if (len == Length::kL) return with_stars(text, stars, s1, s2, va_arg(args, long));
            if (len == Length::kLL) return with_stars(text, stars, s1, s2, va_arg(args, long long));
            if (len == Length::kJ) return with_stars(text, stars, s1, s2, va_arg(args, intmax_t));
            if (len == Length::kZ) return with_stars(text, stars, s1, s2, va_arg(args, ssize_t));
            if (len == Length::kT) return with_stars(text, stars, s1, s2, va_arg(args, ptrdiff_t));
            return with_stars(text, stars, s1, s2, va_arg(args, int));
        case 'o':
        case 'u':
        case 'x':
            if (len == Length::kL)
                return with_stars(text, stars, s1, s2, va_arg(args, unsigned long));
            if (len == Length::kLL)
                return with_stars(text, stars, s1, s2, va_arg(args, unsigned long long));
            if (len == Length::kJ) return with_stars(text, stars, s1, s2, va_arg(args, uintmax_t));
            if (len == Length::kZ) return with_stars(text, stars, s1, s2, va_arg(args, size_t));
            if (len == Length::kT) return with_stars(text, stars, s1, s2, va_arg(args, ptrdiff_t));
            return with_stars(text, stars, s1, s2, va_arg(args, unsigned int));
        case 'c':
            if (len == Length::kL) return with_stars(text, stars, s1, s2, va_arg(args, wint_t));
            return with_stars(text, stars, s1, s2, va_arg(args, int));
        case 's':
            if (len == Length::kL) {
                const wchar_t* ws = va_arg(args, const wchar_t*);
                return ws ? with_stars(text, stars, s1, s2, ws) : std::string("(null)");
            } else {
                const char* s = va_arg(args, const char*);
                return with_stars(text, stars, s1, s2, s ? s : "(null)");
            }
        case 'p':
            return with_stars(text, stars, s1, s2, va_arg(args, void*));
        case 'n':
            // Writing through a pointer from a format text is never wanted; the argument is
            // still taken so that the following directives get theirs.
            (void)va_arg(args, void*);
            return std::string();
        default: {  // e f g a
            if (len == Length::kLongDouble) {
                const long double v = va_arg(args, long double);
                const std::string piece = with_stars(text, stars, s1, s2, v);
                return finish_floating(piece, double(v), piece.empty());
            }
            const double v = va_arg(args, double);
            const std::string piece = with_stars(text, stars, s1, s2, v);
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

void format_append_v(std::string* out, const char* format, va_list args) {
    if (!format || !out) return;
    LazyCLocale c_locale;
    Sink sink(out);
    va_list ap;
    va_copy(ap, args);
    size_t i = 0;
    while (format[i]) {
        if (format[i] != '%') {
            size_t end = i + 1;
            while (format[end] && format[end] != '%') ++end;
            sink.put(format + i, end - i);
            i = end;
            continue;
        }
        if (format[i + 1] == '%') {
            sink.put('%');
            i += 2;
            continue;
        }
        Directive d;
        const size_t after = parse_directive(format, i, &d);
        if (after == 0) {
            // Not a directive: the "%" stands for itself and no argument is read.
            sink.put('%');
            ++i;
            continue;
        }
        i = after;
        int s1 = 0, s2 = 0;
        if (d.width_star) s1 = va_arg(ap, int);
        if (d.precision_star) s2 = va_arg(ap, int);
        if (d.width_star) {
            d.width = s1 < 0 ? (s1 == INT_MIN ? INT_MAX : -s1) : s1;
            d.minus = d.minus || s1 < 0;
        }
        if (d.precision_star) d.precision = s2 < 0 ? -1 : s2;
        if (!d.width_star && d.precision_star) s1 = s2;  // the one star the C formatter gets
        if (format_fast(sink, d, ap)) continue;
        c_locale.ensure();
        const std::string piece = format_slow(format, d, s1, s2, ap);
        sink.put(piece.data(), piece.size());
    }
    va_end(ap);
}

void format_append(std::string* out, const char* format, ...) {
    va_list args;
    va_start(args, format);
    format_append_v(out, format, args);
    va_end(args);
}

std::string format_text_v(const char* format, va_list args) {
    std::string result;
    format_append_v(&result, format, args);
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
