// The ANMNEU films the merge and motion benchmarks are made of: `parts` links turning at
// different rates about points on a line, each film's links starting `phase` radians on.
#pragma once

#include <cmath>
#include <sstream>
#include <string>

inline std::string link_film_text(int film, int parts, int frames, double phase) {
    std::ostringstream s;
    s << "ANMNEU\n" << parts << "\n" << frames << "\n-100\n100\n-80\n80\n";
    s << "--- Start Infotext ---\nFilm " << film << "\n--- Ende Infotext ---\n";
    s << "--- Symbol-Dateien ---\n";
    for (int p = 1; p <= parts; ++p)
        s << "begin " << p << "\nGlied " << p << "\n-\nrot\nm 0 0\nd 20 0\nd 20 5\nc 0 0 3 0 360\n"
          << "end\n";
    s.precision(6);
    s << std::fixed;
    for (int j = 0; j < frames; ++j) {
        s << "#" << j << "\nc-90 70:phi = " << j << "\n";
        for (int p = 0; p < parts; ++p) {
            const double a = 2 * M_PI * j / frames * (1 + p % 3) + phase;
            s << 15.0 * p - 70 << " " << 10 * std::sin(a) << " " << a << "\n";
        }
    }
    return s.str();
}
