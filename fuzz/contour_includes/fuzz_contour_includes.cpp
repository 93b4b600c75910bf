// Splits arbitrary bytes at lines "#--" into up to four contour files a.ctr, b.ctr, c.ctr and
// d.ctr in a folder of their own and reads a.ctr, whose includes are then read from disk
// (relative to the folder, nested, repeated, missing, cyclic). Seeds: contours that include.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "film_model/contour_reader.h"
#include "support/fuzz_files.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string dir = mw31::temp_directory() + "/includes";
    std::error_code ec;
    std::filesystem::remove_all(dir, ec);  // nothing of the previous input may be found
    // Lines starting with "#--" begin the next file; the first file's lines are kept too.
    std::string files[4];
    std::vector<std::string> lines;
    int part = 0;
    for (size_t at = 0; at < size;) {
        size_t end = at;
        while (end < size && data[end] != '\n') ++end;
        const std::string line(reinterpret_cast<const char*>(data) + at, end - at);
        if (part < 3 && line.rfind("#--", 0) == 0) {
            ++part;
        } else {
            files[part] += line;
            if (end < size) files[part] += '\n';
            if (part == 0) lines.push_back(line);
        }
        at = end + 1;
    }
    for (int i = 0; i < 4; ++i) {
        const std::string name = std::string("includes/") + char('a' + i) + ".ctr";
        fuzz::write_input(name, reinterpret_cast<const uint8_t*>(files[i].data()), files[i].size());
    }

    film::ContourReading reading;
    reading.include_directory = dir;
    reading.report = [](const std::string&) {};
    const int room = film::contour_room_for_lines(lines, reading);
    if (room < 0) std::abort();
    constexpr int kMax = 200;  // small, so that the limit is reached too
    std::vector<film::ContourElement> elements(kMax);
    FILE* f = std::fopen((dir + "/a.ctr").c_str(), "rb");
    if (!f) return 0;
    int count = -1;
    if (film::do_load_detail_def(f, elements.data(), &count, kMax, reading) != 0) std::abort();
    std::fclose(f);
    if (count < 0 || count > kMax) std::abort();
    return 0;
}
