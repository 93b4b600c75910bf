// Fuzz target: any bytes as a triangle list, read with and without the no-search flag, from
// a stream; the resulting body is then picked, drawn and split.
#include <cstddef>
#include <cstdint>
#include <sstream>
#include <string>

#include "faces3/faces3.h"
#include "faces3/faces3_output.h"

namespace {
void quiet(const char*) {}
void line(double, double, double, double, double, double) {}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    faces3_set_terminal_output(quiet);
    faces3_set_draw_callbacks(line, nullptr, nullptr);
    const std::string text(reinterpret_cast<const char*>(data), size);
    for (int nosearch = 0; nosearch < 2; ++nosearch) {
        faces3_set_nosearch(nosearch);
        std::istringstream in(text);
        Faces3Koerper* k = faces3_rcv_from_triangles(in);
        faces3_set_nosearch(0);
        if (!k) continue;
        const double p[3] = {0, 0, 1}, d[3] = {0.001, 0.002, -1};
        double hit[3], n[3], r;
        faces3_pick(k, p, d, hit, n, 0.01, &r);
        faces3_draw_kanten(k);
        if (nosearch) {
            faces3_cpt_nachbarn_index(k);
            faces3_kantenpunkte_zerlegen(k);
        }
        double b[6];
        faces3_bbox(k, &b[0], &b[1], &b[2], &b[3], &b[4], &b[5]);
        faces3_free_koerper(k);
    }
    return 0;
}
