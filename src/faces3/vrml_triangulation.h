// Ear cutting of the polygons of an IndexedFaceSet into triangles.
#pragma once

#include <array>
#include <vector>

namespace faces3_vrml {

using Point3 = std::array<double, 3>;

// Cuts the polygon given by n indices into points into triangles (index triples in the
// polygon's own orientation). Returns 0 when the polygon was cut completely, 1 when no
// acceptable ear was found; the triangles cut before that stay in out. The caller has
// checked every index against points.
int vrml_triangulate(const Point3* points, const int* index, int n,
                     std::vector<std::array<int, 3>>& out);
inline int vrml_triangulate(const std::vector<Point3>& points, const int* index, int n,
                            std::vector<std::array<int, 3>>& out) {
    return vrml_triangulate(points.data(), index, n, out);
}

}  // namespace faces3_vrml
