// The formatting engine behind every message and file text. Numbers are written here digit for
// digit as the C formatter writes them under the "C" locale, without asking any locale; the
// rare directives left over are handed to the C formatter under the "C" locale.
#include "mw31/format.h"

#include <locale.h>
#include <stddef.h>
#include <stdint.h>
#include <sys/types.h>
#include <wchar.h>

#include <cfloat>
#include <charconv>
#include <climits>
#include <cmath>
#include <cstring>
#include <optional>

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

// ---- decimal digits of a double, rounded as the C formatter rounds them ----

// Beyond these the C formatter does the work; no caller comes near them.
constexpr int kMaxFastPrecision = 40;
constexpr int kMaxFastWidth = 1000;

// kPow10[k] for k = -22 ... 22; exact for k >= 0, the nearest double below 0.
constexpr double kPow10Table[] = {1e-22, 1e-21, 1e-20, 1e-19, 1e-18, 1e-17, 1e-16, 1e-15, 1e-14,
                                  1e-13, 1e-12, 1e-11, 1e-10, 1e-9,  1e-8,  1e-7,  1e-6,  1e-5,
                                  1e-4,  1e-3,  1e-2,  1e-1,  1e0,   1e1,   1e2,   1e3,   1e4,
                                  1e5,   1e6,   1e7,   1e8,   1e9,   1e10,  1e11,  1e12,  1e13,
                                  1e14,  1e15,  1e16,  1e17,  1e18,  1e19,  1e20,  1e21,  1e22};
constexpr const double* kPow10 = kPow10Table + 22;
constexpr uint64_t kPow10Int[] = {1ull,
                                  10ull,
                                  100ull,
                                  1000ull,
                                  10000ull,
                                  100000ull,
                                  1000000ull,
                                  10000000ull,
                                  100000000ull,
                                  1000000000ull,
                                  10000000000ull,
                                  100000000000ull,
                                  1000000000000ull,
                                  10000000000000ull,
                                  100000000000000ull,
                                  1000000000000000ull,
                                  10000000000000000ull};

constexpr char kDigitPairs[] =
    "00010203040506070809101112131415161718192021222324252627282930313233343536373839"
    "40414243444546474849505152535455565758596061626364656667686970717273747576777879"
    "8081828384858687888990919293949596979899";

// Digits of n right-aligned before end; returns how many (one for 0).
int digits_before(uint64_t n, char* end) {
    char* p = end;
    while (n >= (1ull << 32)) {
        const unsigned pair = unsigned(n % 100) * 2;
        n /= 100;
        *--p = kDigitPairs[pair + 1];
        *--p = kDigitPairs[pair];
    }
    uint32_t m = uint32_t(n);  // cheaper to divide
    while (m >= 100) {
        const unsigned pair = (m % 100) * 2;
        m /= 100;
        *--p = kDigitPairs[pair + 1];
        *--p = kDigitPairs[pair];
    }
    if (m >= 10) {
        *--p = kDigitPairs[m * 2 + 1];
        *--p = kDigitPairs[m * 2];
    } else {
        *--p = char('0' + m);
    }
    return int(end - p);
}

// A non-negative decimal: digits[0] (never '0') stands at 10^exponent, digits beyond count
// are zeros. The widest is a fixed 1.8e308 with kMaxFastPrecision decimals.
struct Decimal {
    bool zero = true;
    int count = 0;
    int exponent = 0;
    char digits[352];

    char digit_at(int power) const {
        const int i = exponent - power;
        return (!zero && i >= 0 && i < count) ? digits[i] : '0';
    }
    void set_zero() {
        zero = true;
        count = 0;
        exponent = 0;
    }
};

