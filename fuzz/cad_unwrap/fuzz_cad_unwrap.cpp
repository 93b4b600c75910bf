// Feeds arbitrary bytes to the CAD unwrap as an export file and reads the unwrapped film, as
// the program does with a CAD-wrapped film. Seeds: the example films wrapped as CAD exports.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "film_model/anmneu_reader.h"
#include "film_model/cad_unwrap.h"
#include "support/fuzz_files.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzz::provide_example_symbols();
    const std::string source = fuzz::write_input("export.cad", data, size);
    if (source.empty()) return 0;
    const std::string target = mw31::temp_directory() + "/unwrapped.anm";
    std::remove(target.c_str());
    const auto quiet = [](const std::string&) {};
    const int status = film::cad_unwrap_anmneu(source, target, quiet);
    if (status != 0 && status != 1) std::abort();
    if (status == 0) {
        film::AnmneuFilm film;
        const int frames = film::read_anmneu_film(target, &film, quiet);
        if (frames < -1 || frames > film::kAnmneuMaxFrames) std::abort();
    }
    return 0;
}
