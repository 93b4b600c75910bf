// Feeds arbitrary bytes to the merge-definition detection as a file whose name does not decide
// (not ".txt"), every line to the key parser, the whole to the definition reader, and the
// same bytes as a film to the merge (twice, turned, into a short film). Seeds: small merge
// definitions and films.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "film_out/film_merge.h"
#include "film_out/merge_definition.h"
#include "support/fuzz_files.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string path = fuzz::write_input("merge.def", data, size);
    if (path.empty()) return 0;
    const int found = film_out::merge_definition_detect(path);
    if (found != 0 && found != 1) std::abort();
    const std::string text(reinterpret_cast<const char*>(data), size);
    for (size_t at = 0; at < text.size();) {
        size_t end = text.find('\n', at);
        if (end == std::string::npos) end = text.size();
        const std::string key = film_out::merge_line_key(text.substr(at, end - at));
        for (char c : key)
            if (static_cast<unsigned char>(c) <= ' ' || (c >= 'A' && c <= 'Z')) std::abort();
        film_out::is_merge_key(key);
        at = end + 1;
    }

    // Only read: a definition names files anywhere, which a fuzzer must not open or write.
    film_out::MergeDefinition definition;
    const int read = film_out::merge_definition_read(path, "", 0, &definition);
    if ((read != 0 && read != 1) || definition.entries.size() > size_t(film_out::kMergeMaxEntries))
        std::abort();
    for (const film_out::MergeEntry& e : definition.entries)
        if (!std::isfinite(e.dx) || !std::isfinite(e.dy) || !std::isfinite(e.dw) ||
            !std::isfinite(e.i))
            std::abort();

    fuzz::provide_example_symbols();
    film_out::MergeEntry a, b;
    a.film = b.film = path;
    b.dw = 1;
    b.i = 2.5;
    b.phase = 100;
    const std::string output = fuzz::write_input("merged.flm", nullptr, 0);
    const int merged = film_out::vereinigung_flm_files({a, b}, output, 7);
    if (merged != 0 && merged != 1) std::abort();
    return 0;
}
