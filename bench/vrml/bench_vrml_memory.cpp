// Peak memory of the VRML import: a generated model of wavy sheet tiles (each tile one
// Coordinate3 and one IndexedFaceSet, well inside the list limits) imported in a child
// process, so that its peak resident size is the import's own. Prints the peak per byte of
// input and per triangle imported, for lists written with blanks after the commas and for
// lists written without any blank (the most tokens per byte).
//
//   bench_vrml_memory [megabytes ...]   (default 8 32)
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "faces3/faces3.h"
#include "faces3/faces3_output.h"
#include "faces3/vrml_import.h"
#include "support/run_in_child.h"

namespace {

constexpr int kTile = 180;  // points per tile side: 64,082 triangles, 256,328 indices

std::string temp_name(double mb) {
    const char* tmp = std::getenv("TMPDIR");
    char name[128];
    std::snprintf(name, sizeof name, "/bench_vrml_memory_%g_%d.wrl", mb,
                  static_cast<int>(getpid()));
    return std::string(tmp && *tmp ? tmp : "/tmp") + name;
}

// Writes tiles side by side until about `bytes` are written; returns the file size.
long write_model(const std::string& path, long bytes, bool compact) {
    const char* point = compact ? "%.4f %.4f %.4f,\n" : "   %.4f %.4f %.4f,\n";
    const char* pair =
        compact ? "%d,%d,%d,-1,%d,%d,%d,-1,\n" : "   %d, %d, %d, -1, %d, %d, %d, -1,\n";
    std::FILE* f = std::fopen(path.c_str(), "w");
    if (!f) return -1;
    std::fputs("#VRML V1.0 ascii\nSeparator {\n", f);
    for (int tile = 0; std::ftell(f) < bytes; ++tile) {
        const double x0 = tile * (kTile - 1) * 2.0;
        std::fputs(" Separator {\n  Coordinate3 { point [\n", f);
        for (int j = 0; j < kTile; ++j)
            for (int i = 0; i < kTile; ++i)
                std::fprintf(f, point, x0 + i * 2.0, j * 2.0,
                             10.0 * std::sin((i + tile * (kTile - 1)) * 0.05) * std::cos(j * 0.07));
        std::fputs("  ] }\n  IndexedFaceSet { coordIndex [\n", f);
        for (int j = 0; j + 1 < kTile; ++j)
            for (int i = 0; i + 1 < kTile; ++i) {
                const int a = j * kTile + i, b = a + 1, c = a + kTile, d = c + 1;
                std::fprintf(f, pair, a, b, d, a, d, c);
            }
        std::fputs("  ] }\n }\n", f);
    }
    std::fputs("}\n", f);
    const long size = std::ftell(f);
    std::fclose(f);
    return size;
}

void quiet(const char*) {}

struct Result {
    bool done = false;
    int triangles = 0;
    int points = 0;
    double seconds = 0;
    long before_kb = 0;  // peak resident size before the import
    long peak_kb = 0;
};

long peak_kb_now() {
    rusage ru{};
    getrusage(RUSAGE_SELF, &ru);
    return ru.ru_maxrss;
}

Result run(const std::string& path) {
    return run_in_child<Result>([&] {
        faces3_set_terminal_output(quiet);
        Result c;
        c.before_kb = peak_kb_now();
        const auto t0 = std::chrono::steady_clock::now();
        Faces3Koerper* k = faces3_rcv_from_vrml(path.c_str());
        c.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
        c.done = k != nullptr;
        c.triangles = faces3_anzahl_dreiecke(k);
        c.points = faces3_anzahl_punkte(k);
        return c;
    });
}

}  // namespace

int main(int argc, char** argv) {
    std::vector<double> sizes;
    for (int i = 1; i < argc; ++i) sizes.push_back(std::atof(argv[i]));
    if (sizes.empty()) sizes = {8, 32};
    double load[3] = {0, 0, 0};
    if (getloadavg(load, 3) == 3)
        std::printf("load average %.2f %.2f %.2f\n", load[0], load[1], load[2]);
    std::printf("%-8s %8s %10s %9s %8s %12s %12s %14s\n", "lists", "MB", "triangles", "points",
                "seconds", "peak RSS MB", "peak / byte", "peak / triangle");
    for (const bool compact : {false, true}) {
        for (const double mb : sizes) {
            const std::string path = temp_name(mb);
            const long bytes = write_model(path, static_cast<long>(mb * 1048576), compact);
            const Result r = run(path);
            std::remove(path.c_str());
            const char* kind = compact ? "compact" : "blanks";
            if (!r.done || bytes <= 0) {
                std::printf("%-8s %8g import failed (peak %.1f MB)\n", kind, mb,
                            r.peak_kb / 1024.0);
                continue;
            }
            // The child's peak less what it had before the import (the fork's copy of this
            // program), so that the figure is the import's.
            const double peak = (r.peak_kb - r.before_kb) * 1024.0;
            std::printf("%-8s %8.1f %10d %9d %8.3f %12.1f %12.2f %14.1f\n", kind, bytes / 1048576.0,
                        r.triangles, r.points, r.seconds, peak / 1048576.0, peak / bytes,
                        r.triangles > 0 ? peak / r.triangles : 0.0);
            std::fflush(stdout);
        }
    }
    return 0;
}
