// Public interface of the mesh body library: triangle-mesh bodies with points, directed
// edges, triangles, named faces and neighbours; primitives, triangle lists, picking.
#pragma once

#include <cstdio>
#include <functional>
#include <iosfwd>

// A body. Callers hold it by pointer only; records are read through the accessors below.
struct Faces3Koerper;

// Default point capacity; also the base of the other default capacities.
inline constexpr int FACES3_MAXPUNKTE = 500000;
// Two points are the same point when every coordinate differs by less than this.
inline constexpr double FACES3_KOOR_EPS = 1e-5;
// Longest body or face name kept (longer names are cut).
inline constexpr int FACES3_NAME_MAX = 255;
// Marks values that were not computed or not found (bounding box, pick results).
inline constexpr double FACES3_UNSET = 1e38;

// Body types.
enum : int {
    FACES3_TYP_NEU = 0,
    FACES3_TYP_NETZ = 1,  // general mesh: imports and merged bodies
    FACES3_TYP_KUGEL = 2,
    FACES3_TYP_KEGEL = 3,
    FACES3_TYP_KEGELSTUMPF = 4,
    FACES3_TYP_ZYLINDER = 5,
    FACES3_TYP_QUADER = 6,
};

// Error codes of faces3_insert_dreieck.
enum : int {
    FACES3_ERR_KEIN_KOERPER = -1,
    FACES3_ERR_DREIECKE_VOLL = -2,
    FACES3_ERR_SPEICHER = -3,
    FACES3_ERR_PUNKT1 = -4,
    FACES3_ERR_PUNKT2 = -5,
    FACES3_ERR_PUNKT3 = -6,
    FACES3_ERR_KANTE1 = -7,
    FACES3_ERR_KANTE2 = -8,
    FACES3_ERR_KANTE3 = -9,
};

// Triangle record as stored in the body.
struct Faces3Dreieck {
    int p[3];           // point indices
    int kante[3];       // edges p0->p1, p1->p2, p2->p0
    int nachbar[3];     // neighbour across each edge, -1 when none is known
    double normale[3];  // unit normal (raw cross product when shorter than 1e-12)
    double mitte[3];    // centre of the three points
    int flaeche;        // face the triangle was inserted into
};

// ---- settings ------------------------------------------------------------------------
// While set, points and edges are appended without looking for an equal one.
void faces3_set_nosearch(int flag);
int faces3_get_nosearch();

// ---- creation and lifetime -----------------------------------------------------------
// Capacities of 0 or less take defaults; the face capacity is increased by one. Writes
// "name points edges triangles faces" to the terminal output. Returns null on failure.
Faces3Koerper* faces3_new_koerper(const char* name, int npunkte, int nkanten, int ndreiecke,
                                  int nflaechen);
void faces3_free_koerper(Faces3Koerper* k);
// Deep copy (capacities, type, dimensions, current face); null for a null body.
Faces3Koerper* faces3_copy_koerper(const Faces3Koerper* k);
// New body holding a followed by b (indices of b shifted), type 1. Either may be null.
Faces3Koerper* faces3_merge_koerper(const Faces3Koerper* a, const Faces3Koerper* b);

// ---- construction ----------------------------------------------------------------------
// Opens (or re-opens) a face and makes it current; "~rest" becomes "bodyname/rest".
// Returns the face index or -1.
int faces3_open_flaeche(Faces3Koerper* k, const char* name);
// Inserts a triangle given by three points; returns its index or a FACES3_ERR_* code.
int faces3_insert_dreieck(Faces3Koerper* k, double x0, double y0, double z0, double x1, double y1,
                          double z1, double x2, double y2, double z2);
// Room for this many more points and triangles (within the capacities), so that a
// producer that knows its size avoids regrowing the tables. Results do not change.
void faces3_reserve(Faces3Koerper* k, int npunkte, int ndreiecke);
// Sets triangle idx (or appends one when idx is -1) to three point indices.
// Returns the triangle index or -1.
int faces3_set_dreieck(Faces3Koerper* k, int idx, int p0, int p1, int p2);
// Returns 0, or -1 when any index is out of range.
int faces3_set_nachbarn(Faces3Koerper* k, int idx, int n0, int n1, int n2);

