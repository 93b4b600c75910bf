// The film is recognised as mw31_film recognises it; a merge definition or CAD export becomes
// a temporary ANMNEU film that is removed again when the request is done.
#include "main/motion_branch.h"

#include <cstdio>

#include "film/recorded_pass.h"
#include "film_model/anmneu_painter.h"
#include "film_model/anmneu_reader.h"
#include "film_model/cad_unwrap.h"
#include "film_model/colour_table.h"
#include "film_model/line_film_painter.h"
#include "film_model/line_film_reader.h"
#include "film_model/motion_track.h"
#include "film_model/paint_basics.h"
#include "film_model/usercoor_painter.h"
#include "film_model/usercoor_reader.h"
#include "film_out/dxf_export.h"
#include "film_out/merge_definition.h"
#include "film_out/motion_export.h"
#include "main/batch_output.h"
#include "main/film_kind.h"
#include "mw31/file_services.h"
#include "mw31/format.h"
#include "mw31/temp_names.h"

namespace kurvlab {

namespace {

// Files this request made for itself.
class Scratch {
  public:
    ~Scratch() {
        for (const std::string& name : names_) std::remove(name.c_str());
    }
    void add(const std::string& name) { names_.push_back(name); }

  private:
    std::vector<std::string> names_;
};

int read_anmneu(const std::string& name, MotionFilm* film) {
    film->kind = MotionFilm::kAnmneu;
    const int frames = film::read_anmneu_film(name, &film->anmneu);
    std::remove(mw31::temp_info_name().c_str());  // written for a player that is not coming
    if (frames < 0) return 1;
    film->frames = film::anmneu_motion_frames(film->anmneu);
    return 0;
}

// The film as its player would read it; 1 after a message.
int read_motion_film(const std::string& film_name, const BatchRequest& batch, MotionFilm* film,
                     Scratch* scratch) {
    std::string name = film_name;
    if (film_out::merge_definition_detect(name)) {
        const std::string folder = mw31::temp_directory();
        if (folder.empty()) return 1;  // said already
        std::string out = folder + "/motion_merged.flm";
        const std::string planned = out;
        if (film_out::merge_definition_run(name, &out, 0) != 0) return 1;
        if (out == planned) scratch->add(out);
        film->file = out;
        return read_anmneu(out, film);
    }
    for (;;) {
        FILE* f = std::fopen(name.c_str(), "rb");
        if (!f) {
            mw31::message_printf(
                "Kann Datei nicht zum Lesen oeffnen / Cannot open file for read:\n%s",
                name.c_str());
            return 1;
        }
        const bool usercoor = contains_usercoor(f);
        std::fclose(f);
        film->file = name;
        if (usercoor) {
            film->kind = MotionFilm::kUsercoor;
            if (film::read_usercoor_film_file(name, &film->usercoor) != 0) return 1;
            film->frames = film::cycle_motion_frames(film::usercoor_pass_frames(film->usercoor, 1));
            return 0;
        }
        const std::string head = read_film_head(name);
        if (is_cad_wrapper_head(head)) {
            std::string unwrapped;
            if (mw31::film_temp_name(&unwrapped) != 0) {
                mw31::message_printf(
                    "%s: kann keine temporaere Datei anlegen / cannot create a "
                    "temporary file for the unwrapped film",
                    film_name.c_str());
                return 1;
            }
            scratch->add(unwrapped);
            if (film::cad_unwrap_anmneu(name, unwrapped) != 0) return 1;
            name = unwrapped;
            continue;
        }
        if (head.rfind("ANM3D", 0) == 0) {
            mw31::message_printf(
                "%s: ein 3D-Film; Bewegungen werden in 2D-Filmen verfolgt / a 3D "
                "film; motion is analysed in 2D films",
                film_name.c_str());
            return 1;
        }
        if (head.rfind("ANMNEU", 0) == 0) return read_anmneu(name, film);
        film->kind = MotionFilm::kLineFilm;
        const film::FilmView view = film::fitted_view(batch.width, batch.height);
        if (film::read_line_film_file(name, &film->store, film::erase_rect_mapper(view)) != 0)
            return 1;
        film->frames = film::cycle_motion_frames(film::line_film_pass_frames(film->store, 1));
        return 0;
    }
}

int frame_count(const MotionFilm& film) {
    switch (film.kind) {
        case MotionFilm::kAnmneu:
            return film.anmneu.frame_count;
        case MotionFilm::kLineFilm:
            return film.store.frame_count();
        case MotionFilm::kUsercoor:
            return film.usercoor.frame_count();
    }
    return 0;
}

std::string describe_anchor(const film::MotionAnchor& a) {
    if (a.kind == film::MotionAnchor::kSymbol)
        return mw31::format_text(
            "part %d at (%.3lf, %.3lf) in the part's frame, %.3lf from its "
            "drawing",
            a.symbol + 1, a.local_x, a.local_y, a.distance);
    return mw31::format_text("record %d of the frame, %.3lf from its point", a.record, a.distance);
}

// The trace's curves over the sweep, drawn as a symbol of the film at rest would be.
void draw_traces_over(mw31::Canvas& canvas, const film::FilmView& view, const MotionFilm& film,
                      const std::vector<film::MotionTrace>& traces,
                      const film::ColourTable& colours) {
    if (film.kind != MotionFilm::kAnmneu) return;
    const film::SymbolCanvas c =
        film::make_symbol_canvas(canvas, film.anmneu.window, view, 2, false, colours);
    for (const film::MotionTrace& trace : traces) {
        std::vector<film::ContourElement> curve;
        for (const film::TracePoint& p : trace.points) {
            if (!p.valid) continue;
            curve.push_back(film::ContourElement{
                double(curve.empty() ? film::kContourMove : film::kContourDraw), p.x, p.y});
        }
        film::draw_symbol(c, curve.data(), int(curve.size()), film::SymbolPlacement{},
                          film::colour_from_name(kTraceColourName));
    }
}

}  // namespace

film::MotionTrace trace_motion_point(const MotionFilm& film, int frame, double x, double y) {
    switch (film.kind) {
        case MotionFilm::kAnmneu:
            return film::trace_anmneu(
                film.anmneu, film::pick_anmneu_anchor(film.anmneu, frame, x, y), film.frames);
        case MotionFilm::kLineFilm:
            return film::trace_line_film(
                film.store, film::pick_line_film_anchor(film.store, frame, x, y), film.frames);
        case MotionFilm::kUsercoor:
            return film::trace_usercoor(
                film.usercoor, film::pick_usercoor_anchor(film.usercoor, frame, x, y), film.frames);
    }
    return {};
}

std::unique_ptr<mw31::Picture> sweep_picture(const MotionFilm& film, int width, int height,
                                             const std::vector<film::MotionTrace>& traces) {
    std::unique_ptr<mw31::Picture> picture = mw31::create_picture(width, height);
    if (!picture) return nullptr;
    const film::FilmView view = film::fitted_view(width, height);
    mw31::Canvas& canvas = picture->canvas();
    const mw31::Rect client{0, 0, width, height};
    canvas.fill_rect(client, film::background_brush(false));
    film::ColourTable colours;
    if (film.kind == MotionFilm::kUsercoor) colours.reset_usercoor();
    const film::PaintStyle style{1, false, &colours};
    const std::vector<int>& frames = film.frames.frames;
    // Every frame's label lands in the same place; one over the other they say nothing.
    film::AnmneuFilm unlabelled;
    if (film.kind == MotionFilm::kAnmneu) {
        unlabelled = film.anmneu;
        for (film::AnmneuFrame& f : unlabelled.frames) f.label.clear();
    }
    for (size_t k = 0; k < frames.size(); ++k) {
        const int f = frames[k];
        std::unique_ptr<film::FramePainter> painter;
        if (film.kind == MotionFilm::kAnmneu)
            painter = std::make_unique<film::AnmneuFramePainter>(unlabelled,
                                                                 film::AnmneuPicture{f, 0, 1});
        else if (film.kind == MotionFilm::kLineFilm)
            painter = std::make_unique<film::LineFilmFramePainter>(film.store, f);
        else
            painter = std::make_unique<film::UsercoorFramePainter>(film.usercoor, f);
        // What the first frame clears stays cleared; every later frame only adds its lines.
        if (k == 0) painter->paint_background(canvas, view, style);
        painter->paint(canvas, view, style);
    }
    draw_traces_over(canvas, view, film, traces, colours);
    film::clear_margins(canvas, client, view.area, false);
    canvas.set_text_colour(mw31::Rgb{0, 0, 0});
    if (!frames.empty())
        canvas.text_out(5, 5,
                        mw31::format_text("Bilder / frames %d - %d (%d)", frames.front(),
                                          frames.back(), int(frames.size())));
    return picture;
}

int run_motion_request(const std::string& film_name, const BatchRequest& batch) {
    Scratch scratch;
    MotionFilm film;
    if (read_motion_film(film_name, batch, &film, &scratch) != 0) return 1;
    if (film.frames.frames.empty()) {
        mw31::message_printf("%s: keine Bilder / no frames to follow", film_name.c_str());
        return 1;
    }
    const int count = frame_count(film);
    const int frame = batch.frame_given ? batch.frame : film.frames.frames.front();
    if (frame < 0 || frame >= count) {
        mw31::message_printf("%s: kein Bild %d / no frame %d (the film has frames 0 to %d)",
                             film_name.c_str(), frame, frame, count - 1);
        return 1;
    }

    std::vector<BatchRequest::PickedPoint> points = batch.trace_points;
    if (batch.track) points = {batch.track_from, batch.track_to};
    std::vector<film::MotionTrace> traces;
    for (size_t i = 0; i < points.size(); ++i) {
        const BatchRequest::PickedPoint& p = points[i];
        traces.push_back(trace_motion_point(film, frame, p.x, p.y));
        const film::MotionAnchor& a = traces.back().anchor;
        if (a.kind == film::MotionAnchor::kNone) {
            mw31::message_printf(
                "%s: Punkt %d (%lg, %lg): in Bild %d ist dort nichts gezeichnet "
                "/ point %d (%lg, %lg): frame %d draws nothing to follow",
                film_name.c_str(), int(i + 1), p.x, p.y, frame, int(i + 1), p.x, p.y, frame);
            return 1;
        }
        std::printf("%s", mw31::format_text("point %d (%lg, %lg) in frame %d: %s\n", int(i + 1),
                                            p.x, p.y, frame, describe_anchor(a).c_str())
                              .c_str());
    }
    if (!traces.empty())
        std::printf("angles: %s\n", film.frames.angles_from_labels
                                        ? "from the frames' labels"
                                        : "the cycle angle 360 * k / n of the k-th of n frames");

    int result = 0;
    if (batch.track) {
        const film::MotionTrack track = film::track_distance(traces[0], traces[1]);
        if (track.samples.empty()) {
            mw31::message_printf("%s: kein Bild zeigt beide Punkte / no frame shows both points",
                                 film_name.c_str());
            return 1;
        }
        const film::TrackSample& lo = track.samples[size_t(track.min_index)];
        const film::TrackSample& hi = track.samples[size_t(track.max_index)];
        std::printf("%s", mw31::format_text("distance: min %.6lf in frame %d (angle %.3lf), max "
                                            "%.6lf in frame %d (angle %.3lf)\n",
                                            lo.distance, lo.frame, lo.angle, hi.distance, hi.frame,
                                            hi.angle)
                              .c_str());
        if (!batch.motion_csv.empty()) result |= film_out::write_track_csv(batch.motion_csv, track);
        if (!batch.track_png.empty())
            result |=
                film_out::write_track_chart(batch.track_png, track, batch.width, batch.height);
    } else if (!batch.motion_csv.empty()) {
        result |= film_out::write_trace_csv(batch.motion_csv, traces);
    }
    if (!batch.motion_svg.empty()) result |= film_out::write_trace_svg(batch.motion_svg, traces);

    if (!batch.output_dxf.empty()) {
        film_out::DxfExportOptions options;
        options.file = batch.output_dxf;
        options.pixel_width = batch.width;
        options.traces = traces;
        if (film.kind == MotionFilm::kAnmneu) {
            result |= film_out::dxf_export_anmneu_frame(film.file, frame, options);
            std::remove(mw31::temp_info_name().c_str());
        } else if (film.kind == MotionFilm::kLineFilm) {
            const film::LineFilmFramePainter painter(film.store, frame);
            result |=
                film_out::dxf_export_line_film_frame(painter, film.store.virtual_height, options);
        } else {
            options.world_width = film.usercoor.window.xr - film.usercoor.window.xl;
            const film::UsercoorFramePainter painter(film.usercoor, frame);
            result |= film_out::dxf_export_usercoor_frame(painter, options);
        }
    }

    if (!batch.sweep_png.empty()) {
        const auto picture = sweep_picture(film, batch.width, batch.height, traces);
        result |= save_batch_picture(picture.get(), batch.sweep_png);
    }
    return result;
}

}  // namespace kurvlab
