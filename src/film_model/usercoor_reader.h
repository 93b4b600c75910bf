// Reads a user-coordinates film (lower-case letters with real values in world units) from a
// byte source into its store.
#pragma once

#include <cstddef>
#include <string>

#include "film_model/byte_source.h"
#include "film_model/reader_report.h"
#include "film_model/usercoor_film.h"

namespace film {

struct UsercoorLimits {
    int max_frames = kMaxFrames;
    int max_records_per_frame = kMaxRecordsPerFrame;
    int max_texts = kUsercoorMaxTexts;
    // A film with more bytes than this after its head is read in two halves at once, where it
    // can be read twice and there are two processors.
    size_t two_halves_from = size_t(8) << 20;
    // Where the second half begins to look for a frame start; 0: in the middle. Given, it
    // splits on one processor too.
    size_t second_half_from = 0;
};

// Reads the whole film from its first byte (the source is rewound) into *film, which is reset
// first. Returns 0, or 1 after a reported message when the film cannot be played (not
// readable, no memory). Too many frames or records are reported and the frames read so far
// are kept (result 0).
int read_usercoor_film(ByteSource& source, UsercoorFilm* film, const ReaderHooks& hooks = {});
// The same with other limits (tests use small ones).
int read_usercoor_film(ByteSource& source, UsercoorFilm* film, const UsercoorLimits& limits,
                       const ReaderHooks& hooks = {});

// Opens the file and reads it as above; "Kann Datei nicht zum Lesen oeffnen / Cannot open file
// for read:\n<name>" and 1 when it cannot be opened.
int read_usercoor_film_file(const std::string& name, UsercoorFilm* film,
                            const ReaderHooks& hooks = {});

// A real value's run of + - . 0-9 D E d e converted as the standard conversion does (its
// longest valid prefix, 0 when there is none), with D and d taken as exponent letters.
double usercoor_real(const char* run, size_t length);

}  // namespace film