// ---- topology ----------------------------------------------------------------------------
// Computes all neighbours. FACES3_CPT_NACHBARN_IXFLAG non-zero selects the index method,
// which reports and returns the number of edge faults; the geometric method returns 0.
int faces3_cpt_nachbarn(Faces3Koerper* k);
// The index method and the geometric method directly.
int faces3_cpt_nachbarn_index(Faces3Koerper* k);
// One time slice of the geometric method from triangle start (0 begins a run). Returns
// the triangle to continue from, or 0 when done; progress receives a percentage.
int faces3_nachbarn_schritt(Faces3Koerper* k, int start, int budget_ms, double* progress);
// 1 when any triangle has a neighbour.
int faces3_hat_nachbarn(const Faces3Koerper* k);
// Splits triangles at points lying inside their edges (T-junctions). 0, or 1 when a
// split failed.
int faces3_kantenpunkte_zerlegen(Faces3Koerper* k);

// ---- geometry ------------------------------------------------------------------------------
// Bounding box of all points, also stored in the body. 0, or 1 for no body or no points.
int faces3_bbox(Faces3Koerper* k, double* xmin, double* xmax, double* ymin, double* ymax,
                double* zmin, double* zmax);
// Snapshot of points, centres and normals, and its restoration (1 when there is none).
int faces3_save_geometrie(Faces3Koerper* k);
int faces3_restore_geometrie(Faces3Koerper* k);
// Rotation about the axis through the origin; angle in DEGREES. 1 when the axis is
// shorter than 1e-12.
int faces3_rotate(Faces3Koerper* k, double ax, double ay, double az, double angle_deg);
int faces3_translate(Faces3Koerper* k, double dx, double dy, double dz);
int faces3_scale(Faces3Koerper* k, double sx, double sy, double sz);
// Placement: origin (3), x axis (3), y axis (3), z axis (3).
int faces3_placement(Faces3Koerper* k, const double placement[12]);
// Row-major 4x4 matrix applied to the points; normals and centres are recomputed.
int faces3_matrix4(Faces3Koerper* k, const double m[16]);

// ---- reading a body ------------------------------------------------------------------------
int faces3_anzahl_dreiecke(const Faces3Koerper* k);  // 0 for no body
int faces3_anzahl_punkte(const Faces3Koerper* k);
int faces3_anzahl_kanten(const Faces3Koerper* k);
int faces3_anzahl_flaechen(const Faces3Koerper* k);
// Capacities in the order points, edges, triangles, faces. 1 for no body.
int faces3_kapazitaeten(const Faces3Koerper* k, int* npunkte, int* nkanten, int* ndreiecke,
                        int* nflaechen);
const char* faces3_koerper_name(const Faces3Koerper* k);  // "" for no body
int faces3_get_typ(const Faces3Koerper* k);               // -1 for no body
void faces3_set_typ(Faces3Koerper* k, int typ);
// The three dimensions (radius first for round primitives).
int faces3_get_dimensionen(const Faces3Koerper* k, double dim[3]);
void faces3_set_dimensionen(Faces3Koerper* k, double d0, double d1, double d2);
int faces3_aktuelle_flaeche(const Faces3Koerper* k);  // -1 when none is open
// Point i into xyz; 0, or 1 when out of range.
int faces3_get_punkt(const Faces3Koerper* k, int i, double xyz[3]);
// Edge i; 0, or 1 when out of range.
int faces3_get_kante(const Faces3Koerper* k, int i, int* von, int* nach);
// Triangle i, or null when out of range.
const Faces3Dreieck* faces3_get_dreieck(const Faces3Koerper* k, int i);
// Face i: name ("" when out of range), triangle count and capacity, its triangles.
const char* faces3_flaeche_name(const Faces3Koerper* k, int i);
int faces3_flaeche_anzahl(const Faces3Koerper* k, int i);
int faces3_flaeche_kapazitaet(const Faces3Koerper* k, int i);
int faces3_flaeche_dreieck(const Faces3Koerper* k, int i, int n);  // -1 when out of range

