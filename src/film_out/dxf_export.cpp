// DXF export: the save dialog, the file written whole, and the walk's moves, lines and arcs
// turned into entities.
#include "film_out/dxf_export.h"

#include <cmath>
#include <functional>

#include "film_model/anmneu_reader.h"
#include "mw31/dialogs.h"
#include "mw31/format.h"

namespace film_out {

namespace {

std::string ask_dxf_name() {
    mw31::SaveFileRequest request;
    request.title = kDxfSaveTitle;
    request.filter = kDxfFilter;
    request.overwrite_prompt = true;
    return mw31::save_file_dialog(request);
}

void cannot_write(const std::string& name) {
    mw31::message_printf("Kann Datei nicht zum Schreiben oeffnen / Cannot open file for write:\n%s",
                         name.c_str());
}

// The name (asked for unless given), the head, the entities, the traces and the tail; the file
// takes its name only when all of it was written.
int write_dxf(const DxfExportOptions& options, const std::function<void(DxfFile*)>& entities,
              const double* flip_height = nullptr) {
    const std::string name = options.file.empty() ? ask_dxf_name() : options.file;
    if (name.empty()) return 0;
    DxfFile file;
    if (!file.open(name)) {
        cannot_write(name);
        return 1;
    }
    dxf_write_head(&file);
    entities(&file);
    for (const film::MotionTrace& trace : options.traces)
        dxf_write_trace(&file, trace, flip_height);
    if (dxf_write_tail(&file) != 0) {
        cannot_write(name);
        return 1;
    }
    return 0;
}

}  // namespace

void dxf_write_trace(DxfFile* file, const film::MotionTrace& trace, const double* flip_height) {
    if (!file || !file->is_open()) return;
    const auto y_of = [&](double y) { return flip_height ? *flip_height - y : y; };
    const auto& p = trace.points;
    const auto usable = [&](size_t k) {
        return p[k].valid && std::isfinite(p[k].x) && std::isfinite(p[k].y);
    };
    size_t k = 0;
    while (k < p.size()) {
        if (!usable(k)) {
            ++k;
            continue;
        }
        size_t end = k;
        while (end < p.size() && usable(end)) ++end;
        if (end - k >= 2) {
            // An open 2D polyline; its vertices follow, closed by SEQEND.
            file->put(
                mw31::format_text("  0\nPOLYLINE\n  8\n%s\n  6\n%s\n 62\n%6d\n 66\n"
                                  "     1\n 10\n0.000000\n 20\n0.000000\n 30\n0.000000\n"
                                  " 70\n     0\n",
                                  kDxfLayer, kDxfLineType, kDxfColour));
            for (size_t v = k; v < end; ++v)
                file->put(
                    mw31::format_text("  0\nVERTEX\n  8\n%s\n 10\n%lf\n 20\n%lf\n 30\n"
                                      "0.000000\n",
                                      kDxfLayer, p[v].x, y_of(p[v].y)));
            file->put(mw31::format_text("  0\nSEQEND\n  8\n%s\n", kDxfLayer));
        }
        k = end;
    }
}

DxfEntities::DxfEntities(DxfFile* file, double pixel_width, double world_width)
    : file_(file), pixel_width_(pixel_width), world_width_(world_width) {}

void DxfEntities::move_to(double x, double y) {
    x_ = x;
    y_ = fy(y);
}

void DxfEntities::line(double x, double y) {
    dxf_write_line(file_, x_, y_, x, y);
    x_ = x;
    y_ = y;
}

void DxfEntities::line_to(double x, double y, bool inverting) {
    if (inverting && plain_only_) return;
    line(x, fy(y));
}

// The walk's angles count counter-clockwise as seen, which stays so when y is turned up.
void DxfEntities::arc(const film::FrameArc& a, bool inverting) {
    if (inverting && plain_only_) return;
    if (!(a.r > 0)) return;  // the screen draws no arc of a negative or zero radius either
    const double cx = a.cx, cy = fy(a.cy);
    const double end = a.start_deg + a.sweep_deg;
    dxf_write_arc(file_, cx, cy, a.start_deg, end, a.r);
    const double e = end * M_PI / 180;
    x_ = cx + a.r * std::cos(e);
    y_ = cy + a.r * std::sin(e);
}

void DxfEntities::placed_arc(const film::PlacedArc& a) {
    const film::ContourElement& e = *a.element;
    // Degrees, as the screen painter hands them to the chord function.
    film::arc_polyline(e.x, e.y, e.r, e.start * 180 / M_PI, e.end * 180 / M_PI, a.placement,
                       pixel_width_, world_width_, &chords_);
    if (chords_.empty()) return;
    x_ = chords_[0].x;
    y_ = chords_[0].y;
    for (size_t k = 1; k < chords_.size(); ++k) line(chords_[k].x, chords_[k].y);
}

// The outline, as the pen draws it around the filled rectangle.
void DxfEntities::filled_rect(double x1, double y1, double x2, double y2) {
    if (plain_only_) return;
    const double ax = x1, ay = fy(y1), bx = x2, by = fy(y2);
    dxf_write_line(file_, ax, ay, bx, ay);
    dxf_write_line(file_, bx, ay, bx, by);
    dxf_write_line(file_, bx, by, ax, by);
    dxf_write_line(file_, ax, by, ax, ay);
}

void dxf_write_anmneu_entities(const film::AnmneuFilm& film, int frame, DxfFile* file,
                               const DxfExportOptions& options) {
    const double world_width =
        options.world_width != 0 ? options.world_width : film.initial.xr - film.initial.xl;
    DxfEntities entities(file, options.pixel_width, world_width);
    film::walk_anmneu_picture(film, film::AnmneuPicture{frame, 0, 1}, entities);
}

int dxf_export_anmneu_frame(const std::string& film_name, int frame,
                            const DxfExportOptions& options) {
    film::AnmneuFilm film;
    if (film::read_anmneu_film(film_name, &film) < 0) return 1;  // the reader said why
    return write_dxf(options,
                     [&](DxfFile* file) { dxf_write_anmneu_entities(film, frame, file, options); });
}

namespace {
// Line films turn y upwards about their height; user-coordinates films have it upwards and
// export their plain records only.
int export_walked_frame(const film::FramePainter& painter, const double* flip_height,
                        const DxfExportOptions& options) {
    return write_dxf(
        options,
        [&](DxfFile* file) {
            DxfEntities entities(file, options.pixel_width, options.world_width);
            if (flip_height)
                entities.flip_y(*flip_height);
            else
                entities.plain_only();
            painter.walk(entities);
        },
        flip_height);
}
}  // namespace

int dxf_export_line_film_frame(const film::FramePainter& painter, int virtual_height,
                               const DxfExportOptions& options) {
    const double height = virtual_height;
    return export_walked_frame(painter, &height, options);
}

int dxf_export_usercoor_frame(const film::FramePainter& painter, const DxfExportOptions& options) {
    return export_walked_frame(painter, nullptr, options);
}

}  // namespace film_out
