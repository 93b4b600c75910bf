// DXF text: two lines per group, the code right-aligned in three characters, fixed integers
// in six, reals as "%lf".
#include "film_out/dxf_writer.h"

#include <cmath>
#include <utility>

#include "mw31/format.h"

namespace film_out {

namespace {

constexpr size_t kFlushSize = 1 << 16;

// Group 8 (layer), 6 (line type) and the code of the colour that follows.
#define KV_DXF_ATTRIBUTES "  8\nTARVO\n  6\nDURCHGEZOGEN\n 62\n"

struct LineType {
    const char* name;
    const char* description;
    const char* count;
    const char* total;
    const char* elements[4];
};

// Lengths are written as the table has them, not through %lf.
constexpr LineType kLineTypes[] = {
    {"DURCHGEZOGEN", "_________________________", "     0", "   0.0", {}},
    {"GESTRICHELT", "__ __ __ __ __ __ __ __", "     2", "   2.0", {"   1.5", "  -0.5"}},
    {"STRICHPUNKTIERT",
     "__ . __ . __ . __ . __ . __",
     "     4",
     "   3.0",
     {"   2.0", "  -0.4", "  0.2", "  -0.4"}},
    {"PUNKTIERT", ". . . . . . . . . . . . . . .", "     2", "   1.5", {"   1.4", "  -0.1"}},
};

void group(std::string* out, const char* code, const char* value) {
    *out += code;
    *out += '\n';
    *out += value;
    *out += '\n';
}

std::string make_head() {
    std::string h;
    group(&h, "  0", "SECTION");
    group(&h, "  2", "HEADER");
    group(&h, "  9", "$ANGDIR");
    group(&h, " 70", "     0");
    group(&h, "  0", "ENDSEC");
    group(&h, "  0", "SECTION");
    group(&h, "  2", "TABLES");
    group(&h, "  0", "TABLE");
    group(&h, "  2", "LTYPE");
    group(&h, " 70", "    64");
    for (const LineType& t : kLineTypes) {
        group(&h, "  0", "LTYPE");
        group(&h, "  2", t.name);
        group(&h, " 70", "    64");
        group(&h, "  3", t.description);
        group(&h, " 72", "    65");
        group(&h, " 73", t.count);
        group(&h, " 40", t.total);
        for (const char* e : t.elements)
            if (e) group(&h, " 49", e);
    }
    group(&h, "  0", "ENDTAB");
    group(&h, "  0", "TABLE");
    group(&h, "  2", "LAYER");
    group(&h, " 70", "     8");
    group(&h, "  0", "LAYER");
    group(&h, "  2", kDxfLayer);
    group(&h, " 70", "     0");
    group(&h, " 62", "     1");
    group(&h, "  6", kDxfLineType);
    group(&h, "  0", "ENDTAB");
    group(&h, "  0", "ENDSEC");
    group(&h, "  0", "SECTION");
    group(&h, "  2", "BLOCKS");
    group(&h, "  0", "ENDSEC");
    group(&h, "  0", "SECTION");
    group(&h, "  2", "ENTITIES");
    return h;
}

bool finite(double a, double b, double c, double d, double e) {
    return std::isfinite(a) && std::isfinite(b) && std::isfinite(c) && std::isfinite(d) &&
           std::isfinite(e);
}

}  // namespace

bool DxfFile::open(const std::string& target) {
    buffer_.clear();
    bytes_ = 0;
    error_.clear();
    if (file_.begin(target)) return true;
    error_ = file_.error();
    return false;
}

void DxfFile::put(std::string_view text) {
    buffer_ += text;
    bytes_ += text.size();
    if (buffer_.size() >= kFlushSize) flush();
}

void DxfFile::flush() {
    if (!buffer_.empty() && file_.active()) file_.write(buffer_);
    buffer_.clear();
}

bool DxfFile::finish() {
    flush();
    if (file_.commit()) return true;
    error_ = file_.error();
    return false;
}

void DxfFile::abandon() {
    buffer_.clear();
    file_.abort();
}

const std::string& dxf_head_text() {
    static const std::string head = make_head();
    return head;
}

void dxf_write_head(DxfFile* file) {
    if (file && file->is_open()) file->put(dxf_head_text());
}

int dxf_write_line(DxfFile* file, double x1, double y1, double x2, double y2) {
    if (!file || !file->is_open()) return 1;
    if (!finite(x1, y1, x2, y2, 0)) return 0;
    // Layer, line type and z are the same for every entity: fixed text, no directive.
    file->put(mw31::format_text("  0\nLINE\n" KV_DXF_ATTRIBUTES
                                "%6d\n 10\n%lf\n 20\n%lf\n 30\n0.000000\n"
                                " 11\n%lf\n 21\n%lf\n 31\n0.000000\n",
                                kDxfColour, x1, y1, x2, y2));
    return 0;
}

int dxf_write_arc(DxfFile* file, double cx, double cy, double start, double end, double r) {
    if (!file || !file->is_open()) return 1;
    if (!finite(cx, cy, start, end, r)) return 0;
    if (start > end) std::swap(start, end);
    file->put(mw31::format_text("  0\nARC\n" KV_DXF_ATTRIBUTES
                                "%6d\n 10\n%lf\n 20\n%lf\n 30\n0.000000\n"
                                " 40\n%lf\n 50\n%lf\n 51\n%lf\n",
                                kDxfColour, cx, cy, r, start, end));
    return 0;
}

int dxf_write_tail(DxfFile* file) {
    if (!file || !file->is_open()) return 1;
    file->put("  0\nENDSEC\n  0\nEOF\n");
    return file->finish() ? 0 : 1;
}

}  // namespace film_out
