// Bounding box, geometry snapshot and the transformations of a body.
#include <cmath>
#include <new>

#include "faces3/faces3_body.h"
#include "numeric/vec3.h"

int faces3_bbox(Faces3Koerper* k, double* xmin, double* xmax, double* ymin, double* ymax,
                double* zmin, double* zmax) {
    if (!k || k->punkte.empty()) return 1;
    double lo[3] = {1e38, 1e38, 1e38}, hi[3] = {-1e38, -1e38, -1e38};
    for (const Faces3P3& p : k->punkte) {
        for (int a = 0; a < 3; ++a) {
            if (p[a] < lo[a]) lo[a] = p[a];
            if (p[a] > hi[a]) hi[a] = p[a];
        }
    }
    for (int a = 0; a < 3; ++a) {
        k->bbox[2 * a] = lo[a];
        k->bbox[2 * a + 1] = hi[a];
    }
    double* out[6] = {xmin, xmax, ymin, ymax, zmin, zmax};
    for (int i = 0; i < 6; ++i) {
        if (out[i]) *out[i] = k->bbox[i];
    }
    return 0;
}

int faces3_save_geometrie(Faces3Koerper* k) {
    if (!k) return 1;
    try {
        std::vector<double> buf;
        buf.reserve(k->punkte.size() * 3 + k->dreiecke.size() * 6);
        for (const Faces3P3& p : k->punkte) buf.insert(buf.end(), p.begin(), p.end());
        for (const Faces3Dreieck& t : k->dreiecke) {
            buf.insert(buf.end(), t.mitte, t.mitte + 3);
            buf.insert(buf.end(), t.normale, t.normale + 3);
        }
        k->snapshot.swap(buf);
    } catch (const std::bad_alloc&) {
        return 1;
    }
    k->has_snapshot = true;
    k->snapshot_punkte = k->punkte.size();
    k->snapshot_dreiecke = k->dreiecke.size();
    return 0;
}

int faces3_restore_geometrie(Faces3Koerper* k) {
    if (!k || !k->has_snapshot) return 1;
    // A snapshot of a body that has since grown or shrunk no longer fits it.
    if (k->snapshot_punkte != k->punkte.size() || k->snapshot_dreiecke != k->dreiecke.size()) {
        return 1;
    }
    const double* s = k->snapshot.data();
    for (Faces3P3& p : k->punkte) {
        p = {s[0], s[1], s[2]};
        s += 3;
    }
    for (Faces3Dreieck& t : k->dreiecke) {
        for (int a = 0; a < 3; ++a) {
            t.mitte[a] = s[a];
            t.normale[a] = s[3 + a];
        }
        s += 6;
    }
    faces3_body_points_moved(k);
    return 0;
}

namespace {

// Applies the linear part l (3x3, row-major) and offset o to points and centres, and
// the linear part alone to normals.
void apply_affine(Faces3Koerper* k, const double l[9], const double o[3], bool normals) {
    auto map = [&](double* v, bool with_offset) {
        const double x = v[0], y = v[1], z = v[2];
        for (int r = 0; r < 3; ++r) {
            v[r] = l[r * 3] * x + l[r * 3 + 1] * y + l[r * 3 + 2] * z + (with_offset ? o[r] : 0);
        }
    };
    for (Faces3P3& p : k->punkte) map(p.data(), true);
    for (Faces3Dreieck& t : k->dreiecke) {
        map(t.mitte, true);
        if (normals) map(t.normale, false);
    }
    faces3_body_points_moved(k);
}

}  // namespace

int faces3_rotate(Faces3Koerper* k, double ax, double ay, double az, double angle_deg) {
    if (!k) return 1;
    if (!(std::sqrt(ax * ax + ay * ay + az * az) >= 1e-12)) return 1;
    double m[16];
    mat4_rotation(ax, ay, az, angle_deg * M_PI / 180.0, m);
    const double l[9] = {m[0], m[1], m[2], m[4], m[5], m[6], m[8], m[9], m[10]};
    const double o[3] = {0, 0, 0};
    apply_affine(k, l, o, true);
    return 0;
}

int faces3_translate(Faces3Koerper* k, double dx, double dy, double dz) {
    if (!k) return 1;
    for (Faces3P3& p : k->punkte) {
        p[0] += dx;
        p[1] += dy;
        p[2] += dz;
    }
    for (Faces3Dreieck& t : k->dreiecke) {
        t.mitte[0] += dx;
        t.mitte[1] += dy;
        t.mitte[2] += dz;
    }
    faces3_body_points_moved(k);
    return 0;
}

int faces3_scale(Faces3Koerper* k, double sx, double sy, double sz) {
    if (!k) return 1;
    for (Faces3P3& p : k->punkte) {
        p[0] *= sx;
        p[1] *= sy;
        p[2] *= sz;
    }
    for (Faces3Dreieck& t : k->dreiecke) {
        t.mitte[0] *= sx;
        t.mitte[1] *= sy;
        t.mitte[2] *= sz;
    }
    faces3_body_points_moved(k);
    return 0;
}

int faces3_placement(Faces3Koerper* k, const double pl[12]) {
    if (!k || !pl) return 1;
    // Columns are the images of the axes.
    const double l[9] = {pl[3], pl[6], pl[9], pl[4], pl[7], pl[10], pl[5], pl[8], pl[11]};
    apply_affine(k, l, pl, true);
    return 0;
}

int faces3_matrix4(Faces3Koerper* k, const double m[16]) {
    if (!k || !m) return 1;
    for (Faces3P3& p : k->punkte) mat4_transform_point(p.data(), m, p.data());
    for (Faces3Dreieck& t : k->dreiecke) faces3_body_update_geometry(k, t);
    faces3_body_points_moved(k);
    return 0;
}
