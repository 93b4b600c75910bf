// Feeds arbitrary bytes to the file-kind detection as a film file: the head, the CAD-wrapper
// test and the "usercoor" probe. Seeds: every example film, a usercoor film, a CAD export.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "main/film_kind.h"
#include "support/fuzz_files.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string path = fuzz::write_input("film.anm", data, size);
    if (path.empty()) return 0;
    const std::string head = kurvlab::read_film_head(path);
    if (head.size() != size_t(kurvlab::kHeadBytes)) std::abort();
    for (size_t i = size; i < head.size(); ++i)
        if (static_cast<unsigned char>(head[i]) != 0xFF) std::abort();
    kurvlab::is_cad_wrapper_head(head);
    FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) return 0;
    const bool found = kurvlab::contains_usercoor(f);
    std::fclose(f);
    // The probe never reports a word the bytes do not hold.
    if (found && std::string(reinterpret_cast<const char*>(data), size).find("usercoor") ==
                     std::string::npos)
        std::abort();
    return 0;
}
