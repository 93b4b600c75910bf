// Import of VRML files made of one unit cube repeated at the same place: many face sets with
// the same cube ("sets"), or face sets listing the cube's triangles over and over ("lists").
// Every edge then has as many coincident candidates as there are copies, which is the worst
// case of the neighbour search. Each import runs in a child process, so that its peak
// resident size is its own, and is stopped after a time limit.
//
//   bench_vrml_coincident [megabytes ...]   (default 1 4 16)
//   KV_BENCH_TIMEOUT=seconds                (default 300)
#include <sys/resource.h>
#include <sys/time.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "faces3/faces3.h"
#include "faces3/faces3_output.h"
#include "faces3/vrml_import.h"
#include "support/run_in_child.h"

namespace {

const char* kCubePoints =
    " Coordinate3 { point [ 0 0 0, 1 0 0, 1 1 0, 0 1 0, 0 0 1, 1 0 1, 1 1 1, 0 1 1 ] }\n";
// Twelve outward triangles of the unit cube.
const char* kCubeTriangles[12] = {"0, 3, 2, -1,", "0, 2, 1, -1,", "4, 5, 6, -1,", "4, 6, 7, -1,",
                                  "0, 1, 5, -1,", "0, 5, 4, -1,", "1, 2, 6, -1,", "1, 6, 5, -1,",
                                  "2, 3, 7, -1,", "2, 7, 6, -1,", "3, 0, 4, -1,", "3, 4, 7, -1,"};

std::string temp_name(const char* kind, double mb) {
    const char* tmp = std::getenv("TMPDIR");
    char name[128];
    std::snprintf(name, sizeof name, "/bench_vrml_%s_%g_%d.wrl", kind, mb,
                  static_cast<int>(getpid()));
    return std::string(tmp && *tmp ? tmp : "/tmp") + name;
}

// Writes about `bytes` of coincident cubes; returns the number of cube copies.
long write_model(const std::string& path, bool lists, long bytes) {
    std::FILE* f = std::fopen(path.c_str(), "w");
    if (!f) return -1;
    std::fputs("#VRML V1.0 ascii\nSeparator {\n", f);
    long copies = 0;
    if (!lists) {
        while (std::ftell(f) < bytes) {
            std::fputs(kCubePoints, f);
            std::fputs(" IndexedFaceSet { coordIndex [\n", f);
            for (const char* t : kCubeTriangles) std::fprintf(f, "  %s\n", t);
            std::fputs(" ] }\n", f);
            ++copies;
        }
    } else {
        // Face sets of 2000 cubes each, well inside the index list limit.
        std::fputs(kCubePoints, f);
        while (std::ftell(f) < bytes) {
            std::fputs(" IndexedFaceSet { coordIndex [\n", f);
            for (int c = 0; c < 2000 && std::ftell(f) < bytes; ++c, ++copies) {
                for (const char* t : kCubeTriangles) std::fprintf(f, "%s\n", t);
            }
            std::fputs(" ] }\n", f);
        }
    }
    std::fputs("}\n", f);
    std::fclose(f);
    return copies;
}

void quiet(const char*) {}

struct Result {
    bool done = false;
    int triangles = 0;
    int missing = 0;  // triangle edges without a neighbour
    double seconds = 0;
    long peak_kb = 0;
};

Result run(const std::string& path, int timeout_s) {
    return run_in_child<Result>([&] {
        alarm(static_cast<unsigned>(timeout_s));
        faces3_set_terminal_output(quiet);
        const auto t0 = std::chrono::steady_clock::now();
        Faces3Koerper* k = faces3_rcv_from_vrml(path.c_str());
        Result c;
        c.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
        c.done = k != nullptr;
        c.triangles = faces3_anzahl_dreiecke(k);
        for (int i = 0; i < c.triangles; ++i) {
            const Faces3Dreieck* d = faces3_get_dreieck(k, i);
            for (int s = 0; s < 3; ++s) c.missing += d->nachbar[s] < 0;
        }
        return c;
    });
}

}  // namespace

int main(int argc, char** argv) {
    std::vector<double> sizes;
    for (int i = 1; i < argc; ++i) sizes.push_back(std::atof(argv[i]));
    if (sizes.empty()) sizes = {1, 4, 16};
    const char* to = std::getenv("KV_BENCH_TIMEOUT");
    const int timeout_s = to && std::atoi(to) > 0 ? std::atoi(to) : 300;
    std::printf("%-6s %8s %8s %10s %10s %10s %12s\n", "model", "MB", "cubes", "triangles",
                "open edges", "seconds", "peak RSS MB");
    for (const bool lists : {false, true}) {
        for (const double mb : sizes) {
            const char* kind = lists ? "lists" : "sets";
            const std::string path = temp_name(kind, mb);
            const long copies = write_model(path, lists, static_cast<long>(mb * 1048576));
            const Result r = run(path, timeout_s);
            std::remove(path.c_str());
            if (r.done) {
                std::printf("%-6s %8g %8ld %10d %10d %10.3f %12.1f\n", kind, mb, copies,
                            r.triangles, r.missing, r.seconds, r.peak_kb / 1024.0);
            } else {
                std::printf("%-6s %8g %8ld %10s %10s %10s %12.1f  (stopped after %d s)\n", kind, mb,
                            copies, "-", "-", "-", r.peak_kb / 1024.0, timeout_s);
            }
            std::fflush(stdout);
        }
    }
    return 0;
}