// Rounds a (finite, > 0) to a multiple of 10^q by plain double arithmetic. The power of ten
// is exact and the scaling rounds once, monotonically; below 2^52 every half is a double, so
// the scaled value cannot cross a half, only land on one. When it does (a tie, or a value
// just beside one) this returns false.
bool round_by_double(double a, int q, uint64_t* n) {
    if (q > 22 || q < -22) return false;
    const double t = q <= 0 ? a * kPow10[-q] : a / kPow10[q];
    if (!(t < 4503599627370496.0)) return false;  // 2^52
    const uint64_t whole = uint64_t(t);
    const double fraction = t - double(whole);  // exact
    if (fraction == 0.5) return false;
    *n = whole + (fraction > 0.5 ? 1 : 0);
    return true;
}

// a (finite, > 0) rounded to `places` significant digits (at most 15) by round_by_double:
// n * 10^q with 10^(places-1) <= n <= 10^places (the upper end when rounding carried).
bool round_significant_by_double(double a, int places, uint64_t* n, int* q) {
    if (places > 15) return false;
    int e2 = 0;
    if (a >= DBL_MIN) {
        uint64_t bits;
        std::memcpy(&bits, &a, sizeof bits);
        e2 = int(bits >> 52) - 1022;  // a = m * 2^e2, 0.5 <= m < 1
    } else {
        std::frexp(a, &e2);
    }
    // floor(log10(2^(e2-1))), give or take one; the powers of ten settle most cases and the
    // digit count of n the rest.
    int exponent = ((e2 - 1) * 78913) >> 18;
    if (exponent >= -23 && exponent <= 21 && a >= kPow10[exponent + 1]) ++exponent;
    for (int attempt = 0; attempt < 2; ++attempt) {
        *q = exponent - places + 1;
        if (!round_by_double(a, *q, n)) return false;
        if (*n < kPow10Int[places - 1]) return false;
        if (*n <= kPow10Int[places]) return true;
        ++exponent;
    }
    return false;
}

// Digits and exponent of a text "d.ddde+XX" (or "de-XX") from std::to_chars.
void read_scientific(const char* s, const char* end, Decimal* d) {
    d->zero = false;
    d->count = 0;
    const char* p = s;
    for (; p < end && *p != 'e'; ++p)
        if (*p != '.') d->digits[d->count++] = *p;
    int e = 0;
    std::from_chars(p + 1 + (p[1] == '+'), end, e);
    d->exponent = e;
    while (d->count > 1 && d->digits[d->count - 1] == '0') --d->count;
    if (d->count == 1 && d->digits[0] == '0') d->set_zero();
}

// Digits of a text "ddd.ddd" from std::to_chars.
void read_fixed(const char* s, const char* end, Decimal* d) {
    const char* point = static_cast<const char*>(std::memchr(s, '.', size_t(end - s)));
    const int int_digits = int((point ? point : end) - s);
    d->count = 0;
    int first = -1, position = 0;
    for (const char* p = s; p < end; ++p) {
        if (*p == '.') continue;
        if (first < 0 && *p != '0') first = position;
        if (first >= 0) d->digits[d->count++] = *p;
        ++position;
    }
    if (first < 0) {
        d->set_zero();
        return;
    }
    d->zero = false;
    d->exponent = int_digits - 1 - first;
}

// The shortest digits that read back as the double, s, are rounded to a multiple of 10^q.
// This is the double's own rounding unless s ends in a 5 just there (it may be the half
// itself), or s is so short that the grid is finer than the double's spacing.
bool round_shortest(const Decimal& s, int q, Decimal* out) {
    const int keep = s.exponent - q + 1;
    if (keep >= s.count) {
        if (keep > 15) return false;
        *out = s;
        return true;
    }
    if (keep < 0) {
        out->set_zero();
        return true;
    }
    const char first_dropped = s.digits[keep];
    if (first_dropped == '5' && keep + 1 == s.count) return false;
    const bool up = first_dropped >= '5';
    std::memcpy(out->digits, s.digits, size_t(keep));
    out->count = keep;
    out->exponent = s.exponent;
    out->zero = false;
    if (up) {
        int i = keep - 1;
        while (i >= 0 && out->digits[i] == '9') --i;
        if (i < 0) {
            out->digits[0] = '1';
            out->count = 1;
            out->exponent = s.exponent + 1;
        } else {
            ++out->digits[i];
            out->count = i + 1;
        }
    }
    if (out->count == 0) out->set_zero();
    return true;
}

