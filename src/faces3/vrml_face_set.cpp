// Geometry nodes of the VRML importer: Coordinate3 point lists, IndexedFaceSet polygons
// and the primitive shapes.
#include <algorithm>
#include <cstdio>
#include <new>

#include "faces3/faces3_body.h"
#include "faces3/faces3_large_pages.h"
#include "faces3/faces3_output.h"
#include "faces3/vrml_import.h"
#include "faces3/vrml_scene.h"
#include "faces3/vrml_triangulation.h"
#include "numeric/vec3.h"

namespace faces3_vrml {

namespace {

void report_insert_failure(Faces3Koerper* k, int code, const int* idx,
                           const std::array<double, 3>* pts) {
    const char* face = faces3_flaeche_name(k, faces3_aktuelle_flaeche(k));
    const auto& a = pts[idx[0]];
    const auto& b = pts[idx[1]];
    const auto& c = pts[idx[2]];
    faces3_terminal_printf(
        "faces3_rcv_from_vrml: %s: Dreieck %d %d %d nicht eingefuegt (%d): "
        "(%g %g %g) (%g %g %g) (%g %g %g)\n",
        face, idx[0], idx[1], idx[2], code, a[0], a[1], a[2], b[0], b[1], b[2], c[0], c[1], c[2]);
}

bool is_punct_or_quote(char c) {
    return c == '(' || c == ')' || c == '[' || c == ']' || c == '{' || c == '}' || c == '"' ||
           c == '\'';
}

// Room for a list of at most `limit` entries that cannot be longer than the rest of the token
// text allows; only a hint, so a refusal changes nothing.
template <class V>
void reserve_for_list(V& v, int limit, std::size_t tokens_per_entry, std::size_t rest) {
    faces3_reserve_large(v, std::min(static_cast<std::size_t>(limit), rest / tokens_per_entry + 1));
}

// known: body point per list index, or null for a plain insertion.
int insert(Faces3Koerper* k, const int* idx, const std::array<double, 3>* pts, int* known) {
    int rc;
    if (known) {
        rc = faces3_body_insert_dreieck_listed(k, pts, idx, known);
    } else {
        const auto& a = pts[idx[0]];
        const auto& b = pts[idx[1]];
        const auto& c = pts[idx[2]];
        rc = faces3_insert_dreieck(k, a[0], a[1], a[2], b[0], b[1], b[2], c[0], c[1], c[2]);
    }
    if (rc < 0) report_insert_failure(k, rc, idx, pts);
    return rc;
}

int triangulate(Faces3Koerper* k, const std::array<double, 3>* punkte, std::size_t count,
                const int* index, int n, int* known) {
    if (!k || !index || n < 3) return n < 3 ? 0 : 1;
    for (int i = 0; i < n; ++i)
        if (index[i] < 0 || static_cast<std::size_t>(index[i]) >= count) return 1;
    std::vector<std::array<int, 3>> triangles;
    const int rc = vrml_triangulate(punkte, index, n, triangles);
    for (const auto& t : triangles) insert(k, t.data(), punkte, known);
    if (rc != 0)
        faces3_terminal_printf(
            "faces3_import_vrml_dreieckszerlegung: keine Fortsetzung gefunden\n");
    return rc;
}

}  // namespace

bool VrmlScene::read_point_list() {
    points_.clear();
    bool reported = false;
    double triple[3];
    int have = 0;
    auto add = [&](double v) {
        triple[have++] = v;
        if (have < 3) return;
        have = 0;
        if (points_.size() >= static_cast<std::size_t>(s_.max_coordinate3)) {
            if (!reported)
                faces3_message_printf(
                    "VRML-Import: zu viele Punkte in einer Coordinate3-Punkteliste");
            reported = true;
            return;
        }
        std::array<double, 3> p;
        mat4_transform_point(triple, m_.data(), p.data());
        for (double& c : p) c *= fac_;
        points_.push_back(p);
    };
    std::size_t i;
    if (!r_.peek_is("[")) {
        double v[3];
        if (numbers(v, 3))
            for (double x : v) add(x);
        return true;
    }
    r_.next_raw(i);
    reserve_for_list(points_, s_.max_coordinate3, 3, t_.size() - i);
    while (true) {
        // Plain numbers and commas in a row are read straight from the token table; anything
        // else (and the end of a USE text) goes through number() below.
        std::size_t p, e;
        r_.run(p, e);
        const std::size_t from = p;
        for (; p < e; ++p) {
            const std::string_view w = t_.raw(p);
            if (w[0] == ',') continue;
            double x;
            if (is_punct_or_quote(w[0]) || !vrml_parse_double(w, x)) break;
            add(x);
        }
        r_.skip(p - from);
        double v;
        if (number(v)) {
            add(v);
        } else if (!r_.peek(i) || t_.is(i, "}")) {
            return true;  // unclosed list: the node's own loop reports or ends
        } else {
            r_.next_raw(i);
            if (t_.is(i, "]")) return true;
        }
    }
}

bool VrmlScene::read_index_list() {
    index_.clear();
    bool reported = false;
    auto add = [&](int v) {
        if (index_.size() >= static_cast<std::size_t>(s_.indexlist_max)) {
            if (!reported)
                faces3_message_printf("VRML-Import: zu viele Eintraege in einer Indexliste");
            reported = true;
            return;
        }
        index_.push_back(v);
    };
    std::size_t i;
    int v;
    if (!r_.peek_is("[")) {
        if (integer(v)) add(v);
        return true;
    }
    r_.next_raw(i);
    reserve_for_list(index_, s_.indexlist_max, 1, t_.size() - i);
    while (true) {
        // As for points: integers and commas in a row straight from the token table.
        std::size_t p, e;
        r_.run(p, e);
        const std::size_t from = p;
        for (; p < e; ++p) {
            const std::string_view w = t_.raw(p);
            const char c = w[0];
            if (c == ',') continue;
            if (!(c == '-' || c == '+' || (c >= '0' && c <= '9'))) break;
            add(vrml_parse_int(w));
        }
        r_.skip(p - from);
        if (integer(v)) {
            add(v);
        } else if (!r_.peek(i) || t_.is(i, "}")) {
            return true;
        } else {
            r_.next_raw(i);
            if (t_.is(i, "]")) return true;
        }
    }
}

bool VrmlScene::read_face_set() {
    index_.clear();
    std::size_t i;
    while (true) {
        if (!r_.need(i)) return false;
        if (t_.is(i, "}")) break;
        const std::string_view f = t_.raw(i);
        if (f == "coordIndex") {
            read_index_list();
        } else if (f == "materialIndex" || f == "normalIndex" || f == "textureCoordIndex") {
            skip_value();
        }
    }
    for (const int v : index_) {
        if (v >= 0 && static_cast<std::size_t>(v) >= points_.size()) {
            faces3_message_printf("faces3_rcv_from_vrml: ungueltiger Punktindex");
            return true;  // this face set only
        }
    }
    if (!flush()) return false;  // primitives read before come first in the body
    char name[32];
    std::snprintf(name, sizeof name, "faceset%d", ++counter_);
    faces3_open_flaeche(body_, name);
    // Room for the triangles of this face set, so the body's tables do not regrow.
    long long triangles = 0;
    for (std::size_t k = 0, start = 0; k <= index_.size(); ++k) {
        if (k < index_.size() && index_[k] >= 0) continue;
        if (k - start >= 3) triangles += static_cast<long long>(k - start) - 2;
        start = k + 1;
    }
    faces3_reserve(body_, static_cast<int>(std::min(points_.size(), index_.size())),
                   static_cast<int>(std::min(triangles, 1LL << 30)));
    // Body point of each list point once it has been used: repeated corners (most corners of
    // a closed mesh) skip the point search. Nothing moves or removes points in between.
    faces3_reserve_large(known_, points_.size());
    known_.assign(points_.size(), -1);
    std::size_t start = 0;
    for (std::size_t k = 0; k <= index_.size(); ++k) {
        if (k < index_.size() && index_[k] >= 0) continue;
        const std::size_t n = k - start;
        if (n == 3) {
            insert(body_, &index_[start], points_.data(), known_.data());
        } else if (n > 3) {
            triangulate(body_, points_.data(), points_.size(), &index_[start], static_cast<int>(n),
                        known_.data());
        }
        start = k + 1;
    }
    return true;
}

bool VrmlScene::read_primitive(VrmlPrimitive kind) {
    double dim[3] = {1, 2, 0};  // cone and cylinder: radius 1, height 2
    if (kind == VrmlPrimitive::kCube) dim[0] = dim[1] = dim[2] = 2;
    std::size_t i;
    while (true) {
        if (!r_.need(i)) return false;
        if (t_.is(i, "}")) break;
        const std::string_view f = t_.raw(i);
        if (f == "parts" && (kind == VrmlPrimitive::kCone || kind == VrmlPrimitive::kCylinder)) {
            skip_value();
        } else if ((f == "bottomRadius" && kind == VrmlPrimitive::kCone) ||
                   (f == "radius" &&
                    (kind == VrmlPrimitive::kCylinder || kind == VrmlPrimitive::kSphere))) {
            number(dim[0]);
        } else if (f == "height" && kind != VrmlPrimitive::kSphere) {
            number(dim[1]);
        } else if (f == "width" && kind == VrmlPrimitive::kCube) {
            number(dim[0]);
        } else if (f == "depth" && kind == VrmlPrimitive::kCube) {
            number(dim[2]);
        }
    }
    for (double& d : dim) d *= fac_;
    const char* pattern = "kegel%d";
    double dalpha = s_.cone_dalpha;
    if (kind == VrmlPrimitive::kCylinder) pattern = "zylinder%d", dalpha = s_.cylinder_dalpha;
    if (kind == VrmlPrimitive::kSphere) pattern = "kugel%d", dalpha = s_.sphere_dalpha;
    if (kind == VrmlPrimitive::kCube) pattern = "quader%d";
    char name[32];
    std::snprintf(name, sizeof name, pattern, ++counter_);

    // The matrix places the solid; its translation is in model units like every other
    // coordinate.
    std::array<double, 16> m = m_;
    m[3] *= fac_;
    m[7] *= fac_;
    m[11] *= fac_;
    Faces3Koerper* solid = vrml_build_primitive(kind, name, dim, dalpha, m.data());
    if (!solid) return true;
    const long long total = static_cast<long long>(faces3_anzahl_dreiecke(body_)) +
                            pending_.triangles() + faces3_anzahl_dreiecke(solid);
    if (total > triangle_limit_) {
        faces3_free_koerper(solid);
        faces3_message_printf("faces3_rcv_from_vrml: zu viele Dreiecke (max. %lld)",
                              triangle_limit_);
        quiet_stop_ = true;
        return false;
    }
    if (!pending_.add(solid)) {
        faces3_message_printf("faces3_rcv_from_vrml: kein Speicher fuer die Grundkoerper");
        quiet_stop_ = true;
        return false;
    }
    return true;
}

}  // namespace faces3_vrml

int faces3_import_vrml_dreieckszerlegung(Faces3Koerper* k,
                                         const std::vector<std::array<double, 3>>& punkte,
                                         const int* index, int n) {
    return faces3_vrml::triangulate(k, punkte.data(), punkte.size(), index, n, nullptr);
}
