// DXF export of the frame a film window shows: the frame walk written as LINE and ARC
// entities (ANMNEU films in world units, line films in film units with y upwards).
#pragma once

#include <string>
#include <vector>

#include "film_model/anmneu_film.h"
#include "film_model/contour_placement.h"
#include "film_model/frame_painter.h"
#include "film_model/frame_walk.h"
#include "film_model/motion_trace.h"
#include "film_out/dxf_writer.h"

namespace film_out {

inline constexpr const char* kDxfSaveTitle = "kurvlab    Datei speichern / Save file";
inline constexpr const char* kDxfFilter = "DXF-Dateien|*.dxf|Alle Dateien|*.*|";

struct DxfExportOptions {
    std::string file;  // empty: the save dialog asks for it
    // Scaled arcs become chords as on a screen this many pixels wide showing this much of the
    // world (0: the film's fitted world window).
    double pixel_width = 800;
    double world_width = 0;
    // Traced points drawn over the frame, a POLYLINE per unbroken run of each trace, in the
    // frame's units (line films' traces turned upwards with the frame).
    std::vector<film::MotionTrace> traces;
};

// The runs of a trace as POLYLINE entities, y as (flip - y) when flip_height is given; runs of
// one point write nothing.
void dxf_write_trace(DxfFile* file, const film::MotionTrace& trace,
                     const double* flip_height = nullptr);

// The walk of a frame as DXF entities. Points are (x, flip - y) when flipping (line films,
// whose y grows downwards), else as walked. Arcs and chains of chords leave the current point
// at their end, as on the screen; colours and labels write nothing.
class DxfEntities final : public film::FrameSink {
  public:
    DxfEntities(DxfFile* file, double pixel_width, double world_width);
    void flip_y(double height) {
        flip_ = true;
        height_ = height;
    }
    // Only what is drawn plainly: inverting lines and arcs and filled rectangles write nothing
    // and leave the current point (user-coordinates films export their plain records only).
    void plain_only() { plain_only_ = true; }

    void colour(int) override {}
    void move_to(double x, double y) override;
    void line_to(double x, double y, bool inverting) override;
    void arc(const film::FrameArc& arc, bool inverting) override;
    void placed_arc(const film::PlacedArc& arc) override;
    void filled_rect(double x1, double y1, double x2, double y2) override;
    void label(double, double, const std::string&) override {}

  private:
    double fy(double y) const { return flip_ ? height_ - y : y; }
    void line(double x, double y);

    DxfFile* file_;
    double pixel_width_, world_width_;
    bool flip_ = false;
    bool plain_only_ = false;
    double height_ = 0;
    double x_ = 0, y_ = 0;
    std::vector<film::WorldPoint> chords_;
};

// Frame `frame` of the film (placements as given, no in-between picture) into an open file,
// between its head and tail.
void dxf_write_anmneu_entities(const film::AnmneuFilm& film, int frame, DxfFile* file,
                               const DxfExportOptions& options);

// Reads the ANMNEU film again, asks for the output name (unless given) and writes frame
// `frame`. 0 on success or when the dialog is cancelled; 1 after a message when the film
// cannot be read or the file cannot be written.
int dxf_export_anmneu_frame(const std::string& film_name, int frame,
                            const DxfExportOptions& options);

// The line-film frame the painter walks, y turned upwards about the film's virtual height.
// Results as above.
int dxf_export_line_film_frame(const film::FramePainter& painter, int virtual_height,
                               const DxfExportOptions& options);

// The user-coordinates frame the painter walks, in world units. Results as above.
int dxf_export_usercoor_frame(const film::FramePainter& painter, const DxfExportOptions& options);

}  // namespace film_out
