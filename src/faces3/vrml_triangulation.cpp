// Ear cutting of face-set polygons: ears are tried around the last cut so that fans of
// convex polygons come out in order, and a diagonal is accepted only when it crosses no
// edge of the polygon as given.
#include "faces3/vrml_triangulation.h"

#include <algorithm>
#include <cmath>

#include "numeric/vec3.h"

namespace faces3_vrml {

namespace {

Point3 sub(const Point3& a, const Point3& b) {
    return {a[0] - b[0], a[1] - b[1], a[2] - b[2]};
}
Point3 cross(const Point3& a, const Point3& b) {
    return {a[1] * b[2] - a[2] * b[1], a[2] * b[0] - a[0] * b[2], a[0] * b[1] - a[1] * b[0]};
}
double dot(const Point3& a, const Point3& b) {
    return vec3_dot(a.data(), b.data());
}
Point3 unit(Point3 a) {
    const double l = std::sqrt(dot(a, a));
    if (l > 1e-12) a = {a[0] / l, a[1] / l, a[2] / l};
    return a;
}

struct Point2 {
    double x, y;
};

// Proper crossing of two segments in the polygon plane: touching at the ends does not count.
bool segments_cross(Point2 p1, Point2 p2, Point2 q1, Point2 q2) {
    if (std::max(p1.x, p2.x) < std::min(q1.x, q2.x) ||
        std::max(q1.x, q2.x) < std::min(p1.x, p2.x) ||
        std::max(p1.y, p2.y) < std::min(q1.y, q2.y) || std::max(q1.y, q2.y) < std::min(p1.y, p2.y))
        return false;
    const double dx1 = p2.x - p1.x, dy1 = p2.y - p1.y;
    const double dx2 = q2.x - q1.x, dy2 = q2.y - q1.y;
    const double det = dx1 * dy2 - dy1 * dx2;
    // Relative to the segment lengths, so that the test does not depend on the model unit.
    const double scale = std::hypot(dx1, dy1) * std::hypot(dx2, dy2);
    if (!(std::fabs(det) > 1e-8 * scale)) return false;
    const double rx = q1.x - p1.x, ry = q1.y - p1.y;
    const double t = (rx * dy2 - ry * dx2) / det;
    const double u = (rx * dy1 - ry * dx1) / det;
    const double lo = 1e-8, hi = 0.99999999;
    return t > lo && t < hi && u > lo && u < hi;
}

// Squared diagonal of the polygon's bounding box, the scale for "no area".
double polygon_extent2(const Point3* points, const int* index, int n) {
    Point3 lo = points[index[0]], hi = lo;
    for (int i = 1; i < n; ++i)
        for (int k = 0; k < 3; ++k) {
            lo[k] = std::min(lo[k], points[index[i]][k]);
            hi[k] = std::max(hi[k], points[index[i]][k]);
        }
    const Point3 d = sub(hi, lo);
    return dot(d, d) * dot(d, d);
}

}  // namespace

int vrml_triangulate(const Point3* points, const int* index, int n,
                     std::vector<std::array<int, 3>>& out) {
    if (n < 3) return 0;
    auto P = [&](int pos) -> const Point3& { return points[index[pos]]; };

    // Polygon normal from the enclosed area (Newell). The mean of the unit corner turns
    // points the wrong way for spiky concave outlines, whose reflex corners turn more
    // sharply than their tips; it serves only when the area vanishes.
    Point3 normal{0, 0, 0};
    for (int i = 0; i < n; ++i) {
        const Point3 c = cross(P(i), P((i + 1) % n));
        for (int k = 0; k < 3; ++k) normal[k] += c[k];
    }
    if (dot(normal, normal) < 1e-24 * std::max(1.0, polygon_extent2(points, index, n))) {
        normal = {0, 0, 0};
        for (int i = 0; i < n; ++i) {
            const Point3 u = unit(sub(P((i + 1) % n), P(i)));
            const Point3 w = unit(sub(P((i + 2) % n), P((i + 1) % n)));
            const Point3 c = cross(u, w);
            for (int k = 0; k < 3; ++k) normal[k] += c[k];
        }
        for (int k = 0; k < 3; ++k) normal[k] /= n;
    }

    // Plane coordinates for the crossing test: N turned onto the z axis.
    Point3 ex{1, 0, 0}, ey{0, 1, 0};
    if (std::fabs(normal[0]) > 1e-8 || std::fabs(normal[1]) > 1e-8) {
        const Point3 nz = unit(normal);
        const Point3 helper = std::fabs(nz[2]) < 0.9 ? Point3{0, 0, 1} : Point3{1, 0, 0};
        ex = unit(cross(helper, nz));
        ey = cross(nz, ex);
    }
    std::vector<Point2> flat(n);
    for (int i = 0; i < n; ++i) flat[i] = {dot(P(i), ex), dot(P(i), ey)};

    auto diagonal_free = [&](int from, int to) {
        for (int i = 0; i < n; ++i) {
            const int j = (i + 1) % n;
            if (segments_cross(flat[from], flat[to], flat[i], flat[j])) return false;
        }
        return true;
    };
    // Corner turn along the unit normal: > 0 convex, about 0 straight on.
    const Point3 nunit = unit(normal);
    auto turn = [&](int a, int b, int c) {
        const Point3 u = unit(sub(P(b), P(a)));
        const Point3 w = unit(sub(P(c), P(b)));
        return cross(u, w);
    };
    constexpr double kFlat = 1e-10;

    std::vector<int> list(n);  // positions in the given polygon
    for (int i = 0; i < n; ++i) list[i] = i;

    // A remaining corner inside the ear means that the ear covers outside area
    // even when its diagonal crosses no edge (the outline may enter and leave through the
    // diagonal's end points).
    auto corner_inside = [&](int b, int a, int p0, int p1, int p2) {
        const Point2 A = flat[p0], B = flat[p1], C = flat[p2];
        const double area = (B.x - A.x) * (C.y - A.y) - (B.y - A.y) * (C.x - A.x);
        if (area == 0.0) return false;
        for (int k = 3; k < b; ++k) {
            const Point2 q = flat[list[(a + k) % b]];
            const double w0 = ((B.x - A.x) * (q.y - A.y) - (B.y - A.y) * (q.x - A.x)) / area;
            const double w1 = ((C.x - B.x) * (q.y - B.y) - (C.y - B.y) * (q.x - B.x)) / area;
            const double w2 = ((A.x - C.x) * (q.y - C.y) - (A.y - C.y) * (q.x - C.x)) / area;
            // On the diagonal counts as inside: the cut would pass through that corner
            // and leave it in the middle of an edge.
            if (w0 > 1e-12 && w1 > 1e-12 && w2 > -1e-12) return true;
        }
        return false;
    };
    // The diagonal must also stay clear of the diagonals cut so far, which are edges of the
    // remaining outline.
    auto clear_of_outline = [&](int b, int p0, int p2) {
        for (int k = 0; k < b; ++k) {
            if (segments_cross(flat[p0], flat[p2], flat[list[k]], flat[list[(k + 1) % b]]))
                return false;
        }
        return true;
    };

    int b = n;
    int s = 0;
    while (b > 2) {
        int found = -1;
        for (int k = 0; k < b && found < 0; ++k) {
            const int offset = (k % 2 == 1) ? -(k + 1) / 2 : k / 2;
            const int a = ((s + offset) % b + b) % b;
            const int p0 = list[a], p1 = list[(a + 1) % b], p2 = list[(a + 2) % b];
            if (dot(turn(p0, p1, p2), nunit) > kFlat && diagonal_free(p0, p2) &&
                !corner_inside(b, a, p0, p1, p2) && clear_of_outline(b, p0, p2))
                found = a;
        }
        if (found >= 0) {
            const int a = found;
            out.push_back({index[list[a]], index[list[(a + 1) % b]], index[list[(a + 2) % b]]});
            list.erase(list.begin() + (a + 1) % b);
        } else {
            // No proper ear: a corner that goes straight on (or turns back on itself) encloses
            // no area and is dropped without a triangle; rounding may have left it there.
            int flat_at = -1;
            for (int a = 0; a < b && flat_at < 0; ++a) {
                const Point3 c = turn(list[a], list[(a + 1) % b], list[(a + 2) % b]);
                if (dot(c, c) <= kFlat * kFlat) flat_at = a;
            }
            if (flat_at < 0) return 1;
            list.erase(list.begin() + (flat_at + 1) % b);
        }
        --b;
        s = b - 1;
    }
    return 0;
}

}  // namespace faces3_vrml
