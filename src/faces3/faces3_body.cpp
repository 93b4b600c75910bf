// Body creation, copy and merge, faces, triangle construction and record access.
#include "faces3/faces3_body.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstring>
#include <new>

#include "faces3/faces3_geo_work.h"
#include "faces3/faces3_large_pages.h"
#include "faces3/faces3_output.h"

namespace {

int g_nosearch = 0;

std::string cut_name(const char* s) {
    std::string n = s ? s : "";
    if (n.size() > static_cast<size_t>(FACES3_NAME_MAX)) n.resize(FACES3_NAME_MAX);
    return n;
}

int sat_add(int a, int b) {
    const long long s = static_cast<long long>(a) + b;
    return s > INT_MAX ? INT_MAX : static_cast<int>(s);
}

bool valid_tri(const Faces3Koerper* k, int i) {
    return k && i >= 0 && static_cast<size_t>(i) < k->dreiecke.size();
}

}  // namespace

Faces3Koerper::Faces3Koerper() = default;
Faces3Koerper::~Faces3Koerper() = default;

void faces3_set_nosearch(int flag) {
    g_nosearch = flag;
}
int faces3_get_nosearch() {
    return g_nosearch;
}

Faces3Koerper* faces3_body_create(const char* name, int np, int nk, int nd, int nf) {
    Faces3Koerper* k = new (std::nothrow) Faces3Koerper;
    if (!k) return nullptr;
    k->name = cut_name(name);
    k->max_punkte = np;
    k->max_kanten = nk;
    k->max_dreiecke = nd;
    k->max_flaechen = nf;
    faces3_terminal_printf("%s %d %d %d %d\n", k->name.c_str(), np, nk, nd, nf);
    return k;
}

Faces3Koerper* faces3_new_koerper(const char* name, int np, int nk, int nd, int nf) {
    if (np <= 0) np = FACES3_MAXPUNKTE;
    if (nd <= 0) nd = static_cast<int>(std::min<long long>(3LL * np, INT_MAX));
    if (nk <= 0) nk = static_cast<int>(std::min<long long>(3LL * nd, INT_MAX));
    if (nf <= 0) nf = nd;
    nf = sat_add(nf, 1);
    return faces3_body_create(name, np, nk, nd, nf);
}

void faces3_free_koerper(Faces3Koerper* k) {
    delete k;
}

void faces3_body_points_moved(Faces3Koerper* k) {
    k->punkt_index.invalidate();
    k->ray_cache.invalidate();
}

void faces3_body_drop_search_indexes(Faces3Koerper* k) {
    k->punkt_index.clear();
    k->kanten_index.clear();
}

void faces3_body_drop_geo_work(Faces3Koerper* k) {
    k->geo_work.reset();
}

static void copy_contents(Faces3Koerper* d, const Faces3Koerper* s) {
    d->punkte = s->punkte;
    d->kanten = s->kanten;
    d->dreiecke = s->dreiecke;
    d->flaechen = s->flaechen;
    d->aktuelle_flaeche = s->aktuelle_flaeche;
    d->typ = s->typ;
    std::memcpy(d->dim, s->dim, sizeof d->dim);
    d->punkt_index.invalidate();
    d->kanten_index.invalidate();
}

Faces3Koerper* faces3_copy_koerper(const Faces3Koerper* s) {
    if (!s) return nullptr;
    Faces3Koerper* d = faces3_body_create(s->name.c_str(), s->max_punkte, s->max_kanten,
                                          s->max_dreiecke, s->max_flaechen);
    if (!d) return nullptr;
    try {
        copy_contents(d, s);
    } catch (const std::bad_alloc&) {
        delete d;
        return nullptr;
    }
    return d;
}

