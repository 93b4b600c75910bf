// Cone, Cylinder, Sphere and Cube nodes: built with the primitive generators (axis z,
// standing on z = 0), turned and moved to the VRML frame (axis y, centred), then placed.
#include "faces3/vrml_primitives.h"

namespace faces3_vrml {

Faces3Koerper* vrml_build_primitive(VrmlPrimitive kind, const char* name, const double dim[3],
                                    double dalpha, const double m[16]) {
    Faces3Koerper* k = nullptr;
    switch (kind) {
        case VrmlPrimitive::kCone:
            k = faces3_kegel(name, dim[0], dim[1], dalpha);
            break;
        case VrmlPrimitive::kCylinder:
            k = faces3_zylinder(name, dim[0], dim[0], dim[1], dalpha);
            break;
        case VrmlPrimitive::kSphere:
            k = faces3_kugel(name, dim[0], dalpha, dalpha);
            break;
        case VrmlPrimitive::kCube:
            k = faces3_quader(name, dim[0], dim[1], dim[2]);
            break;
    }
    if (!k) return nullptr;
    if (kind == VrmlPrimitive::kCone || kind == VrmlPrimitive::kCylinder) {
        // The generators stand on z = 0 with the tip or top at z = h; VRML centres the
        // solid on the origin with its axis along y and the tip up.
        faces3_rotate(k, 1.0, 0.0, 0.0, -90.0);
        faces3_translate(k, 0.0, -dim[1] / 2.0, 0.0);
    }
    faces3_matrix4(k, m);
    return k;
}

VrmlMergeQueue::~VrmlMergeQueue() {
    for (Faces3Koerper* k : stack_) faces3_free_koerper(k);
}

bool VrmlMergeQueue::add(Faces3Koerper* solid) {
    triangles_ += faces3_anzahl_dreiecke(solid);
    stack_.push_back(solid);
    // Binary-counter merging keeps the work per triangle logarithmic; the order of the
    // solids is kept because the earlier one is always the first argument.
    while (stack_.size() >= 2) {
        Faces3Koerper* a = stack_[stack_.size() - 2];
        Faces3Koerper* b = stack_.back();
        if (faces3_anzahl_dreiecke(a) > faces3_anzahl_dreiecke(b)) break;
        Faces3Koerper* ab = faces3_merge_koerper(a, b);
        if (!ab) return false;
        faces3_free_koerper(a);
        faces3_free_koerper(b);
        stack_.pop_back();
        stack_.back() = ab;
    }
    return true;
}

Faces3Koerper* VrmlMergeQueue::flush_into(Faces3Koerper* body) {
    if (stack_.empty()) return body;
    while (stack_.size() >= 2) {
        Faces3Koerper* a = stack_[stack_.size() - 2];
        Faces3Koerper* b = stack_.back();
        Faces3Koerper* ab = faces3_merge_koerper(a, b);
        if (!ab) return nullptr;
        faces3_free_koerper(a);
        faces3_free_koerper(b);
        stack_.pop_back();
        stack_.back() = ab;
    }
    Faces3Koerper* merged = faces3_merge_koerper(body, stack_.back());
    if (!merged) return nullptr;
    faces3_free_koerper(body);
    faces3_free_koerper(stack_.back());
    stack_.clear();
    triangles_ = 0;
    return merged;
}

}  // namespace faces3_vrml
