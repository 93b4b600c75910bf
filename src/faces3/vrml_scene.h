// Node traversal of the VRML importer: reads nodes from the token reader, keeps the current
// matrix, point list and index list, and builds the body face set by face set.
#pragma once

#include <array>
#include <string>
#include <vector>

#include "faces3/faces3.h"
#include "faces3/vrml_primitives.h"
#include "faces3/vrml_reader.h"
#include "faces3/vrml_settings.h"

namespace faces3_vrml {

inline constexpr int kVrmlMaxNesting = 1024;  // saved matrices, and nodes inside nodes

class VrmlScene {
  public:
    // body: the body being imported (owned by the scene until take_body).
    VrmlScene(VrmlReader& reader, const VrmlSettings& settings, double modelfac,
              Faces3Koerper* body);
    VrmlScene(const VrmlScene&) = delete;
    VrmlScene& operator=(const VrmlScene&) = delete;
    // Frees the body unless it was taken (an import abandoned for lack of memory).
    ~VrmlScene();
    // Reads nodes until the text ends; a node that fails ends the reading with a message.
    // Returns false when the reading ended early.
    bool read_all();
    // The body with everything merged into it; the scene lets go of it.
    Faces3Koerper* take_body();

  private:
    bool read_node();
    bool read_group(const std::string& type);
    bool read_fields(const std::string& type);
    bool read_face_set();
    bool read_primitive(VrmlPrimitive kind);
    bool read_point_list();
    bool read_index_list();
    bool number(double& v);
    bool numbers(double* v, int n);
    bool integer(int& v);
    bool skip_value();
    bool need_raw(std::size_t& idx);
    void multiply(const double m[16]);
    bool flush();
    void insert_triangle(const int* idx);

    VrmlReader& r_;
    const VrmlTokens& t_;
    const VrmlSettings& s_;
    double fac_;
    Faces3Koerper* body_;
    long long triangle_limit_ = 0;
    std::array<double, 16> m_;
    std::vector<std::array<double, 16>> saved_;
    Faces3Vec<std::array<double, 3>> points_;
    Faces3Vec<int> index_;
    Faces3Vec<int> known_;  // body point per entry of points_ in the face set being built
    VrmlMergeQueue pending_;
    int counter_ = 0;
    int depth_ = 0;
    bool quiet_stop_ = false;  // ended by a limit whose message was shown already
};

}  // namespace faces3_vrml
