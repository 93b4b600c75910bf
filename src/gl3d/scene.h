// The 3D scene: scene objects made of parts (polygons, cylinders and tubes, boxes, mesh bodies,
// vector graphics), the global placement, the view record and the frame records.
#pragma once

#include <array>
#include <memory>
#include <string>
#include <vector>

#include "faces3/faces3.h"
#include "film_model/contour_element.h"

namespace gl3d {

// Maxima of the scene stores; memory grows with the scene, these only bound it.
constexpr int kMaxObjects = 2048;
constexpr int kMaxPartsPerObject = 256;
constexpr int kMaxBodies = 2048;
constexpr int kMaxVectorGraphics = 2048;
constexpr int kMaxPolygons = 16384;
constexpr int kMaxCylinders = 16384;
constexpr int kMaxBoxes = 16384;
constexpr int kMaxPolygonPoints = 36000;
constexpr int kMaxVectorElements = 100000;
// The part id of part p of object o is o * kPartIdObjectFactor + p.
constexpr int kPartIdObjectFactor = 1000000;
// Values not given (view record, scene box before anything widened it).
constexpr double kUnset = 1e38;
// Packed colour selecting the body colour of the light settings.
constexpr int kBodyColour = -1;

enum PartKind { kPartPolygon = 1, kPartCylinder = 2, kPartBox = 3, kPartBody = 4, kPartVector = 5 };

// Origin, then the images of the x, y and z axes.
using Placement = std::array<double, 12>;
// Column-major 4 x 4 matrix (OpenGL's order).
using Matrix4 = std::array<double, 16>;

constexpr Placement kIdentityPlacement = {0, 0, 0, 1, 0, 0, 0, 1, 0, 0, 0, 1};
Matrix4 identity_matrix();
// The axis images are the first three columns, the origin the fourth.
Matrix4 placement_matrix(const Placement& p);

struct BodyDeleter {
    void operator()(Faces3Koerper* k) const { faces3_free_koerper(k); }
};
using BodyHandle = std::unique_ptr<Faces3Koerper, BodyDeleter>;

struct MeshBodyPart {
    BodyHandle body;
    int part_id = 0;
    int colour = 0xFFFFFF;
    int flags = 0;  // 1: triangle edges only; 2: tested by surface picking
    std::string object_name;
    Matrix4 matrix = identity_matrix();
    // Display lists the renderer made for the body (filled, triangle edges, feature edges).
    std::array<unsigned, 3> display_lists = {0, 0, 0};
    // Found by the renderer with the first filled list: 1 when the body is closed and every
    // shell of it faces outwards (its back faces never show from outside), 0 when not, -1 not
    // known yet; and the box of its points in millimetres (min x, y, z, max x, y, z).
    int closed = -1;
    std::array<double, 6> box_mm = {0, 0, 0, 0, 0, 0};
};

struct VectorGraphicPart {
    std::vector<film::ContourElement> elements;
    int part_id = 0;
    int option = 0;
    std::string object_name;
    Matrix4 matrix = identity_matrix();       // working matrix
    Matrix4 part_matrix = identity_matrix();  // from the file
};

struct PolygonPart {
    std::vector<double> x, y, z;
    int colour = 0xFFFFFF;
    int part_id = 0;
    int second = 0;
    std::string object_name;
};

// Cylinders and tubes share one store; a cylinder has inner radius = outer radius.
struct CylinderPart {
    std::array<double, 3> base = {0, 0, 0};
    double outer_radius = 0, inner_radius = 0, length = 0;
    std::array<double, 3> axis = {0, 0, 1};
    int facets = 0;
    int part_id = 0;
    int colour = 0xFFFFFF;
    int option = 0;  // 1: front faces as lines
    std::string object_name;
    Matrix4 matrix = identity_matrix();
};

struct BoxPart {
    std::array<double, 3> edges = {0, 0, 0};   // lengths along dir1, dir2, dir3
    std::array<double, 3> corner = {0, 0, 0};  // where the edges start
    std::array<double, 3> dir1 = {1, 0, 0}, dir2 = {0, 1, 0}, dir3 = {0, 0, 1};
    int part_id = 0;
    int colour = 0xFFFFFF;
    int option = 0;
    std::string object_name;
    Matrix4 matrix = identity_matrix();
};

// A part slot of a scene object: its kind and the index in that kind's store.
struct PartRef {
    int kind = 0;
    int index = 0;
};

struct SceneObject {
    std::vector<PartRef> parts;  // at most kMaxPartsPerObject
    std::string name;
};

struct FrameRecord {
    std::vector<Placement> positions;  // one per scene object, in object order
    std::string caption;
    bool has_extra = false;
    std::string extra;  // overlay commands separated by ";"
};

// Eye (3), unit view direction (3), unit up (3), side = direction x up (3).
using ViewRecord = std::array<double, 12>;
ViewRecord unset_view();

struct SceneBox {
    std::array<double, 3> min = {kUnset, kUnset, kUnset};
    std::array<double, 3> max = {-kUnset, -kUnset, -kUnset};
    void widen(double x, double y, double z);
    bool empty() const { return min[0] > max[0]; }
};

struct Scene {
    std::vector<SceneObject> objects;  // completed begin ... end blocks
    std::vector<MeshBodyPart> bodies;
    std::vector<VectorGraphicPart> vector_graphics;
    std::vector<PolygonPart> polygons;
    std::vector<CylinderPart> cylinders;
    std::vector<BoxPart> boxes;

    Placement global = kIdentityPlacement;
    ViewRecord view = unset_view();
    std::vector<FrameRecord> frames;
    SceneBox box;

    int object_count = 0;  // scene objects per frame record, from the header
    int declared_frames = 0;
    int current_frame = 0;
    std::string file_name;
    bool info_text_present = false;
    // From the pre-scan: the largest sum of extra-text line lengths of one frame record
    // (at least 65536), and how many frame records the file holds.
    size_t extra_text_room = 0;
    size_t frame_records_found = 0;

    // Display lists of bodies that were freed; the renderer deletes them when it has a
    // context, since the scene itself issues no GL calls.
    std::vector<unsigned> retired_display_lists;

    int frame_count() const { return int(frames.size()); }
    // Frees every part and frame, resets the scene box, the placement and the view record.
    void clear();
};

// Packed 0xRRGGBB from components 0..1 (each trunc(c * 255.99999)); a negative component
// selects the body colour.
int packed_colour(double r, double g, double b);

// The placement of object i in frame f (identity where the frame has none).
const Placement& object_placement(const Scene& scene, int frame, int object);

// Writes the frame's placements into the matrices of every part of each scene object.
void apply_frame(Scene* scene, int frame);

// Counts of parts by kind, and triangles of all bodies, for --info and benchmarks.
struct SceneCounts {
    int polygons = 0, cylinders = 0, boxes = 0, bodies = 0, vector_graphics = 0;
    long long triangles = 0;
};
SceneCounts scene_counts(const Scene& scene);

}  // namespace gl3d
