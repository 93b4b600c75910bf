// The formatting engine against the C library's printf under the "C" locale: many doubles of
// every kind times many directives must come out byte for byte the same, under any locale.
#include <gtest/gtest.h>
#include <locale.h>

#include <cfloat>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "mw31/floating_text.h"
#include "mw31/format.h"
#include "support/comma_locale.h"

namespace {

// xorshift64: the same values on every run, so a failure can be repeated.
struct Random {
    uint64_t state = 0x9E3779B97F4A7C15ull;
    uint64_t next() {
        state ^= state << 13;
        state ^= state >> 7;
        state ^= state << 17;
        return state;
    }
    int below(int n) { return int(next() % uint64_t(n)); }
    double unit() { return double(next() >> 11) / double(1ull << 53); }
};

double from_bits(uint64_t bits) {
    double d;
    std::memcpy(&d, &bits, sizeof d);
    return d;
}

std::vector<double> test_values(int random_count) {
    Random r;
    std::vector<double> v = {0.0,
                             -0.0,
                             1.0,
                             -1.0,
                             0.5,
                             1.5,
                             2.5,
                             0.125,
                             0.1,
                             0.3,
                             1.005,
                             2.675,
                             1e-5,
                             9.9999999999999995e-5,
                             0.000099999949999999,
                             0.0001,
                             999999.5,
                             999999.49999999988,
                             9999995.0,
                             123456789.0,
                             1e15,
                             1e16,
                             1e17,
                             1e21,
                             1e22,
                             1e23,
                             9007199254740993.0,
                             DBL_MAX,
                             -DBL_MAX,
                             DBL_MIN,
                             DBL_TRUE_MIN,
                             -DBL_TRUE_MIN,
                             DBL_MIN * 0.75,
                             1.0 / 0.0,
                             -1.0 / 0.0,
                             std::nan(""),
                             -std::nan(""),
                             from_bits(0x7FF8000000000001ull),
                             from_bits(0xFFF0000000000123ull)};
    for (int e = -320; e <= 308; ++e) {  // every decade and its neighbours
        const double p = std::pow(10.0, e);
        v.push_back(p);
        v.push_back(std::nextafter(p, 0.0));
        v.push_back(std::nextafter(p, 1e308));
        v.push_back(-5 * p);
    }
    for (int i = 0; i < random_count; ++i) {
        double x = 0;
        switch (i % 8) {
            case 0:  // any bit pattern: every exponent, subnormals, inf and nan
                x = from_bits(r.next());
                break;
            case 1:  // whole numbers, small and beyond 2^53
                x = double(int64_t(r.next()) >> r.below(63));
                break;
            case 2:  // halves, quarters ... : ties at some precision
                x = std::ldexp(double(int64_t(r.next() >> 40) - (1ll << 23)), -r.below(12));
                break;
            case 3:  // decimals that binary cannot hold: 0.1, 2.675 ...
                x = double(int64_t(r.next() % 2000001) - 1000000) / std::pow(10.0, r.below(9));
                break;
            case 4:  // huge and tiny
                x = (r.unit() - 0.5) * std::pow(10.0, r.below(600) - 300);
                break;
            case 5:  // what a mechanism computes: coordinates and angles
                x = 200 * std::sin(r.unit() * 100) * std::cos(r.unit() * 3);
                break;
            case 6:  // just below a rounding step of six digits: 1.99999949999 ...
                x = (1 + r.below(9)) * std::pow(10.0, r.below(20) - 10) * (1 - 5e-7 * r.unit());
                break;
            default:  // halves of the grid of some precision, a binary step off
                x = std::nextafter((r.below(2000000) + 0.5) / std::pow(10.0, r.below(8)),
                                   r.below(2) ? 1e300 : -1e300);
                break;
        }
        v.push_back(x);
    }
    return v;
}

// Directives: flags, width, precision and the double conversions, with and without "l".
std::vector<std::string> test_formats(int random_count) {
    std::vector<std::string> f = {"%lg",   "%lf",   "%le",    "%g",     "%f",    "%e",
                                  "%.3lf", "%.0f",  "%.0e",   "%.0g",   "%#.0f", "%#.0e",
                                  "%#g",   "%#.3g", "%.17g",  "%.15g",  "%.16g", "%.20e",
                                  "%G",    "%E",    "%F",     "%+lg",   "% lg",  "%012.4lf",
                                  "%-12g", "%+08g", "%-+10e", "%'.2lf", "%.40f", "%.40e"};
    Random r;
    r.state = 0x1234567887654321ull;
    const char* flags = "-+ #0";
    const char* conversions = "eEfFgG";
    for (int i = 0; i < random_count; ++i) {
        std::string s = "%";
        for (int k = 0; k < 5; ++k)
            if (r.below(4) == 0) s += flags[k];
        if (r.below(2)) s += std::to_string(r.below(26));
        if (r.below(3)) s += "." + std::to_string(r.below(5) ? r.below(18) : r.below(41));
        if (r.below(2)) s += 'l';
        s += conversions[r.below(6)];
        f.push_back(s);
    }
    return f;
}

std::string c_printf(locale_t c_locale, const char* format, double v) {
    const locale_t before = uselocale(c_locale);
    char buffer[512];
    const int n = std::snprintf(buffer, sizeof buffer, format, v);
    uselocale(before);
    return std::string(buffer, size_t(n < 0 ? 0 : n));
}

std::string engine(const char* format, double v) {
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wformat-nonliteral"
    return mw31::format_text(format, v);
#pragma GCC diagnostic pop
}

// Compares every value with every format; returns the number of differences, printing the
// first few with the value's bits.
int differences(const std::vector<double>& values, const std::vector<std::string>& formats) {
    const locale_t c_locale = newlocale(LC_ALL_MASK, "C", locale_t(0));
    int failures = 0;
    for (const std::string& f : formats) {
        for (double v : values) {
            const std::string expected = c_printf(c_locale, f.c_str(), v);
            const std::string got = engine(f.c_str(), v);
            if (got == expected) continue;
            if (++failures <= 20) {
                uint64_t bits;
                std::memcpy(&bits, &v, sizeof bits);
                ADD_FAILURE() << "format \"" << f << "\" value 0x" << std::hex << bits << " ("
                              << c_printf(c_locale, "%.17g", v) << "): printf \"" << expected
                              << "\", engine \"" << got << "\"";
            }
        }
    }
    freelocale(c_locale);
    return failures;
}

TEST(FormatAgainstPrintf, DoublesOfEveryKindInEveryDirective) {
    const std::vector<double> values = test_values(6000);
    const std::vector<std::string> formats = test_formats(120);
    EXPECT_EQ(differences(values, formats), 0);
}

TEST(FormatAgainstPrintf, TheSameUnderADecimalCommaLocale) {
    kv_test::CommaLocale locale;
    if (!locale.active()) GTEST_SKIP() << "no locale with a decimal comma can be had";
    char platform[32];
    std::snprintf(platform, sizeof platform, "%.1f", 2.5);
    ASSERT_STREQ(platform, "2,5") << "the locale really uses a comma";
    EXPECT_EQ(differences(test_values(800), test_formats(40)), 0);
    EXPECT_EQ(mw31::format_text("%'d|%'.1lf|%lg", 1234567, 1234567.25, 0.5),
              "1234567|1234567.2|0.5");
}

TEST(FormatAgainstPrintf, StarsTakeWidthAndPrecisionFromTheArguments) {
    const locale_t c_locale = newlocale(LC_ALL_MASK, "C", locale_t(0));
    Random r;
    for (int i = 0; i < 3000; ++i) {
        const int width = r.below(50) - 25;     // negative: left-justified
        const int precision = r.below(30) - 5;  // negative: as if none
        const double v = (r.unit() - 0.5) * std::pow(10.0, r.below(40) - 20);
        const char* f = i % 3 == 0 ? "%*.*lf|" : i % 3 == 1 ? "%0*.*e|" : "%+*.*g|";
        uselocale(c_locale);
        char expected[256];
        std::snprintf(expected, sizeof expected, f, width, precision, v);
        uselocale(LC_GLOBAL_LOCALE);
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wformat-nonliteral"
        ASSERT_EQ(mw31::format_text(f, width, precision, v), expected)
            << f << " " << width << " " << precision << " " << v;
        // Only the precision from the arguments.
        std::snprintf(expected, sizeof expected, "[%.*g]", precision, v);
        ASSERT_EQ(mw31::format_text("[%.*g]", precision, v), expected);
#pragma GCC diagnostic pop
    }
    freelocale(c_locale);
}

// Integers of every size under every flag, width and precision, and the length letters
// that shorten or widen them.
TEST(FormatAgainstPrintf, IntegersInEveryDirective) {
    Random r;
    const char* flags = "-+ #0";
    int failures = 0;
    for (int i = 0; i < 20000 && failures < 20; ++i) {
        std::string f = "%";
        for (int k = 0; k < 5; ++k)
            if (r.below(4) == 0) f += flags[k];
        if (r.below(2)) f += std::to_string(r.below(24));
        if (r.below(3)) f += "." + std::to_string(r.below(22));
        const char* lengths[] = {"", "hh", "h", "l", "ll", "j", "z"};
        const int length = r.below(7);
        f += lengths[length];
        f += "diouxX"[r.below(6)];
        int64_t v = int64_t(r.next()) >> r.below(64);
        if (r.below(8) == 0) v = r.below(3) - 1;  // 0 and its neighbours for "#" and ".0"
        char expected[128];
        std::string got;
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wformat-nonliteral"
#pragma GCC diagnostic ignored "-Wformat"
        if (length >= 3) {
            std::snprintf(expected, sizeof expected, f.c_str(), (long long)v);
            got = mw31::format_text(f.c_str(), (long long)v);
        } else {
            std::snprintf(expected, sizeof expected, f.c_str(), int(v));
            got = mw31::format_text(f.c_str(), int(v));
        }
#pragma GCC diagnostic pop
        if (got != expected) {
            ++failures;
            ADD_FAILURE() << "format \"" << f << "\" value " << v << ": printf \"" << expected
                          << "\", engine \"" << got << "\"";
        }
    }
}

TEST(FormatAgainstPrintf, CharactersAndStrings) {
    const char* text = "Koppel";
    const char* formats[] = {"%s|",     "%10s|",  "%-10s|", "%.3s|", "%8.2s|",
                             "%-8.0s|", "%.10s|", "%c|",    "%4c|",  "%-4c|"};
    for (const char* f : formats) {
        char expected[64];
        const bool is_char = f[std::strlen(f) - 2] == 'c';
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wformat-nonliteral"
        if (is_char) {
            std::snprintf(expected, sizeof expected, f, 'K');
            EXPECT_EQ(mw31::format_text(f, 'K'), expected) << f;
        } else {
            std::snprintf(expected, sizeof expected, f, text);
            EXPECT_EQ(mw31::format_text(f, text), expected) << f;
        }
#pragma GCC diagnostic pop
    }
    // Directives the engine leaves to the C formatter still take their arguments in order.
    void* p = &formats;
    char expected[128];
    std::snprintf(expected, sizeof expected, "%s %p %lc %a %La %d", "a", p, wint_t('c'), 1.0, 0.5L,
                  7);
    EXPECT_EQ(mw31::format_text("%s %p %lc %a %La %d", "a", p, wint_t('c'), 1.0, 0.5L, 7),
              expected);
}

// The entry for writers of many numbers writes what the directive would.
TEST(FormatAgainstPrintf, NumbersWithoutAFormatText) {
    const locale_t c_locale = newlocale(LC_ALL_MASK, "C", locale_t(0));
    int failures = 0;
    for (double v : test_values(1500)) {
        for (char conversion : {'e', 'f', 'g'}) {
            for (int precision : {-1, 0, 1, 3, 6, 10, 15, 17, 40}) {
                const std::string f = precision < 0
                                          ? std::string("%l") + conversion
                                          : "%." + std::to_string(precision) + "l" + conversion;
                char out[mw31::kNumberTextMax];
                const std::string got(out, mw31::format_number(out, conversion, precision, v));
                const std::string expected = c_printf(c_locale, f.c_str(), v);
                if (got != expected && ++failures <= 10)
                    ADD_FAILURE() << f << " of " << c_printf(c_locale, "%a", v) << ": printf \""
                                  << expected << "\", format_number \"" << got << "\"";
            }
        }
    }
    EXPECT_EQ(failures, 0);
    freelocale(c_locale);
}

TEST(FormatAppend, AddsToWhatIsThere) {
    std::string line = "l";
    mw31::format_append(&line, "%lg,%lg", 1.5, -2e-7);
    mw31::format_append(&line, ";%d", 3);
    EXPECT_EQ(line, "l1.5,-2e-07;3");
    mw31::format_append(&line, nullptr);
    EXPECT_EQ(line, "l1.5,-2e-07;3");
}

}  // namespace
