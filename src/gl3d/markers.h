// Markers the user sets on body surfaces: the table of up to 32, their status text lines,
// their centre, and the sizes that follow the scene (or the marker size setting). Pure maths.
#pragma once

#include <array>
#include <string>
#include <vector>

#include "gl3d/light_settings.h"
#include "gl3d/scene.h"

namespace gl3d {

constexpr int kMaxMarkers = 32;
// Name of the setting that replaces the scene size for hit tolerance and marker sizes.
constexpr const char* kMarkerSizeSetting = "KVGL_MARKERGROESSE";

using Vec = std::array<double, 3>;

struct Marker {
    Vec point{};   // millimetres, in the frame of the bodies
    Vec normal{};  // unit
};

struct MarkerTable {
    std::vector<Marker> markers;
    // The markers as overlay items, one "text ..." per marker.
    std::string status_text;
};

// Overlay colour escape of marker number (from 1), and the same colour as 0..1 components.
const char* marker_colour_escape(int number);
Vec marker_colour(int number);
// The status item of one marker: "text <escape> Marker n:  %c100100100 X = ...;".
std::string marker_status_item(int number, const Marker& m);

// A point and a direction of the scene (after the global placement) in the bodies' frame, and
// back. Directions come out unit length.
Vec scene_to_body_point(const Placement& global, const Vec& p);
Vec scene_to_body_direction(const Placement& global, const Vec& d);
Vec body_to_scene_point(const Placement& global, const Vec& p);
Vec body_to_scene_direction(const Placement& global, const Vec& d);

// Adds the marker at the scene point with the scene normal (taken into the bodies' frame).
// 0, or 1 when the table is full or a value is above 1e30 in magnitude (no surface).
int add_marker(MarkerTable* table, const Placement& global, const Vec& point, const Vec& normal);
void clear_markers(MarkerTable* table);

// Centre of the first min(limit, count) markers: the circle through exactly three (unless
// they are collinear), else their mean, which from eight on seeds the circle fit whose centre
// replaces it when the fit succeeds. False when there are no markers.
bool marker_centre(const MarkerTable& table, int limit, Vec* centre);

// A right click: ctrl adds a marker, shift + ctrl only clears, a plain click starts over.
// hit says whether a surface was hit at point with normal (scene coordinates).
void right_click_markers(MarkerTable* table, const Placement& global, bool ctrl, bool shift,
                         bool hit, const Vec& point, const Vec& normal);

// The marker size setting when it lies above 0.01, below 1e10 and below the scene size, else
// the scene size.
double marker_size(double scene_size, double setting);
// Ray hit tolerance in body units (metres): marker size x 0.01 x 0.001.
double hit_tolerance(double scene_size, double setting);
// The setting's value, 0 when it is not set.
double read_marker_size_setting(const SettingLookup& lookup);
// R of the axes and marker glyphs: the largest of the scene size and |min + max| / 2 per axis.
double glyph_reference(const SceneBox& box, double scene_size);

}  // namespace gl3d
