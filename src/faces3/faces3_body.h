// Internal layout of a body, shared by the library's source files (and white-box tests).
#pragma once

#include <array>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "faces3/faces3.h"
#include "faces3/faces3_ray_index.h"
#include "faces3/faces3_search_index.h"

struct Faces3Flaeche {
    std::string name;
    int kapazitaet = 0;
    Faces3Vec<int> dreiecke;
};

struct Faces3GeoWork;  // state of a time-sliced geometric neighbour run

struct Faces3Koerper {
    Faces3Koerper();
    ~Faces3Koerper();

    Faces3Points punkte;
    int max_punkte = 0;
    Faces3Kanten kanten;
    int max_kanten = 0;
    Faces3Vec<Faces3Dreieck> dreiecke;
    int max_dreiecke = 0;
    std::vector<Faces3Flaeche> flaechen;
    int max_flaechen = 0;
    // First face of each name, for faces below flaechen_indexed.
    std::unordered_map<std::string, int> flaechen_index;
    size_t flaechen_indexed = 0;
    int aktuelle_flaeche = -1;
    std::string name;
    int typ = FACES3_TYP_NEU;
    double dim[3] = {0, 0, 0};
    bool has_snapshot = false;
    std::vector<double> snapshot;
    size_t snapshot_punkte = 0;
    size_t snapshot_dreiecke = 0;
    double bbox[6] = {FACES3_UNSET, FACES3_UNSET, FACES3_UNSET,
                      FACES3_UNSET, FACES3_UNSET, FACES3_UNSET};

    // Search indexes; rebuilt lazily when a change made them stale.
    Faces3PointHash punkt_index;
    Faces3EdgeHash kanten_index;
    std::unique_ptr<Faces3GeoWork> geo_work;
    // Pick indexes; every change of points or triangles drops them.
    Faces3RayCache ray_cache;
};

// Creates an empty body with exactly these capacities and writes its creation line.
Faces3Koerper* faces3_body_create(const char* name, int np, int nk, int nd, int nf);
// Point and edge insertion as used by triangle construction (-1 on failure).
int faces3_body_insert_punkt(Faces3Koerper* k, const double p[3]);
int faces3_body_insert_kante(Faces3Koerper* k, int von, int nach);
// faces3_insert_dreieck with the corners list[idx[0]], list[idx[1]], list[idx[2]]. known[i]
// holds the body point that an earlier corner list[i] gave, or -1; it is filled in here.
// A corner seen before skips the search: while points are only appended, the lowest point
// within the tolerance stays the same. The cache is void once points move or go.
int faces3_body_insert_dreieck_listed(Faces3Koerper* k, const std::array<double, 3>* list,
                                      const int idx[3], int* known);
// Normal and centre of a triangle from its points; drops the pick indexes.
void faces3_body_update_geometry(Faces3Koerper* k, Faces3Dreieck& t);
// Marks the point index and the pick indexes stale after the points moved.
void faces3_body_points_moved(Faces3Koerper* k);
// Frees the point and edge search indexes (tens of bytes per triangle); the next insertion
// builds them again. For a body that is complete.
void faces3_body_drop_search_indexes(Faces3Koerper* k);
// Frees a running geometric neighbour computation.
void faces3_body_drop_geo_work(Faces3Koerper* k);
