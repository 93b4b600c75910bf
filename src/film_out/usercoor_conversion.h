// Conversion of ANMNEU films into user-coordinates films: the records of placed symbols, the
// whole film into a file or into the in-memory film stream the user-coordinates player reads.
#pragma once

#include <cstdio>
#include <string>
#include <vector>

#include "film_model/anmneu_film.h"
#include "film_model/contour_element.h"
#include "film_model/contour_placement.h"

namespace film_out {

constexpr long kDefaultMemoryStreamSize = 10000000;  // when the -s size is below 1024
constexpr long kMinMemoryStreamSize = 1024;
constexpr long kMemoryStreamRetryMargin = 10000;  // added to the count for the one retry

// The in-memory film: bytes written up to its size are kept, further ones only counted.
struct FilmMemoryStream {
    std::string bytes;  // what fits
    long size = kDefaultMemoryStreamSize;
    long written = 0;  // every byte written, kept or not
    long read_pos = 0;
};

// The program's one in-memory film, which the user-coordinates player reads as "INMEM".
FilmMemoryStream& usercoor_memory_stream();

// Empty, with room for size bytes (kDefaultMemoryStreamSize when size is below 1024).
void memory_stream_clear(FilmMemoryStream* m, long size);
void memory_stream_write(FilmMemoryStream* m, const std::string& text);
// The next byte, or EOF when all kept bytes were read.
int memory_stream_get(FilmMemoryStream* m);
inline bool memory_stream_overflowed(const FilmMemoryStream& m) {
    return m.written > m.size;
}

// Where records go: an open file, or the in-memory stream when there is no file. The current
// point of line records lives here and carries over from symbol to symbol.
struct RecordTarget {
    FILE* file = nullptr;
    FilmMemoryStream* memory = nullptr;
    double current_x = 0, current_y = 0;
    double pixel_width = 800;  // for the chord count of scaled arcs
    double world_width = 0;
    std::string line{};                      // reused for every line of a file
    std::vector<film::WorldPoint> chords{};  // reused for every scaled arc
};

// Writes one line (the line end is added).
void write_record(RecordTarget* t, const std::string& line);

// One placed symbol as records: its colour, lines, arcs and colour changes.
void emit_symbol_records(RecordTarget* t, const film::ContourElement* elements, int count,
                         const film::SymbolPlacement& p, int colour);

struct UsercoorOptions {
    double angle_divisor = 100000.0;  // the film player's current divisor, written as "q"
    long memory_size = 0;             // -s value
    double pixel_width = 800;         // drawing-area width the chords of scaled arcs are for
};

// Converts a film already read. Writes to the file (null: to usercoor_memory_stream(), with
// one retry in a larger stream when it was too small). 1 when the film holds no frames or the
// file cannot be written to, else 0.
int film_to_usercoor(const film::AnmneuFilm& film, const char* target_file,
                     const UsercoorOptions& options);

// Reads the ANMNEU film and converts it as film_to_usercoor does; 1 also when the film cannot
// be read.
int anmneu_to_usercoor(const std::string& film_name, const char* target_file,
                       const UsercoorOptions& options = UsercoorOptions());

}  // namespace film_out
