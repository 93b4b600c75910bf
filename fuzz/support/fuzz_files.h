// Files a fuzz target writes: only inside the program's private temporary folder, which goes
// away when the target ends.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <string>

#include "mw31/temp_names.h"

namespace fuzz {

// Writes the bytes as `name` (may hold folders) in the private folder and returns its full
// name; "" when that is not possible.
inline std::string write_input(const std::string& name, const uint8_t* data, size_t size) {
    const std::string dir = mw31::temp_directory();
    if (dir.empty()) return {};
    const std::filesystem::path path = std::filesystem::path(dir) / name;
    std::error_code ec;
    std::filesystem::create_directories(path.parent_path(), ec);
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) return {};
    const bool ok = size == 0 || std::fwrite(data, 1, size, f) == size;
    if (std::fclose(f) != 0 || !ok) return {};
    return path.string();
}

// Copies the example contours into <private folder>/symbols, where films name them.
inline void provide_example_symbols() {
    static const bool done = [] {
        std::error_code ec;
        const std::filesystem::path to = std::filesystem::path(mw31::temp_directory()) / "symbols";
        std::filesystem::create_directories(to, ec);
        std::filesystem::copy(KV_EXAMPLES_DIR "/symbols", to,
                              std::filesystem::copy_options::overwrite_existing, ec);
        return true;
    }();
    (void)done;
}

}  // namespace fuzz
