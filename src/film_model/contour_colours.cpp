// The table of colour names used by contours and ANMNEU symbols, in German and English.
#include <cctype>

#include "film_model/contour_element.h"

namespace film {

namespace {
struct ColourName {
    const char* name;
    int index;
};
constexpr ColourName kColourNames[] = {
    {"invert", -1},      {"invers", -1},  {"white", 0},  {"weiss", 0},    {"black", 1},
    {"schwarz", 1},      {"red", 2},      {"rot", 2},    {"pink", 3},     {"rosa", 3},
    {"grey", 4},         {"grau", 4},     {"orange", 5}, {"magenta", 6},  {"green", 7},
    {"gruen", 7},        {"yellow", 8},   {"gelb", 8},   {"hellblau", 9}, {"cyan", 10},
    {"violet", 11},      {"violett", 11}, {"blue", 12},  {"blau", 12},    {"darkgreen", 13},
    {"dunkelgruen", 13},
};
}  // namespace

int colour_from_name(const std::string& name) {
    std::string lower = name;
    for (char& c : lower) c = char(std::tolower(static_cast<unsigned char>(c)));
    for (const ColourName& entry : kColourNames) {
        if (lower == entry.name) return entry.index;
    }
    return 0;
}

}  // namespace film