// ---- primitives (angles in degrees; axis of round solids is z) ---------------------------
Faces3Koerper* faces3_kegel(const char* name, double r, double h, double dalpha);
Faces3Koerper* faces3_zylinder(const char* name, double r1, double r2, double h, double dalpha);
Faces3Koerper* faces3_kugel(const char* name, double r, double dlaenge, double dbreite);
Faces3Koerper* faces3_quader(const char* name, double breite, double hoehe, double tiefe);

// ---- triangle lists ----------------------------------------------------------------------
// From a file name (opened and closed here).
Faces3Koerper* faces3_rcv_from_triangles(const char* filename);
// From an open file: reads up to and including "end_triangles" and leaves the stream
// positioned after that line.
Faces3Koerper* faces3_rcv_from_triangles(std::FILE* fp);
Faces3Koerper* faces3_rcv_from_triangles(std::istream& in);
// Combined form: with is_open non-zero fp is read, else filename is opened.
Faces3Koerper* faces3_rcv_from_triangles(const char* filename, std::FILE* fp, int is_open);

// ---- picking ------------------------------------------------------------------------------
// Ray P + t*D against the body (body coordinates, metres). hit and normal receive the
// result (1e38 when nothing), kreisradius the circle radius when snapped to a circle
// centre. snap_r > 0 switches snapping on. 0 hit, 1 no hit, -1 no body.
int faces3_pick(const Faces3Koerper* k, const double p[3], const double d[3], double hit[3],
                double normale[3], double snap_r, double* kreisradius);
// Fits a circle to n points near the guess point. 0 when fitted within the bound.
int faces3_fit_kreis(const double* x, const double* y, const double* z, int n,
                     const double guess[3], double bound, double centre[3], double* radius,
                     double* streuung);

// ---- drawing traversal (coordinates times 1000) --------------------------------------------
using Faces3LinieFn = void (*)(double x0, double y0, double z0, double x1, double y1, double z1);
using Faces3DreieckFn = void (*)(const double p0[3], const double p1[3], const double p2[3],
                                 const double normale[3]);
using Faces3FarbDreieckFn = void (*)(const double p0[3], const double p1[3], const double p2[3],
                                     double r, double g, double b);
// Null callbacks are allowed (nothing is called).
void faces3_set_draw_callbacks(Faces3LinieFn linie, Faces3DreieckFn dreieck,
                               Faces3FarbDreieckFn farbdreieck);
// Feature edges (no neighbour, or a bend of more than 0.1 degrees).
int faces3_draw_kanten(const Faces3Koerper* k);
// Every triangle with a colour; faces parallel to the axis (1 x, 2 y, 3 z) that face one
// of the other coordinate axes get (1.0, 0.3, 1.0).
int faces3_draw_achsflaechen(const Faces3Koerper* k, int achse, double r, double g, double b,
                             double tol);
int faces3_draw_dreiecke(const Faces3Koerper* k);

// The same traversals handing their pieces to functions that may carry their own state (a
// renderer, a display list being built), instead of the callbacks set above. Empty functions
// are not called.
struct Faces3DrawFunctions {
    std::function<void(double x0, double y0, double z0, double x1, double y1, double z1)> linie;
    std::function<void(const double p0[3], const double p1[3], const double p2[3],
                       const double normale[3])>
        dreieck;
    std::function<void(const double p0[3], const double p1[3], const double p2[3], double r,
                       double g, double b)>
        farbdreieck;
};
int faces3_draw_kanten(const Faces3Koerper* k, const Faces3DrawFunctions& draw);
int faces3_draw_achsflaechen(const Faces3Koerper* k, int achse, double r, double g, double b,
                             double tol, const Faces3DrawFunctions& draw);
int faces3_draw_dreiecke(const Faces3Koerper* k, const Faces3DrawFunctions& draw);
