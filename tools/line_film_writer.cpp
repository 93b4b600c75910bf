// Encodings: upper-case letters take big-endian binary values, lower-case ones decimal text
// values each ended by one byte; m and d take base-96 pairs.
#include "line_film_writer.h"

#include <algorithm>
#include <cmath>

namespace tools {

void LineFilmWriter::letter(char binary_letter) {
    out_ += binary_ ? binary_letter : char(binary_letter - 'A' + 'a');
}

void LineFilmWriter::value_short(int v) {
    if (binary_) {
        v = std::clamp(v, 0, 65535);
        out_ += char(v >> 8);
        out_ += char(v & 0xff);
    } else {
        out_ += std::to_string(v) + ",";
    }
}

void LineFilmWriter::value_long(int32_t v) {
    if (binary_) {
        const uint32_t u = uint32_t(v);
        for (int shift = 24; shift >= 0; shift -= 8) out_ += char((u >> shift) & 0xff);
    } else {
        out_ += std::to_string(v) + ",";
    }
}

void LineFilmWriter::pair96(int x, int y) {
    x = std::clamp(x, 0, 9215);
    y = std::clamp(y, 0, 9215);
    out_ += char(32 + x / 96);
    out_ += char(32 + x % 96);
    out_ += char(32 + y / 96);
    out_ += char(32 + y % 96);
}

void LineFilmWriter::head(int width, int height, int32_t angle_divisor) {
    divisor_ = angle_divisor;
    letter('R');
    value_short(width - 1);
    value_short(height - 1);
    letter('Q');
    value_long(angle_divisor);
    out_ += binary_ ? "F\n" : "f\n";
}

void LineFilmWriter::colour(int c) {
    letter('C');
    value_short(c);
}

void LineFilmWriter::line(int x1, int y1, int x2, int y2) {
    letter('L');
    value_short(x1);
    value_short(y1);
    value_short(x2);
    value_short(y2);
}

void LineFilmWriter::move_to(int x, int y) {
    letter('M');
    if (binary_) {
        value_short(x);
        value_short(y);
    } else {
        pair96(x, y);
    }
}

void LineFilmWriter::draw_to(int x, int y) {
    letter('D');
    if (binary_) {
        value_short(x);
        value_short(y);
    } else {
        pair96(x, y);
    }
}

void LineFilmWriter::arc(int x, int y, int r, double start_deg, double end_deg) {
    letter('H');
    value_short(x);
    value_short(y);
    value_long(int32_t(std::lround(start_deg * divisor_)));
    value_long(int32_t(std::lround(end_deg * divisor_)));
    value_short(r);
}

void LineFilmWriter::filled_rect(int x1, int y1, int x2, int y2) {
    letter('W');
    value_short(x1);
    value_short(y1);
    value_short(x2);
    value_short(y2);
}

void LineFilmWriter::end_frame() {
    letter('X');
    out_ += '\n';
}

}  // namespace tools
