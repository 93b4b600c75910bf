// String helpers shared by the readers, the players and the start-up.
#include "mw31/text_services.h"

#include <locale.h>
#include <stdlib.h>

#include <cctype>
#include <cmath>
#include <cstring>

namespace mw31 {

double strtod_c(const char* text, char** end) {
    static const locale_t c_locale = newlocale(LC_ALL_MASK, "C", locale_t(0));
    return strtod_l(text, end, c_locale);
}

const char* find_text(const char* text, const char* pattern) {
    if (!text || !pattern) return nullptr;
    return std::strstr(text, pattern);
}

const char* find_char(const char* text, int character) {
    if (!text) return nullptr;
    return std::strchr(text, character);
}

bool starts_with(const char* text, const char* prefix) {
    if (!text || !prefix) return false;
    return std::strncmp(text, prefix, std::strlen(prefix)) == 0;
}

bool starts_with_nocase(const char* text, const char* prefix) {
    if (!text || !prefix) return false;
    for (; *prefix; ++text, ++prefix) {
        if (std::tolower((unsigned char)*text) != std::tolower((unsigned char)*prefix))
            return false;
    }
    return true;
}

void replace_extension(std::string& name, const std::string& extension) {
    const std::size_t slash = name.find_last_of("/\\");
    const std::size_t base = slash == std::string::npos ? 0 : slash + 1;
    const std::size_t dot = name.find('.', base);
    if (dot != std::string::npos) name.erase(dot);
    name += '.';
    name += extension;
}

void polar_angle(double x, double y, double* length, double* angle) {
    const double l = std::hypot(x, y);  // no overflow for huge components
    double a = 0;
    if (l > 0) {
        if (std::fabs(x) >= std::fabs(y)) {
            a = std::asin(y / l);
            if (x < 0) a = M_PI - a;
        } else {
            a = std::acos(x / l);
            if (y < 0) a = -a;
        }
    }
    if (length) *length = l;
    if (angle) *angle = a;
}

void polar_angle_degrees(double x, double y, double* length, double* angle) {
    double a = 0;
    polar_angle(x, y, length, &a);
    if (angle) *angle = a * 180.0 / M_PI;
}

std::vector<std::string> split_command_line(const std::string& line) {
    std::vector<std::string> words{std::string()};
    bool quoting = false;
    bool in_word = false;
    for (char c : line) {
        if (c == '\0') break;
        if (c == '"') {
            quoting = !quoting;
            in_word = false;
            continue;
        }
        if (!quoting && (unsigned char)c < '!') {
            in_word = false;
            continue;
        }
        if (!in_word) {
            words.emplace_back();
            in_word = true;
        }
        words.back() += c;
    }
    return words;
}

}  // namespace mw31