Faces3Koerper* faces3_merge_koerper(const Faces3Koerper* a, const Faces3Koerper* b) {
    if (!a && !b) return nullptr;
    if (!a) return faces3_copy_koerper(b);
    if (!b || a == b) return faces3_copy_koerper(a);
    Faces3Koerper* d = faces3_body_create(a->name.c_str(), sat_add(a->max_punkte, b->max_punkte),
                                          sat_add(a->max_kanten, b->max_kanten),
                                          sat_add(a->max_dreiecke, b->max_dreiecke),
                                          sat_add(a->max_flaechen, b->max_flaechen));
    if (!d) return nullptr;
    try {
        copy_contents(d, a);
        const int np = static_cast<int>(a->punkte.size());
        const int nk = static_cast<int>(a->kanten.size());
        const int nd = static_cast<int>(a->dreiecke.size());
        const int nf = static_cast<int>(a->flaechen.size());
        d->punkte.insert(d->punkte.end(), b->punkte.begin(), b->punkte.end());
        d->kanten.reserve(d->kanten.size() + b->kanten.size());
        for (const Faces3Kante& e : b->kanten) d->kanten.push_back({e.von + np, e.nach + np});
        d->dreiecke.reserve(d->dreiecke.size() + b->dreiecke.size());
        for (Faces3Dreieck t : b->dreiecke) {
            for (int s = 0; s < 3; ++s) {
                t.p[s] += np;
                t.kante[s] += nk;
                if (t.nachbar[s] != -1) t.nachbar[s] += nd;
            }
            t.flaeche += nf;
            d->dreiecke.push_back(t);
        }
        for (Faces3Flaeche f : b->flaechen) {
            for (int& i : f.dreiecke) i += nd;
            d->flaechen.push_back(std::move(f));
        }
        d->typ = FACES3_TYP_NETZ;
    } catch (const std::bad_alloc&) {
        delete d;
        return nullptr;
    }
    return d;
}

int faces3_open_flaeche(Faces3Koerper* k, const char* name) {
    if (!k) return -1;
    std::string full;
    if (name && name[0] == '~') {
        full = k->name + "/" + (name + 1);
    } else {
        full = name ? name : "";
    }
    full = cut_name(full.c_str());
    try {
        // Names index the faces added since the last lookup; emplace keeps the first face of
        // a name, as a scan from the start would find it (merged bodies repeat names).
        for (size_t i = k->flaechen_indexed; i < k->flaechen.size(); ++i) {
            k->flaechen_index.emplace(k->flaechen[i].name, static_cast<int>(i));
        }
        k->flaechen_indexed = k->flaechen.size();
        const auto it = k->flaechen_index.find(full);
        if (it != k->flaechen_index.end()) {
            k->aktuelle_flaeche = it->second;
            return k->aktuelle_flaeche;
        }
        if (k->flaechen.size() >= static_cast<size_t>(std::max(k->max_flaechen, 0))) return -1;
        Faces3Flaeche f;
        f.name = full;
        f.kapazitaet = k->max_dreiecke > 0
                           ? k->max_dreiecke
                           : static_cast<int>(std::min<long long>(3LL * FACES3_MAXPUNKTE, INT_MAX));
        k->flaechen.push_back(std::move(f));
    } catch (const std::bad_alloc&) {
        return -1;
    }
    k->aktuelle_flaeche = static_cast<int>(k->flaechen.size()) - 1;
    return k->aktuelle_flaeche;
}

// Brings the point index up to date: rebuilt after points moved, else the points
// appended without search since the last search are added.
static void sync_point_index(Faces3Koerper* k) {
    if (!k->punkt_index.valid()) {
        k->punkt_index.rebuild(k->punkte);
        return;
    }
    for (size_t i = k->punkt_index.indexed(); i < k->punkte.size(); ++i) {
        k->punkt_index.add(k->punkte, static_cast<int>(i));
    }
}

static void sync_edge_index(Faces3Koerper* k) {
    if (!k->kanten_index.valid()) {
        k->kanten_index.clear();
        k->kanten_index.reserve(k->kanten, k->kanten.size());
    }
    for (size_t i = k->kanten_index.indexed(); i < k->kanten.size(); ++i) {
        k->kanten_index.add(k->kanten, static_cast<int>(i));
    }
}