// a (finite, >= 0) rounded to `places` decimals (fixed) or significant digits, as the C
// formatter rounds: exactly, ties to even. For what the plain double arithmetic leaves: ties,
// decades beyond 10^22 either way, many digits, subnormals and zero.
void round_decimal(double a, bool fixed, int places, Decimal* out) {
    if (a == 0) {
        out->set_zero();
        return;
    }
    char text[400];
    if (a >= DBL_MIN) {  // spacing of subnormals is too wide for the shortest digits
        const auto r = std::to_chars(text, text + sizeof text, a, std::chars_format::scientific);
        Decimal shortest;
        read_scientific(text, r.ptr, &shortest);
        const int grid = fixed ? -places : shortest.exponent - places + 1;
        if (round_shortest(shortest, grid, out)) return;
    }
    if (fixed) {
        const auto r = std::to_chars(text, text + sizeof text, a, std::chars_format::fixed, places);
        read_fixed(text, r.ptr, out);
    } else {
        const auto r =
            std::to_chars(text, text + sizeof text, a, std::chars_format::scientific, places - 1);
        read_scientific(text, r.ptr, out);
    }
}

// Bodies without sign. out has room for 400 characters.
size_t write_fixed(const Decimal& d, int decimals, bool point, char* out) {
    size_t n = 0;
    if (d.zero || d.exponent < 0) {
        out[n++] = '0';
    } else {
        for (int p = d.exponent; p >= 0; --p) out[n++] = d.digit_at(p);
    }
    if (decimals > 0 || point) out[n++] = '.';
    for (int p = -1; p >= -decimals; --p) out[n++] = d.digit_at(p);
    return n;
}

size_t write_mantissa(const Decimal& d, int decimals, bool point, char* out) {
    const int x = d.zero ? 0 : d.exponent;
    size_t n = 0;
    out[n++] = d.digit_at(x);
    if (decimals > 0 || point) out[n++] = '.';
    for (int p = 1; p <= decimals; ++p) out[n++] = d.digit_at(x - p);
    return n;
}

size_t write_exponent(int x, bool upper, char* out) {
    size_t n = 0;
    out[n++] = upper ? 'E' : 'e';
    out[n++] = x < 0 ? '-' : '+';
    const int m = x < 0 ? -x : x;
    if (m < 10) out[n++] = '0';
    const auto r = std::to_chars(out + n, out + n + 4, m);
    return size_t(r.ptr - out);
}

