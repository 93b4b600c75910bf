// Primitive nodes of the VRML importer (Cone, Cylinder, Sphere, Cube): the solids are
// built, placed as VRML defines them and merged into the body being imported.
#pragma once

#include <vector>

#include "faces3/faces3.h"

namespace faces3_vrml {

enum class VrmlPrimitive { kCone, kCylinder, kSphere, kCube };

// Dimensions as the node gives them, already multiplied by the model factor: radius and
// height for cones and cylinders, radius for spheres, width, height, depth for cubes.
// m is the current matrix with its translation already scaled by the model factor.
// Returns the placed solid, or null when it could not be built.
Faces3Koerper* vrml_build_primitive(VrmlPrimitive kind, const char* name, const double dim[3],
                                    double dalpha, const double m[16]);

// Solids waiting to be merged into the imported body. Merging one solid after the other
// copies the growing body every time; merging them pairwise first and then into the body
// gives the same body (merging appends) in a fraction of the time.
class VrmlMergeQueue {
  public:
    VrmlMergeQueue() = default;
    VrmlMergeQueue(const VrmlMergeQueue&) = delete;
    VrmlMergeQueue& operator=(const VrmlMergeQueue&) = delete;
    ~VrmlMergeQueue();

    // Takes ownership. False when a merge failed for lack of memory.
    bool add(Faces3Koerper* solid);
    // Triangles waiting.
    long long triangles() const { return triangles_; }
    // Merges everything waiting into body and returns the new body (body itself when
    // nothing waits); body is freed when it was replaced. Null when a merge failed for lack
    // of memory; body is then left as it was.
    Faces3Koerper* flush_into(Faces3Koerper* body);

  private:
    std::vector<Faces3Koerper*> stack_;
    long long triangles_ = 0;
};

}  // namespace faces3_vrml