int faces3_body_insert_punkt(Faces3Koerper* k, const double p[3]) {
    // Without search nothing is indexed here; the next search catches up.
    if (!g_nosearch) {
        try {
            sync_point_index(k);
        } catch (const std::bad_alloc&) {
            k->punkt_index.invalidate();
            return -1;
        }
        const int found = k->punkt_index.find(k->punkte, p);
        if (found >= 0) return found;
    }
    if (k->punkte.size() >= static_cast<size_t>(std::max(k->max_punkte, 0))) return -1;
    try {
        k->punkte.push_back({p[0], p[1], p[2]});
    } catch (const std::bad_alloc&) {
        return -1;
    }
    const int idx = static_cast<int>(k->punkte.size()) - 1;
    try {
        if (!g_nosearch) k->punkt_index.add(k->punkte, idx);
    } catch (const std::bad_alloc&) {
        k->punkt_index.invalidate();  // rebuilt by the next search
    }
    return idx;
}

int faces3_body_insert_kante(Faces3Koerper* k, int von, int nach) {
    if (von == nach) return -1;
    if (!g_nosearch) {
        try {
            sync_edge_index(k);
        } catch (const std::bad_alloc&) {
            k->kanten_index.invalidate();
            return -1;
        }
        const int found = k->kanten_index.find(k->kanten, von, nach);
        if (found >= 0) return found;
    }
    if (k->kanten.size() >= static_cast<size_t>(std::max(k->max_kanten, 0))) return -1;
    try {
        k->kanten.push_back({von, nach});
    } catch (const std::bad_alloc&) {
        return -1;
    }
    const int idx = static_cast<int>(k->kanten.size()) - 1;
    try {
        if (!g_nosearch) k->kanten_index.add(k->kanten, idx);
    } catch (const std::bad_alloc&) {
        k->kanten_index.invalidate();
    }
    return idx;
}

// Growth stays geometric when a producer asks for a little more many times.
// large_pages: the room asked for will be filled.
template <class V>
static void grow_to(V& v, size_t n, bool large_pages) {
    if (n <= v.capacity()) {
        // Room made ahead (the VRML import reserves up to the capacities): the hint goes to
        // the part that is to be filled.
        if (large_pages && n > 0) faces3_advise_large_pages(v.data(), n * sizeof(*v.data()));
        return;
    }
    v.reserve(std::max(n, v.capacity() + v.capacity() / 2));
    if (large_pages) faces3_advise_large_pages(v.data(), v.capacity() * sizeof(*v.data()));
}

void faces3_reserve(Faces3Koerper* k, int npunkte, int ndreiecke) {
    if (!k) return;
    auto room = [](size_t have, int cap, long long more) {
        const long long free = std::max(cap, 0) - static_cast<long long>(have);
        return have + static_cast<size_t>(std::max(0LL, std::min(free, more)));
    };
    try {
        const size_t np = room(k->punkte.size(), k->max_punkte, std::max(npunkte, 0));
        const size_t nd = room(k->dreiecke.size(), k->max_dreiecke, std::max(ndreiecke, 0));
        const size_t nk = room(k->kanten.size(), k->max_kanten, 3LL * std::max(ndreiecke, 0));
        grow_to(k->punkte, np, true);
        grow_to(k->dreiecke, nd, true);
        grow_to(k->kanten, nk, true);
        if (k->aktuelle_flaeche >= 0) {
            Faces3Flaeche& f = k->flaechen[k->aktuelle_flaeche];
            grow_to(f.dreiecke, room(f.dreiecke.size(), f.kapazitaet, std::max(ndreiecke, 0)),
                    true);
        }
        if (!g_nosearch) {
            sync_point_index(k);
            k->punkt_index.reserve(np, true);
            sync_edge_index(k);
            k->kanten_index.reserve(k->kanten, nk, true);
        }
    } catch (const std::bad_alloc&) {
        // Only a hint: the tables grow as needed.
    }
}