// The common case, written straight from the digits of the value rounded by plain double
// arithmetic. Returns 0 when that rounding cannot be trusted.
size_t write_floating_direct(const Directive& d, double a, int precision, char* out) {
    char digits[24];
    char* const end = digits + sizeof digits;
    char* o = out;
    uint64_t n = 0;
    if (d.conversion == 'f') {
        if (!round_by_double(a, -precision, &n)) return 0;
        const int len = digits_before(n, end);
        const char* s = end - len;
        if (len <= precision) {
            *o++ = '0';
            *o++ = '.';
            std::memset(o, '0', size_t(precision - len));
            o += precision - len;
            std::memcpy(o, s, size_t(len));
            return size_t(o + len - out);
        }
        const int whole = len - precision;
        std::memcpy(o, s, size_t(whole));
        o += whole;
        if (precision > 0 || d.alt) *o++ = '.';
        std::memcpy(o, s + whole, size_t(precision));
        return size_t(o + precision - out);
    }
    const int significant = d.conversion == 'e' ? precision + 1 : precision == 0 ? 1 : precision;
    int q = 0;
    if (a == 0 || !round_significant_by_double(a, significant, &n, &q)) return 0;
    if (n == kPow10Int[significant]) {
        n /= 10;
        ++q;
    }
    digits_before(n, end);
    const char* s = end - significant;
    const int x = q + significant - 1;
    int decimals = precision;  // e
    if (d.conversion == 'g') {
        int m = significant;
        if (!d.alt)
            while (m > 1 && s[m - 1] == '0') --m;
        if (significant > x && x >= -4) {
            if (x < 0) {
                *o++ = '0';
                *o++ = '.';
                std::memset(o, '0', size_t(-x - 1));
                o += -x - 1;
                std::memcpy(o, s, size_t(m));
                return size_t(o + m - out);
            }
            const int whole = x + 1;  // the digits past m are zeros
            std::memcpy(o, s, size_t(whole));
            o += whole;
            if (m > whole || d.alt) *o++ = '.';
            if (m > whole) {
                std::memcpy(o, s + whole, size_t(m - whole));
                o += m - whole;
            }
            return size_t(o - out);
        }
        decimals = m - 1;
        // See write_floating: a carry into the exponent form keeps no decimals.
        if (d.alt && x == significant && significant <= 22 && a < kPow10[significant]) decimals = 0;
    }
    *o++ = s[0];
    if (decimals > 0 || d.alt) *o++ = '.';
    std::memcpy(o, s + 1, size_t(decimals));
    o += decimals;
    return size_t(o - out) + write_exponent(x, d.upper, o);
}

// The C conversions e, f and g of a double, sign and padding aside.
size_t write_floating(const Directive& d, double value, char* out) {
    const double a = std::fabs(value);
    if (!std::isfinite(a)) {
        const char* word = std::isnan(a) ? (d.upper ? "NAN" : "nan") : (d.upper ? "INF" : "inf");
        std::memcpy(out, word, 3);
        return 3;
    }
    const int precision = d.precision < 0 ? 6 : d.precision;
    if (const size_t n = write_floating_direct(d, a, precision, out)) return n;
    Decimal r;
    switch (d.conversion) {
        case 'f':
            round_decimal(a, true, precision, &r);
            return write_fixed(r, precision, d.alt, out);
        case 'e': {
            round_decimal(a, false, precision + 1, &r);
            const size_t n = write_mantissa(r, precision, d.alt, out);
            return n + write_exponent(r.zero ? 0 : r.exponent, d.upper, out + n);
        }
        default: {  // g
            const int significant = precision == 0 ? 1 : precision;
            round_decimal(a, false, significant, &r);
            const int x = r.zero ? 0 : r.exponent;
            const bool fixed = significant > x && x >= -4;
            int decimals = fixed ? significant - 1 - x : significant - 1;
            // When rounding carries a value below 10^P up into the exponent form (999999.5
            // with "%#g"), the C library keeps the fixed form's count of decimals, which is 0.
            if (!fixed && d.alt && x == significant && significant <= 22 && a < kPow10[significant])
                decimals = 0;
            size_t n = fixed ? write_fixed(r, decimals, d.alt, out)
                             : write_mantissa(r, decimals, d.alt, out);
            if (!d.alt && decimals > 0) {
                while (out[n - 1] == '0') --n;
                if (out[n - 1] == '.') --n;
            }
            if (!fixed) n += write_exponent(x, d.upper, out + n);
            return n;
        }
    }
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
        out.commit((sign ? 1 : 0) + write_floating(d, value, p));
        return;
    }
    char body[400];
    const size_t n = write_floating(d, value, body);
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
    if (d.width > kMaxFastWidth || d.precision > kMaxFastPrecision) return false;
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

size_t format_number(char* out, char conversion, int precision, double value) {
    Directive d;
    d.conversion = conversion == 'e' || conversion == 'f' ? conversion : 'g';
    d.precision = precision > kMaxFastPrecision ? kMaxFastPrecision : precision;
    size_t n = 0;
    if (std::signbit(value)) out[n++] = '-';
    return n + write_floating(d, value, out + n);
}

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
