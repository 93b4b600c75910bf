// Drawing what lies over the scene: collision markers, coloured lines, the world axes and the
// markers in the scene's space, and the overlay's text lines as pixel rows in window space.
// Calls GL on the current context.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "gl3d/markers.h"
#include "gl3d/overlay_commands.h"
#include "gl3d/view_state.h"

namespace gl3d {

// Glyph sizes relative to R (glyph_reference): the axes are fixed by the viewer's design, the
// marker spheres and normal arrows are ours.
constexpr double kAxisLength = 0.05, kAxisRadius = 0.002;
constexpr double kMarkerSphere = 0.008, kMarkerArrowLength = 0.05, kMarkerArrowRadius = 0.002;
constexpr double kCentreSphere = 0.01;
// Collision marker sizes relative to the marker size S.
constexpr double kCollisionStart = 0.06, kCollisionLength = 0.05, kCollisionThickness = 0.007;
constexpr double kCollisionCube = 0.002;

// Rendered text lines by their runs, bottom row first, kOverlayBitmapWidth x kOverlayLineHeight.
class TextLineCache {
  public:
    static constexpr size_t kLimit = 128;
    // The line's pixels, rendered when first asked for; null when the platform cannot letter.
    const std::vector<uint8_t>* line(const std::vector<mw31::TextRun>& runs);
    size_t size() const { return lines_.size(); }
    int renders() const { return renders_; }

  private:
    std::map<std::string, std::vector<uint8_t>> lines_;
    int renders_ = 0;
};

// Collision markers and lines of the overlay, the world axes, the markers and (from two on)
// their centre, under the camera and the global placement. marker_size is S of the collision
// markers; reference is R of the axes and markers.
void draw_scene_glyphs(const Scene& scene, const Camera& camera, const Overlay& overlay,
                       const MarkerTable& markers, double marker_size, double reference);

// The text lines from the bottom of a width x height window, one kOverlayLineHeight apart
// (nothing while the window is narrower than kOverlayMinTextWidth). A line that cannot be
// rendered is skipped, its place stays empty.
void draw_text_lines(const std::vector<std::vector<mw31::TextRun>>& lines, int width, int height,
                     TextLineCache* cache);

}  // namespace gl3d