void faces3_body_update_geometry(Faces3Koerper* k, Faces3Dreieck& t) {
    // Every new or changed triangle comes through here.
    k->ray_cache.invalidate();
    const double* a = k->punkte[t.p[0]].data();
    const double* b = k->punkte[t.p[1]].data();
    const double* c = k->punkte[t.p[2]].data();
    const double u[3] = {b[0] - a[0], b[1] - a[1], b[2] - a[2]};
    const double v[3] = {c[0] - b[0], c[1] - b[1], c[2] - b[2]};
    double n[3] = {u[1] * v[2] - u[2] * v[1], u[2] * v[0] - u[0] * v[2], u[0] * v[1] - u[1] * v[0]};
    const double len = std::sqrt(n[0] * n[0] + n[1] * n[1] + n[2] * n[2]);
    // Degenerate triangles keep the raw cross product.
    if (len >= 1e-12) {
        n[0] /= len;
        n[1] /= len;
        n[2] /= len;
    }
    for (int i = 0; i < 3; ++i) {
        t.normale[i] = n[i];
        t.mitte[i] = (a[i] + b[i] + c[i]) / 3.0;
    }
}

// Appends triangle t (points and edges set) to the table and the current face.
static int append_triangle(Faces3Koerper* k, Faces3Dreieck& t) {
    t.flaeche = k->aktuelle_flaeche;
    const int idx = static_cast<int>(k->dreiecke.size());
    try {
        if (t.flaeche >= 0) {
            Faces3Flaeche& f = k->flaechen[t.flaeche];
            if (f.dreiecke.size() < static_cast<size_t>(std::max(f.kapazitaet, 0))) {
                f.dreiecke.push_back(idx);
            }
        }
        k->dreiecke.push_back(t);
    } catch (const std::bad_alloc&) {
        if (t.flaeche >= 0 && !k->flaechen[t.flaeche].dreiecke.empty() &&
            k->flaechen[t.flaeche].dreiecke.back() == idx) {
            k->flaechen[t.flaeche].dreiecke.pop_back();
        }
        return -1;
    }
    return idx;
}

// Before the first triangle: the tables are sized for the capacities (bounded), so they
// never copy while growing, and pages beyond the data stay untouched. The point index
// grows instead: its slots are spread over the whole table.
static void reserve_ahead(Faces3Koerper* k) {
    if (k->dreiecke.capacity() != 0) return;
    constexpr int kBound = 1 << 22;
    try {
        // Sized from the capacities, not from data: no large pages, which would be mapped
        // whole for the first few records.
        k->dreiecke.reserve(std::clamp(k->max_dreiecke, 0, kBound));
        k->punkte.reserve(std::clamp(k->max_punkte, 0, kBound));
        const long long edges = std::min<long long>(std::max(k->max_kanten, 0),
                                                    6LL * std::clamp(k->max_punkte, 0, kBound));
        k->kanten.reserve(static_cast<size_t>(edges));
        if (!g_nosearch) {
            sync_edge_index(k);
            k->kanten_index.reserve(k->kanten, static_cast<size_t>(edges));
        }
    } catch (const std::bad_alloc&) {
        // Only sizing: the tables grow as needed.
    }
}

