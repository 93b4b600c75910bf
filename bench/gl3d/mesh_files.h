// Generated input of the 3D benchmarks: tori of a chosen triangle count as ANM3D triangle lists,
// VRML 1.0 and OBJ, so that every program is given the very same mesh.
#pragma once

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace bench3d {

// A torus around the z axis: nu x nv quads, two triangles each.
struct Torus {
    int nu = 0, nv = 0;
    double major = 1, minor = 0.4;
    double cx = 0, cy = 0, cz = 0;

    int triangles() const { return 2 * nu * nv; }
    void point(int i, int j, double* p) const {
        const double u = 2 * M_PI * (i % nu) / nu, v = 2 * M_PI * (j % nv) / nv;
        const double r = major + minor * std::cos(v);
        p[0] = cx + r * std::cos(u);
        p[1] = cy + r * std::sin(u);
        p[2] = cz + minor * std::sin(v);
    }
    // Vertex index of grid point (i, j), wrapping round.
    int index(int i, int j) const { return (i % nu) * nv + (j % nv); }
    // The two triangles of quad (i, j), counter-clockwise seen from outside.
    void quad(int i, int j, int tri[2][3]) const {
        const int a = index(i, j), b = index(i + 1, j), c = index(i + 1, j + 1),
                  d = index(i, j + 1);
        tri[0][0] = a, tri[0][1] = b, tri[0][2] = c;
        tri[1][0] = a, tri[1][1] = c, tri[1][2] = d;
    }
};

inline std::string temp_dir() {
    const char* t = std::getenv("TMPDIR");
    return t && *t ? t : "/tmp";
}

// An ANM3D "triangles" block (one body, flags 0) into an open scene file.
inline void write_triangle_block(std::FILE* f, const Torus& t) {
    std::fprintf(f, "triangles 0\nn %d\n", t.triangles());
    int tri[2][3];
    double p[3];
    for (int i = 0; i < t.nu; ++i)
        for (int j = 0; j < t.nv; ++j) {
            t.quad(i, j, tri);
            for (auto& corners : tri) {
                for (int k = 0; k < 3; ++k) {
                    const int idx = corners[k];
                    t.point(idx / t.nv, idx % t.nv, p);
                    std::fprintf(f, k ? " %.5f %.5f %.5f" : "%.5f %.5f %.5f", p[0], p[1], p[2]);
                }
                std::fputc('\n', f);
            }
        }
    std::fputs("end_triangles\n", f);
}

inline bool write_vrml(const std::string& path, const Torus& t) {
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) return false;
    std::fputs("#VRML V1.0 ascii\nSeparator {\n  Coordinate3 {\n    point [\n", f);
    double p[3];
    for (int i = 0; i < t.nu; ++i)
        for (int j = 0; j < t.nv; ++j) {
            t.point(i, j, p);
            std::fprintf(f, "      %.6f %.6f %.6f,\n", p[0], p[1], p[2]);
        }
    std::fputs("    ]\n  }\n  IndexedFaceSet {\n    coordIndex [\n", f);
    int tri[2][3];
    for (int i = 0; i < t.nu; ++i)
        for (int j = 0; j < t.nv; ++j) {
            t.quad(i, j, tri);
            for (auto& c : tri) std::fprintf(f, "      %d, %d, %d, -1,\n", c[0], c[1], c[2]);
        }
    std::fputs("    ]\n  }\n}\n", f);
    return std::fclose(f) == 0;
}

inline bool write_obj(const std::string& path, const Torus& t) {
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) return false;
    double p[3];
    for (int i = 0; i < t.nu; ++i)
        for (int j = 0; j < t.nv; ++j) {
            t.point(i, j, p);
            std::fprintf(f, "v %.6f %.6f %.6f\n", p[0], p[1], p[2]);
        }
    int tri[2][3];
    for (int i = 0; i < t.nu; ++i)
        for (int j = 0; j < t.nv; ++j) {
            t.quad(i, j, tri);
            for (auto& c : tri) std::fprintf(f, "f %d %d %d\n", c[0] + 1, c[1] + 1, c[2] + 1);
        }
    return std::fclose(f) == 0;
}

// A one-frame scene: `bodies` tori of `triangles` triangles in all, in a row, and 100 cylinders
// of 24 facets in a ring around them; `frames` frame records turn the tori about z.
inline std::string write_render_scene(int triangles, int bodies, int frames) {
    const std::string path =
        temp_dir() + "/kv_bench_gl3d_render_" + std::to_string(triangles) + ".anm";
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) return "";
    std::fprintf(f, "ANM3D\n%d\n%d\n--- Symbol-Dateien ---\n", bodies + 1, frames);
    const int per_body = triangles / bodies;
    for (int b = 0; b < bodies; ++b) {
        Torus t;
        t.nv = 100;
        t.nu = per_body / (2 * t.nv);
        t.major = 40, t.minor = 15;
        std::fprintf(f, "begin x torus%d\n0.8 0.7 0.3\n", b);
        write_triangle_block(f, t);
        std::fputs("end\n", f);
    }
    std::fputs("begin x zylinder\n0.3 0.6 0.9\n", f);
    const double ring = 60.0 * bodies;
    for (int c = 0; c < 100; ++c) {
        const double a = 2 * M_PI * c / 100;
        std::fprintf(f, "zylinder 24 %.4f %.4f -30 5 60 0 0 1 0\n", ring * std::cos(a),
                     ring * std::sin(a));
    }
    std::fputs("end\n", f);
    for (int i = 0; i < frames; ++i) {
        std::fprintf(f, "# %d\n", i);
        const double a = 2 * M_PI * i / frames, c = std::cos(a), s = std::sin(a);
        for (int b = 0; b < bodies; ++b)
            std::fprintf(f, "%.4f 0 0 %.9f %.9f 0 %.9f %.9f 0 0 0 1\n",
                         (b - (bodies - 1) / 2.0) * 110, c, s, -s, c);
        std::fputs("0 0 0 1 0 0 0 1 0 0 0 1\n", f);
    }
    std::fclose(f);
    return path;
}

}  // namespace bench3d
