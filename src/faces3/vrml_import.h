// Reading VRML 1.0 files into mesh bodies: the importer, the WWWInline expansion it runs
// first, and the polygon triangulation of its face sets.
#pragma once

#include <array>
#include <vector>

#include "faces3/faces3.h"

// Reads a VRML 1.0 ASCII file into one body named after the file; each face set and each
// primitive becomes a face. Null when the file cannot be read or is no VRML 1.0 file.
// FACES3_VRML_* environment settings are read at every call.
Faces3Koerper* faces3_rcv_from_vrml(const char* filename);

// Writes source with every WWWInline node replaced by the file it names into target.
// 0 when done, else 1.
int faces3_vrml_treat_wwwinline(const char* source, const char* target);

// Cuts the polygon given by n indices into punkte into triangles and inserts them into the
// current face of k. 0 when done; 1 when no ear was left (the triangles cut so far stay)
// or an index is out of range.
int faces3_import_vrml_dreieckszerlegung(Faces3Koerper* k,
                                         const std::vector<std::array<double, 3>>& punkte,
                                         const int* index, int n);

// The model factor kept between imports (FACES3_VRML_MODELFAC overrides it per import).
double faces3_vrml_get_modelfac();
void faces3_vrml_set_modelfac(double f);
