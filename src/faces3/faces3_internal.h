// Helpers shared by the library's source files and its tests.
#pragma once

struct Faces3Koerper;

// Whether p lies inside the edge a-b within the coordinate tolerance, at least the
// tolerance away from both ends.
bool faces3_punkt_auf_kante(const double* p, const double* a, const double* b);

// Splits triangle i at point j on its edge `edge` (0: p0->p1, 1: p1->p2, 2: p2->p0):
// i becomes (a, j, c) and (j, b, c) is appended to the current face. 0, or 1 on failure.
int faces3_split_triangle(Faces3Koerper* k, int i, int edge, int j);

// Ray against one triangle: t of the hit on the triangle's plane. false when the ray
// misses the triangle or runs parallel to it.
bool faces3_ray_triangle(const double p[3], const double d[3], const double a[3], const double b[3],
                         const double c[3], const double n[3], double* t);