// Triangle construction from three corners; slot[i], when given, caches the point found
// or appended for corner i (see faces3_body_insert_dreieck_listed).
static int insert_triangle(Faces3Koerper* k, const double* const pts[3], int* const slot[3]) {
    if (!k) return FACES3_ERR_KEIN_KOERPER;
    if (k->dreiecke.size() >= static_cast<size_t>(std::max(k->max_dreiecke, 0))) {
        return FACES3_ERR_DREIECKE_VOLL;
    }
    reserve_ahead(k);
    if (k->flaechen.empty()) faces3_open_flaeche(k, "default");
    Faces3Dreieck t{};
    for (int i = 0; i < 3; ++i) {
        if (slot[i] && *slot[i] >= 0) {
            t.p[i] = *slot[i];
            continue;
        }
        t.p[i] = faces3_body_insert_punkt(k, pts[i]);
        if (t.p[i] < 0) return FACES3_ERR_PUNKT1 - i;
        // Points that are not finite match nothing, not even themselves.
        if (slot[i] && !g_nosearch && std::isfinite(pts[i][0]) && std::isfinite(pts[i][1]) &&
            std::isfinite(pts[i][2])) {
            *slot[i] = t.p[i];
        }
    }
    for (int i = 0; i < 3; ++i) {
        t.kante[i] = faces3_body_insert_kante(k, t.p[i], t.p[(i + 1) % 3]);
        if (t.kante[i] < 0) return FACES3_ERR_KANTE1 - i;
    }
    t.nachbar[0] = t.nachbar[1] = t.nachbar[2] = -1;
    faces3_body_update_geometry(k, t);
    const int idx = append_triangle(k, t);
    return idx >= 0 ? idx : FACES3_ERR_SPEICHER;
}

int faces3_insert_dreieck(Faces3Koerper* k, double x0, double y0, double z0, double x1, double y1,
                          double z1, double x2, double y2, double z2) {
    const double a[3] = {x0, y0, z0}, b[3] = {x1, y1, z1}, c[3] = {x2, y2, z2};
    const double* const pts[3] = {a, b, c};
    int* const none[3] = {nullptr, nullptr, nullptr};
    return insert_triangle(k, pts, none);
}

int faces3_body_insert_dreieck_listed(Faces3Koerper* k, const std::array<double, 3>* list,
                                      const int idx[3], int* known) {
    const double* const pts[3] = {list[idx[0]].data(), list[idx[1]].data(), list[idx[2]].data()};
    int* const slot[3] = {known + idx[0], known + idx[1], known + idx[2]};
    return insert_triangle(k, pts, slot);
}

int faces3_set_dreieck(Faces3Koerper* k, int idx, int p0, int p1, int p2) {
    if (!k) return -1;
    if (p0 == p1 || p1 == p2 || p0 == p2) return -1;
    const int np = static_cast<int>(k->punkte.size());
    if (p0 < 0 || p1 < 0 || p2 < 0 || p0 >= np || p1 >= np || p2 >= np) return -1;
    if (idx != -1 && !valid_tri(k, idx)) return -1;
    if (idx == -1) {
        if (k->dreiecke.size() >= static_cast<size_t>(std::max(k->max_dreiecke, 0))) return -1;
        reserve_ahead(k);
        if (k->flaechen.empty()) faces3_open_flaeche(k, "default");
    }
    Faces3Dreieck t = idx == -1 ? Faces3Dreieck{} : k->dreiecke[idx];
    t.p[0] = p0;
    t.p[1] = p1;
    t.p[2] = p2;
    for (int i = 0; i < 3; ++i) {
        t.kante[i] = faces3_body_insert_kante(k, t.p[i], t.p[(i + 1) % 3]);
        if (t.kante[i] < 0) return -1;
    }
    t.nachbar[0] = t.nachbar[1] = t.nachbar[2] = -1;
    faces3_body_update_geometry(k, t);
    if (idx != -1) {
        k->dreiecke[idx] = t;
        return idx;
    }
    return append_triangle(k, t);
}

int faces3_set_nachbarn(Faces3Koerper* k, int idx, int n0, int n1, int n2) {
    if (!valid_tri(k, idx)) return -1;
    // -1 ("no neighbour") is accepted so that open meshes keep their known neighbours.
    const int n[3] = {n0, n1, n2};
    for (int v : n) {
        if (v != -1 && !valid_tri(k, v)) return -1;
    }
    for (int s = 0; s < 3; ++s) k->dreiecke[idx].nachbar[s] = n[s];
    return 0;
}

