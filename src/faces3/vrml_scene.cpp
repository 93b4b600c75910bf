// Node traversal of the VRML importer: node headers, grouping nodes and transformations.
#include "faces3/vrml_scene.h"

#include <algorithm>
#include <exception>

#include "faces3/faces3_body.h"
#include "faces3/faces3_output.h"
#include "numeric/vec3.h"

namespace faces3_vrml {

namespace {

// Keeps the nesting depth right on every way out of a node.
struct DepthGuard {
    int& depth;
    explicit DepthGuard(int& d) : depth(d) { ++depth; }
    ~DepthGuard() { --depth; }
};

bool is_group(const std::string& type) {
    return type == "Separator" || type == "Group" || type == "Switch" || type == "WWWAnchor" ||
           type == "LOD";
}

bool is_field_node(const std::string& type) {
    return type == "Coordinate3" || type == "IndexedFaceSet" || type == "Cone" ||
           type == "Cylinder" || type == "Sphere" || type == "Cube" || type == "MatrixTransform" ||
           type == "Rotation" || type == "Scale" || type == "Translation" || type == "Transform";
}

}  // namespace

VrmlScene::VrmlScene(VrmlReader& reader, const VrmlSettings& settings, double modelfac,
                     Faces3Koerper* body)
    : r_(reader), t_(reader.tokens()), s_(settings), fac_(modelfac), body_(body) {
    mat4_identity(m_.data());
    int np = 0, ne = 0, nt = 0, nf = 0;
    faces3_kapazitaeten(body, &np, &ne, &nt, &nf);
    triangle_limit_ = nt;
    // Room up to the body's capacities at once, so that the tables are never copied into
    // bigger ones, which kept the old table beside the new one (for a large model some
    // hundred megabytes at the peak). Only address space: pages are mapped in as the face
    // sets fill them, large pages only where faces3_reserve says that they will be filled.
    if (body) {
        auto room = [](auto& v, int n) {
            try {
                v.reserve(static_cast<std::size_t>(std::max(n, 0)));
            } catch (const std::exception&) {
                // Only a hint: the tables grow as needed.
            }
        };
        room(body->punkte, np);
        room(body->dreiecke, nt);
        room(body->kanten, ne);
    }
}

VrmlScene::~VrmlScene() {
    if (body_) faces3_free_koerper(body_);
}

Faces3Koerper* VrmlScene::take_body() {
    flush();
    Faces3Koerper* k = body_;
    body_ = nullptr;
    return k;
}

bool VrmlScene::flush() {
    Faces3Koerper* merged = pending_.flush_into(body_);
    if (!merged) {
        faces3_message_printf("faces3_rcv_from_vrml: kein Speicher fuer die Grundkoerper");
        quiet_stop_ = true;
        return false;
    }
    body_ = merged;
    return true;
}

bool VrmlScene::read_all() {
    std::size_t i;
    while (r_.peek(i)) {
        if (!read_node()) {
            if (!quiet_stop_) faces3_message_printf("faces3_rcv_from_vrml: syntax error");
            return false;
        }
    }
    return !r_.failed();
}

void VrmlScene::multiply(const double m[16]) {
    mat4_mul(m_.data(), m, m_.data());
}

bool VrmlScene::read_node() {
    DepthGuard guard(depth_);
    if (depth_ > kVrmlMaxNesting) {
        faces3_message_printf(
            "faces3_rcv_from_vrml: Ueberlauf des Status-Stapels (zu tiefe Verschachtelung)");
        return false;
    }
    std::size_t idx;
    if (!r_.need(idx)) return false;
    std::string nodename;
    if (t_.is(idx, "DEF")) {
        std::size_t name;
        if (!need_raw(name)) return false;
        nodename = VrmlReader::cut_name(t_.value(name));
        if (!r_.need(idx)) return false;
        r_.define(nodename, idx);
    }
    const std::string type = VrmlReader::cut_name(t_.value(idx));
    faces3_terminal_printf("nodetype = %s   nodename = %s\n", type.c_str(), nodename.c_str());
    std::size_t brace;
    if (!r_.need(brace)) return false;
    if (!t_.is(brace, "{")) {
        faces3_message_printf("faces3_rcv_from_vrml: { expected");
        return false;
    }
    // Extension nodes declare their fields and what they are.
    if (r_.peek_is("fields")) {
        r_.next_raw(idx);
        skip_value();
    }
    if (r_.peek_is("isA")) {
        r_.next_raw(idx);
        skip_value();
    }
    if (is_group(type)) return read_group(type);
    if (is_field_node(type)) return read_fields(type);
    faces3_terminal_printf("UNBEKANNT: nodetype = %s  nodename = %s\n", type.c_str(),
                           nodename.c_str());
    return r_.skip_to_close();
}

bool VrmlScene::read_group(const std::string& type) {
    const bool separator = type == "Separator";
    if (separator) {
        if (saved_.size() >= static_cast<std::size_t>(kVrmlMaxNesting)) {
            faces3_message_printf(
                "faces3_rcv_from_vrml: Ueberlauf des Status-Stapels (zu tiefe Verschachtelung)");
            return false;
        }
        saved_.push_back(m_);
    }
    // Switch reads the child whichChild names (-3: all of them), LOD the child chosen by
    // FACES3_VRML_LOD; the others are skipped, their DEFs still count.
    int which = 0;
    int lod_n = 0;
    int lod_child = -1;
    int child = 0;
    std::size_t i;
    while (true) {
        if (!r_.peek(i)) {
            if (!r_.failed()) faces3_message_printf("faces3_rcv_from_vrml: separator: } expected");
            return false;
        }
        if (t_.is(i, "}")) {
            r_.next_raw(i);
            break;
        }
        if (separator && t_.is(i, "renderCulling")) {
            r_.next_raw(i);
            skip_value();
            continue;
        }
        if (type == "Switch" && t_.is(i, "whichChild")) {
            r_.next_raw(i);
            integer(which);
            continue;
        }
        if (type == "WWWAnchor" &&
            (t_.is(i, "name") || t_.is(i, "description") || t_.is(i, "map"))) {
            r_.next_raw(i);
            skip_value();
            continue;
        }
        if (type == "LOD" && t_.is(i, "range")) {
            r_.next_raw(i);
            lod_n = 0;
            if (r_.peek_is("[")) {
                r_.next_raw(i);
                double v;
                while (true) {
                    if (number(v)) {
                        ++lod_n;
                    } else if (r_.peek_is("]")) {
                        r_.next_raw(i);
                        break;
                    } else if (!r_.peek(i) || t_.is(i, "}")) {
                        break;
                    } else {
                        r_.next_raw(i);  // not a number: ignored
                    }
                }
            } else {
                double v;
                if (number(v)) lod_n = 1;
            }
            continue;
        }
        if (type == "LOD" && t_.is(i, "center")) {
            r_.next_raw(i);
            double c[3];
            numbers(c, 3);
            continue;
        }
        bool read = true;
        if (type == "Switch") {
            read = which == -3 || child == which;
        } else if (type == "LOD") {
            if (lod_child < 0) {
                lod_child = vrml_lod_child(s_.lod, lod_n);
                faces3_terminal_printf("VRML LOD n = %d  i = %d\n", lod_n, lod_child);
            }
            read = child == lod_child;
        }
        ++child;
        if (read) {
            if (!read_node()) return false;
        } else if (!r_.skip_node()) {
            if (!r_.failed()) faces3_message_printf("faces3_rcv_from_vrml: separator: } expected");
            return false;
        }
    }
    if (separator) {
        m_ = saved_.back();
        saved_.pop_back();
    }
    return true;
}

bool VrmlScene::read_fields(const std::string& type) {
    if (type == "IndexedFaceSet") return read_face_set();
    if (type == "Cone") return read_primitive(VrmlPrimitive::kCone);
    if (type == "Cylinder") return read_primitive(VrmlPrimitive::kCylinder);
    if (type == "Sphere") return read_primitive(VrmlPrimitive::kSphere);
    if (type == "Cube") return read_primitive(VrmlPrimitive::kCube);

    // Coordinate3 and the transformations: fields until "}", unknown names ignored.
    double translation[3] = {0, 0, 0}, rotation[4] = {0, 0, 1, 0}, scale[3] = {1, 1, 1};
    double scale_orientation[4] = {0, 0, 1, 0}, center[3] = {0, 0, 0};
    double matrix[16];
    mat4_identity(matrix);
    bool have_matrix = false;
    std::size_t i;
    while (true) {
        if (!r_.need(i)) return false;
        if (t_.is(i, "}")) break;
        const std::string_view f = t_.raw(i);
        if (type == "Coordinate3" && f == "point") {
            if (!read_point_list()) return false;
        } else if (type == "MatrixTransform" && f == "matrix") {
            // VRML writes the matrix for row vectors (translation in the last row); ours
            // act on column vectors, hence the transpose.
            double v[16];
            for (int k = 0; k < 16; ++k) v[k] = (k % 5 == 0) ? 1.0 : 0.0;
            numbers(v, 16);
            for (int r = 0; r < 4; ++r)
                for (int c = 0; c < 4; ++c) matrix[r * 4 + c] = v[c * 4 + r];
            have_matrix = true;
        } else if ((type == "Rotation" && f == "rotation") ||
                   (type == "Transform" && f == "rotation")) {
            numbers(rotation, 4);
        } else if ((type == "Scale" || type == "Transform") && f == "scaleFactor") {
            numbers(scale, 3);
        } else if ((type == "Translation" || type == "Transform") && f == "translation") {
            numbers(translation, 3);
        } else if (type == "Transform" && f == "scaleOrientation") {
            numbers(scale_orientation, 4);
        } else if (type == "Transform" && f == "center") {
            numbers(center, 3);
        }
    }
    double m[16];
    if (type == "MatrixTransform") {
        if (have_matrix) multiply(matrix);
    } else if (type == "Rotation") {
        mat4_rotation(rotation[0], rotation[1], rotation[2], rotation[3], m);
        multiply(m);
    } else if (type == "Scale") {
        mat4_scale(scale[0], scale[1], scale[2], m);
        multiply(m);
    } else if (type == "Translation") {
        mat4_translation(translation[0], translation[1], translation[2], m);
        multiply(m);
    } else if (type == "Transform") {
        // T x C x R x SR x S x SR^-1 x C^-1
        const double* so = scale_orientation;
        mat4_translation(translation[0], translation[1], translation[2], m);
        multiply(m);
        mat4_translation(center[0], center[1], center[2], m);
        multiply(m);
        mat4_rotation(rotation[0], rotation[1], rotation[2], rotation[3], m);
        multiply(m);
        mat4_rotation(so[0], so[1], so[2], so[3], m);
        multiply(m);
        mat4_scale(scale[0], scale[1], scale[2], m);
        multiply(m);
        mat4_rotation(so[0], so[1], so[2], -so[3], m);
        multiply(m);
        mat4_translation(-center[0], -center[1], -center[2], m);
        multiply(m);
    }
    return true;
}

}  // namespace faces3_vrml
