// Decimal text of a double, digit for digit as the C formatter writes it under the "C" locale.
// Most values are rounded by plain double arithmetic; what that cannot settle (ties, far
// decades, many digits) goes through the shortest or exact digits of std::to_chars.
#include "mw31/floating_text.h"

#include <cfloat>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstring>

namespace mw31 {

namespace {

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
// are zeros. The widest is a fixed 1.8e308 with kMaxFloatingPrecision decimals.
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
size_t write_floating_direct(const FloatingForm& d, double a, int precision, char* out) {
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

}  // namespace

size_t write_floating(const FloatingForm& d, double value, char* out) {
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

size_t format_number(char* out, char conversion, int precision, double value) {
    FloatingForm form;
    form.conversion = conversion == 'e' || conversion == 'f' ? conversion : 'g';
    form.precision = precision > kMaxFloatingPrecision ? kMaxFloatingPrecision : precision;
    size_t n = 0;
    if (std::signbit(value)) out[n++] = '-';
    return n + write_floating(form, value, out + n);
}

}  // namespace mw31
