// Writes arbitrary bytes to a file and reads them through the file-backed byte source: the
// bytes (with push-back and rewind) and the line film read from them must equal those read
// from memory. Seeds: the example line films.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "film_model/line_film_reader.h"
#include "support/fuzz_files.h"

namespace {

// Every byte, pushing one back now and then as the readers do.
std::string drain(film::ByteSource& s) {
    std::string out;
    for (int c; (c = s.get()) != film::ByteSource::kEndOfStream;) {
        out += char(c);
        if (out.size() % 7 == 3) {
            s.unget(c);
            if (s.get() != c) std::abort();
        }
    }
    if (s.get() != film::ByteSource::kEndOfStream) std::abort();
    return out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string path = fuzz::write_input("film.bin", data, size);
    if (path.empty()) return 0;
    film::FileByteSource file;
    if (!file.open(path)) std::abort();
    const std::string expected(reinterpret_cast<const char*>(data), size);
    if (file.size_hint() != size) std::abort();
    if (drain(file) != expected) std::abort();
    if (!file.rewind() || drain(file) != expected) std::abort();

    if (!file.rewind()) std::abort();
    film::MemoryByteSource memory(data, size);
    film::FrameStore from_file, from_memory;
    const film::LineFilmLimits limits{20, 300};
    const film::EraseRectMapper map = [](const mw31::Rect& r, int) { return r; };
    film::read_line_film(file, &from_file, map, limits);
    film::read_line_film(memory, &from_memory, map, limits);
    if (from_file.records != from_memory.records || from_file.frame_ends != from_memory.frame_ends)
        std::abort();
    return 0;
}