int faces3_anzahl_dreiecke(const Faces3Koerper* k) {
    return k ? static_cast<int>(k->dreiecke.size()) : 0;
}
int faces3_anzahl_punkte(const Faces3Koerper* k) {
    return k ? static_cast<int>(k->punkte.size()) : 0;
}
int faces3_anzahl_kanten(const Faces3Koerper* k) {
    return k ? static_cast<int>(k->kanten.size()) : 0;
}
int faces3_anzahl_flaechen(const Faces3Koerper* k) {
    return k ? static_cast<int>(k->flaechen.size()) : 0;
}

int faces3_kapazitaeten(const Faces3Koerper* k, int* np, int* nk, int* nd, int* nf) {
    if (!k) return 1;
    if (np) *np = k->max_punkte;
    if (nk) *nk = k->max_kanten;
    if (nd) *nd = k->max_dreiecke;
    if (nf) *nf = k->max_flaechen;
    return 0;
}

const char* faces3_koerper_name(const Faces3Koerper* k) {
    return k ? k->name.c_str() : "";
}
int faces3_get_typ(const Faces3Koerper* k) {
    return k ? k->typ : -1;
}
void faces3_set_typ(Faces3Koerper* k, int typ) {
    if (k) k->typ = typ;
}

int faces3_get_dimensionen(const Faces3Koerper* k, double dim[3]) {
    if (!k) return 1;
    for (int i = 0; i < 3; ++i) dim[i] = k->dim[i];
    return 0;
}

void faces3_set_dimensionen(Faces3Koerper* k, double d0, double d1, double d2) {
    if (!k) return;
    k->dim[0] = d0;
    k->dim[1] = d1;
    k->dim[2] = d2;
}

int faces3_aktuelle_flaeche(const Faces3Koerper* k) {
    return k ? k->aktuelle_flaeche : -1;
}

int faces3_get_punkt(const Faces3Koerper* k, int i, double xyz[3]) {
    if (!k || i < 0 || static_cast<size_t>(i) >= k->punkte.size()) return 1;
    for (int a = 0; a < 3; ++a) xyz[a] = k->punkte[i][a];
    return 0;
}

int faces3_get_kante(const Faces3Koerper* k, int i, int* von, int* nach) {
    if (!k || i < 0 || static_cast<size_t>(i) >= k->kanten.size()) return 1;
    if (von) *von = k->kanten[i].von;
    if (nach) *nach = k->kanten[i].nach;
    return 0;
}

const Faces3Dreieck* faces3_get_dreieck(const Faces3Koerper* k, int i) {
    return valid_tri(k, i) ? &k->dreiecke[i] : nullptr;
}

static const Faces3Flaeche* face_at(const Faces3Koerper* k, int i) {
    if (!k || i < 0 || static_cast<size_t>(i) >= k->flaechen.size()) return nullptr;
    return &k->flaechen[i];
}

const char* faces3_flaeche_name(const Faces3Koerper* k, int i) {
    const Faces3Flaeche* f = face_at(k, i);
    return f ? f->name.c_str() : "";
}
int faces3_flaeche_anzahl(const Faces3Koerper* k, int i) {
    const Faces3Flaeche* f = face_at(k, i);
    return f ? static_cast<int>(f->dreiecke.size()) : 0;
}
int faces3_flaeche_kapazitaet(const Faces3Koerper* k, int i) {
    const Faces3Flaeche* f = face_at(k, i);
    return f ? f->kapazitaet : 0;
}
int faces3_flaeche_dreieck(const Faces3Koerper* k, int i, int n) {
    const Faces3Flaeche* f = face_at(k, i);
    if (!f || n < 0 || static_cast<size_t>(n) >= f->dreiecke.size()) return -1;
    return f->dreiecke[n];
}
