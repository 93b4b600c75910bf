// Decimal text of a double as the C formatter's e, f and g conversions write it under the "C"
// locale, without asking any locale.
#pragma once

#include <cstddef>

namespace mw31 {

// The most decimals written here; the formatting engine hands longer ones to the C formatter.
constexpr int kMaxFloatingPrecision = 40;
// Room any text written here fits in: a fixed 1.8e308 with the most decimals, and its sign.
constexpr size_t kNumberTextMax = 400;

struct FloatingForm {
    char conversion = 'g';  // e, f or g
    int precision = -1;     // below 0: the default 6; at most kMaxFloatingPrecision
    bool upper = false;     // E, F, G: "E" and "INF"
    bool alt = false;       // the # flag
};

// The number without its sign or padding; returns how many characters were written to out
// (room for kNumberTextMax). No terminator.
size_t write_floating(const FloatingForm& form, double value, char* out);

// One double as "%.<precision>l<conversion>" writes it (conversion e, f or g; precision below
// 0 for the default 6, at most 40), for writers of many numbers that need no format text.
// out has room for kNumberTextMax characters; returns how many were written. No terminator.
size_t format_number(char* out, char conversion, int precision, double value);

}  // namespace mw31
