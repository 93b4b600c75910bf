// Feeds arbitrary bytes to the merge-definition detection as a file whose name does not decide
// (not ".txt"), and every line to the key parser. Seeds: small merge definitions and films.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

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
    return 0;
}
