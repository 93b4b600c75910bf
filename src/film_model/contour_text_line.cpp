// Safe line input and number conversion for the contour and ANMNEU readers.
#include "film_model/contour_text_line.h"

#include <cerrno>
#include <climits>
#include <cmath>
#include <cstdlib>

#include "mw31/text_services.h"

namespace film {

bool read_text_line_cut(FILE* stream, std::string* line, bool* cut) {
    line->clear();
    *cut = false;
    int c = std::getc(stream);
    if (c == EOF) return false;
    while (c != EOF && c != '\n') {
        if (int(line->size()) <= kMaxTextLine) {
            line->push_back(char(c));
        } else {
            *cut = true;
        }
        c = std::getc(stream);
    }
    if (!line->empty() && line->back() == '\r') line->pop_back();
    if (int(line->size()) > kMaxTextLine) {
        line->resize(kMaxTextLine);
        *cut = true;
    }
    return true;
}

bool is_word_line(std::string_view line, std::string_view word) {
    if (line.substr(0, word.size()) != word) return false;
    for (size_t i = word.size(); i < line.size(); ++i) {
        if (static_cast<unsigned char>(line[i]) >= '!') return false;
    }
    return true;
}

double parse_real(std::string_view text) {
    // strtod needs a terminated string; lines are short, so a copy is cheap.
    const std::string s(text);
    const double v = mw31::strtod_c(s.c_str(), nullptr);
    return std::isfinite(v) ? v : 0.0;
}

int parse_int(std::string_view text) {
    const std::string s(text);
    errno = 0;
    const long v = std::strtol(s.c_str(), nullptr, 10);
    if (v > INT_MAX) return INT_MAX;
    if (v < INT_MIN) return INT_MIN;
    return int(v);
}

}  // namespace film
