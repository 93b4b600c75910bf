// Drawing traversals: feature edges, axis-coloured triangles and plain triangles are
// handed to the viewer's callbacks in millimetres.
#include <cmath>

#include "faces3/faces3_body.h"
#include "numeric/vec3.h"

namespace {

// The callbacks of the plain traversals.
Faces3DrawFunctions& callbacks() {
    static Faces3DrawFunctions functions;
    return functions;
}

void mm(const Faces3P3& p, double out[3]) {
    out[0] = p[0] * 1000;
    out[1] = p[1] * 1000;
    out[2] = p[2] * 1000;
}

bool empty(const Faces3Koerper* k) {
    return !k || k->dreiecke.empty();
}

}  // namespace

void faces3_set_draw_callbacks(Faces3LinieFn linie, Faces3DreieckFn dreieck,
                               Faces3FarbDreieckFn farbdreieck) {
    // A null pointer must give an empty function, not a function that calls null.
    Faces3DrawFunctions& f = callbacks();
    f.linie = nullptr;
    f.dreieck = nullptr;
    f.farbdreieck = nullptr;
    if (linie) f.linie = linie;
    if (dreieck) f.dreieck = dreieck;
    if (farbdreieck) f.farbdreieck = farbdreieck;
}

int faces3_draw_kanten(const Faces3Koerper* k) {
    return faces3_draw_kanten(k, callbacks());
}

int faces3_draw_achsflaechen(const Faces3Koerper* k, int achse, double r, double g, double b,
                             double tol) {
    return faces3_draw_achsflaechen(k, achse, r, g, b, tol, callbacks());
}

int faces3_draw_dreiecke(const Faces3Koerper* k) {
    return faces3_draw_dreiecke(k, callbacks());
}

int faces3_draw_kanten(const Faces3Koerper* k, const Faces3DrawFunctions& functions) {
    if (empty(k)) return 1;
    const int n = static_cast<int>(k->dreiecke.size());
    for (int i = 0; i < n; ++i) {
        const Faces3Dreieck& t = k->dreiecke[i];
        for (int s = 0; s < 3; ++s) {
            const int j = t.nachbar[s];
            bool draw = j == -1 || j < -1 || j >= n;  // unknown neighbours count as none
            if (!draw && j <= i) draw = !vec3_parallel(t.normale, k->dreiecke[j].normale, 0.1);
            if (!draw || !functions.linie) continue;
            double a[3], b[3];
            mm(k->punkte[t.p[s]], a);
            mm(k->punkte[t.p[(s + 1) % 3]], b);
            functions.linie(a[0], a[1], a[2], b[0], b[1], b[2]);
        }
    }
    return 0;
}

int faces3_draw_achsflaechen(const Faces3Koerper* k, int achse, double r, double g, double b,
                             double tol, const Faces3DrawFunctions& draw) {
    if (empty(k) || achse < 1 || achse > 3) return 1;
    const int ax = achse - 1, o1 = (ax + 1) % 3, o2 = (ax + 2) % 3;
    for (const Faces3Dreieck& t : k->dreiecke) {
        double cr = r, cg = g, cb = b;
        if (std::fabs(t.normale[ax]) <= 0.1) {
            double m[3] = {t.normale[0], t.normale[1], t.normale[2]};
            m[ax] = 0;
            const double len = std::sqrt(m[0] * m[0] + m[1] * m[1] + m[2] * m[2]);
            if (len >= 1e-8) {
                m[o1] /= len;
                m[o2] /= len;
                if (std::fabs(m[o1]) < tol || std::fabs(m[o2]) < tol) {
                    cr = 1.0;
                    cg = 0.3;
                    cb = 1.0;
                }
            }
        }
        if (!draw.farbdreieck) continue;
        double p0[3], p1[3], p2[3];
        mm(k->punkte[t.p[0]], p0);
        mm(k->punkte[t.p[1]], p1);
        mm(k->punkte[t.p[2]], p2);
        draw.farbdreieck(p0, p1, p2, cr, cg, cb);
    }
    return 0;
}

int faces3_draw_dreiecke(const Faces3Koerper* k, const Faces3DrawFunctions& draw) {
    if (empty(k)) return 1;
    for (const Faces3Dreieck& t : k->dreiecke) {
        if (!draw.dreieck) continue;
        double p0[3], p1[3], p2[3];
        mm(k->punkte[t.p[0]], p0);
        mm(k->punkte[t.p[1]], p1);
        mm(k->punkte[t.p[2]], p2);
        draw.dreieck(p0, p1, p2, t.normale);
    }
    return 0;
}
