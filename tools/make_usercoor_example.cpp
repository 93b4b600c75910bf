// Writes the example user-coordinates film: the cam film converted by the program's own
// conversion, so that its records are those -c -f would play.
// make_usercoor_example ANMNEU_FILM OUTPUT_FILM (normally examples/cam_anmneu.anm and
// examples/cam_usercoor.anm).
#include <cstdio>

#include "film_out/usercoor_conversion.h"

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: make_usercoor_example ANMNEU_FILM OUTPUT_FILM\n");
        return 2;
    }
    // The conversion reports what went wrong itself.
    return film_out::anmneu_to_usercoor(argv[1], argv[2]);
}
