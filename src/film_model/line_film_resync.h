// What a film reader does after a frame's end: it skips to the next byte that starts a frame,
// taking every other byte as a command letter whose values are skipped as shorts.
#pragma once

namespace film {

// l, i, m, d or h in either case start a frame.
inline bool starts_line_film_frame(int c) {
    switch (c | 0x20) {  // lower case for letters
        case 'l':
        case 'i':
        case 'm':
        case 'd':
        case 'h':
            return true;
        default:
            return false;
    }
}

// How many shorts of a letter's values are skipped while looking for the next frame's start.
// Lower-case letters skip nothing, so their text values are read as further letters.
inline int shorts_skipped_after_frame_end(int c) {
    switch (c) {
        case 'A':
        case 'L':
        case 'W':
        case 'I':
        case 'X':
            return 4;
        case 'B':
        case 'G':
        case 'b':
        case 'g':
            return 7;
        case 'D':
        case 'M':
        case 'R':
            return 2;
        case 'C':
            return 1;
        default:
            return 0;
    }
}

}  // namespace film
