// The ANMNEU playback loop: each picture painted from the symbols into an off-screen picture,
// copied to the window, the frame's caption in the status panel, then the shared between-frame
// steps and the sub-step advance.
#include "film/anmneu_player.h"

#include <cstdio>

#include "film/anmneu_playback.h"
#include "film/playback_loop.h"
#include "film_model/anmneu_painter.h"
#include "film_model/anmneu_reader.h"
#include "film_model/cad_unwrap.h"
#include "film_model/line_film_painter.h"
#include "mw31/file_services.h"
#include "mw31/format.h"
#include "mw31/process.h"
#include "mw31/status_panel.h"
#include "mw31/temp_names.h"

namespace film {

namespace {

constexpr int kFirstAnmneuFrame = 0;
constexpr int kRaiseEveryPasses = 5;
const mw31::Rect kRasterRect{0, 0, kAnmneuRasterWidth, kAnmneuRasterHeight};

struct AnmneuPlayer {
    const AnmneuOptions& options;
    FilmWindow fw;
    AnmneuFilm film;
    int substep = 0;
    std::unique_ptr<mw31::Picture> picture;         // what the window shows
    std::unique_ptr<mw31::Picture> record_picture;  // larger twin while recording with -x
    std::string status;
    bool cleared_inverted = false;
    std::string unwrapped;  // our copy of a film taken out of a CAD export

    explicit AnmneuPlayer(const AnmneuOptions& o) : options(o) {}
};

// The player whose window is open (one film plays at a time, on the one thread).
AnmneuPlayer* g_playing = nullptr;

AnmneuPlayer& player_of(FilmWindow& fw) {
    return *static_cast<AnmneuPlayer*>(fw.player);
}

bool make_picture(AnmneuPlayer& p) {
    p.picture = make_area_picture(p.fw.view, p.fw.state.invert);
    p.record_picture.reset();
    p.cleared_inverted = p.fw.state.invert;
    return p.picture != nullptr;
}

void hand_to_recording(AnmneuPlayer& p, int substep, int phi) {
    FilmWindow& fw = p.fw;
    hand_to_recording(fw, *p.picture, p.options.record_factor, &p.record_picture,
                      [&](mw31::Canvas& canvas, const FilmView& big) {
                          paint_anmneu_frame(p.film, &fw, canvas, big, fw.state.index, substep, phi,
                                             *fw.colours, fw.state.pen_width, fw.state.invert);
                      });
}

// Fit, paint, measure, status and caption, margins, copy, record, clear.
void draw_current_picture(AnmneuPlayer& p) {
    FilmWindow& fw = p.fw;
    PlaybackState& s = fw.state;
    mw31::Window& window = *fw.window;
    const mw31::Rect client = window.client_rect();
    if (update_drawing_area(&fw.view, client) || !p.picture) {
        if (!make_picture(p)) return;
        window.canvas().fill_rect(client, background_brush(s.invert));
    }
    const int phi = s.phi_factor < 1 ? 1 : s.phi_factor;
    p.substep = anmneu_clamp_substep(p.substep, phi);
    const int substep = p.substep;
    mw31::Canvas& canvas = p.picture->canvas();
    if (p.cleared_inverted != s.invert) clear_picture(*p.picture, s.invert);
    paint_anmneu_frame(p.film, &fw, canvas, fw.view, s.index, substep, phi, *fw.colours,
                       s.pen_width, s.invert);

    double n = 0;
    if (anmneu_measures_cycles(s) && count_cycle(&s, mw31::tick_count(), &n)) {
        p.status = cycles_status_text(n, s.backward);
        if (s.target_cycles > 1.0 && s.cycle_count > 50 && fw.outputs->target_control)
            fw.outputs->target_control(fw, n);
    }
    if (s.recording != kRecordingOn) {
        canvas.text_out(5, 15, p.status);
        // The progress display shows the frame's caption, at the foot of what the window shows.
        if (s.index >= 0 && size_t(s.index) < p.film.frames.size())
            mw31::draw_status_panel(canvas, p.picture->width(), p.picture->height(),
                                    p.film.frames[size_t(s.index)].caption);
    }

    clear_margins(window.canvas(), client, fw.view.area, s.invert);
    if (s.drag != kDragging) window.copy_picture(*p.picture, fw.view.area.left, fw.view.area.top);
    if (s.recording == kRecordingOn) hand_to_recording(p, substep, phi);
    if (p.options.frame_observer)
        p.options.frame_observer(fw, *p.picture, substep, p.options.observer_user);
    clear_picture(*p.picture, s.invert);
    p.cleared_inverted = s.invert;
}

void redraw_picture(FilmWindow&, void* user) {
    draw_current_picture(*static_cast<AnmneuPlayer*>(user));
}

// The view operations act on the world window; the pixel view stays fitted.
void world_init_hook(FilmWindow& fw) {
    AnmneuPlayer& p = player_of(fw);
    world_init(&p.film.window, p.film.initial);
    reset_view(&fw.view);
}

void world_zoom_out_hook(FilmWindow& fw) {
    world_zoom_out(&player_of(fw).film.window);
}

bool world_rectangle_hook(FilmWindow& fw, const mw31::Rect& dragged) {
    return anmneu_zoom_to_rectangle(&player_of(fw).film.window, fw.view, dragged);
}

void world_wheel_hook(FilmWindow& fw, const mw31::Message& m) {
    if (anmneu_wheel_zoom(&player_of(fw).film.window, fw.view, m.x, m.y, m.wheel) &&
        fw.state.drag == kDragIdle)
        fw.state.drag = kDragRedraw;
}

void play_passes(AnmneuPlayer& p) {
    FilmWindow& fw = p.fw;
    PlaybackState& s = fw.state;
    for (int pass = 0; pass < s.pass_limit && !s.end; ++pass) {
        if (pass % kRaiseEveryPasses == kRaiseEveryPasses - 1) fw.window->raise();
        while (!s.end && in_playable_range(s)) {
            draw_current_picture(p);
            const AfterFrame next =
                after_frame(fw, anmneu_takes_pause(s), FrameRedraw{redraw_picture, &p});
            if (next == AfterFrame::End) break;
            if (next == AfterFrame::DrawAgain) continue;
            anmneu_advance(&s, &p.substep);
            if (s.recording == kRecordingRequested) {
                start_requested_recording(fw);
                // The video starts with the film's first picture.
                if (s.recording == kRecordingOn) {
                    s.index = kFirstAnmneuFrame;
                    p.substep = 0;
                }
            }
        }
        finish_running_recording(fw);
        p.record_picture.reset();
        if (s.end) break;
        anmneu_wrap_index(&s);
        s.passes += 1;
    }
    finish_running_recording(fw);
}

// A CAD export is played from an unwrapped copy; false after a message when none can be made.
bool unwrap_if_wrapped(AnmneuPlayer& p, std::string* film_name) {
    FILE* f = mw31::open_file(*film_name, "r");
    if (!f) return true;  // the reader reports it
    std::string first;
    const bool got = mw31::read_text_line(f, &first, 255);
    mw31::close_file(f);
    if (!got || first.rfind("# CAD-", 0) != 0 || first.find(" --- ") == std::string::npos)
        return true;
    if (mw31::film_temp_name(&p.unwrapped) != 0) {
        mw31::message_printf(
            "mw31_film: kann keine temporaere Datei anlegen / cannot create a temporary file");
        return false;
    }
    cad_unwrap_anmneu(*film_name, p.unwrapped);
    *film_name = p.unwrapped;
    return true;
}

void remove_temp_files(AnmneuPlayer& p) {
    std::remove(mw31::temp_work_name().c_str());
    std::remove(mw31::temp_info_name().c_str());
    if (!p.unwrapped.empty()) std::remove(p.unwrapped.c_str());
}

int leave(AnmneuPlayer& p, int result) {
    p.picture.reset();
    p.record_picture.reset();
    close_film_window(&p.fw);
    if (g_playing == &p) g_playing = nullptr;
    p.film = AnmneuFilm{};
    remove_temp_files(p);
    return result;
}

}  // namespace

const AnmneuFilm* anmneu_film_of(const FilmWindow& fw) {
    return g_playing && &g_playing->fw == &fw ? &g_playing->film : nullptr;
}

int anmneu_substep_of(const FilmWindow& fw) {
    return g_playing && &g_playing->fw == &fw ? g_playing->substep : 0;
}

void paint_anmneu_frame(const AnmneuFilm& film, FilmWindow* fw, mw31::Canvas& canvas,
                        const FilmView& view, int frame, int substep, int phi_factor,
                        const ColourTable& colours, int pen_width, bool inverted) {
    canvas.fill_rect(map_film_rect(view, kRasterRect, kAnmneuRasterWidth),
                     background_brush(inverted));
    const FilmOutputs* out = fw ? fw->outputs : nullptr;
    if (fw && fw->state.grid && out && out->draw_grid) out->draw_grid(*fw, canvas);
    if (out && out->draw_overlays) out->draw_overlays(*fw, canvas);
    canvas.select_pen(foreground_pen(inverted));
    const film::SymbolCanvas c =
        film::make_symbol_canvas(canvas, film.window, view, pen_width, inverted, colours);
    film::draw_anmneu_frame(film, fw ? fw->window.get() : nullptr, c, frame,
                            anmneu_clamp_substep(substep, phi_factor),
                            phi_factor < 1 ? 1 : phi_factor);
}

std::unique_ptr<mw31::Picture> render_anmneu_frame(const AnmneuFilm& film, int frame, int substep,
                                                   int phi_factor, int width, int height,
                                                   const ColourTable& colours) {
    std::unique_ptr<mw31::Picture> picture = mw31::create_picture(width, height);
    if (!picture) return nullptr;
    const FilmView view = fitted_view(width, height);
    mw31::Canvas& canvas = picture->canvas();
    const mw31::Rect client{0, 0, width, height};
    canvas.fill_rect(client, background_brush(false));
    paint_anmneu_frame(film, nullptr, canvas, view, frame, substep, phi_factor, colours, 1, false);
    clear_margins(canvas, client, view.area, false);
    return picture;
}

int anmneu_film(const AnmneuOptions& options) {
    AnmneuPlayer p(options);
    std::string film_name = options.film_name;
    if (!unwrap_if_wrapped(p, &film_name)) return leave(p, 1);
    std::remove(mw31::temp_info_name().c_str());  // a left-over info text

    FilmWindow& fw = p.fw;
    fw.source_name = options.source_name;
    fw.player = &p;
    fw.world =
        WorldZoom{world_init_hook, world_rectangle_hook, world_zoom_out_hook, world_wheel_hook};
    FilmWindowSetup setup = options.window;
    setup.menu = anmneu_film_menu();
    if (open_film_window(&fw, setup) != 0) return leave(p, 1);
    g_playing = &p;
    // Commands typed while the film is read already count.
    fw.state = new_playback_state(0, kFirstAnmneuFrame, options.pause_ms, options.passes,
                                  mw31::tick_count());
    fw.colours->reset();
    if (options.window_opened) options.window_opened(fw, options.observer_user);
    if (!make_picture(p)) {
        mw31::message_printf("mw31_film: kann Film-DC nicht oeffnen / cannot open animation  DC");
        return leave(p, 1);
    }

    if (fw.outputs->dxf_film_name) fw.outputs->dxf_film_name(film_name);
    const int frames = read_anmneu_film(film_name, &p.film);
    if (frames < 0) return leave(p, 1);
    // The wrap divides by the frame count.
    if (frames == 0) {
        mw31::message_printf("mw31_film: keine Getriebestellungen im Film / no frames in film:\n%s",
                             film_name.c_str());
        return leave(p, 1);
    }
    fw.virtual_width = kAnmneuRasterWidth;
    fw.virtual_height = kAnmneuRasterHeight;
    fw.state.frame_count = frames;
    fw.state.index = kFirstAnmneuFrame;
    fw.state.phi_factor = 1;
    p.substep = 0;
    restart_cycles(&fw.state, mw31::tick_count());
    play_passes(p);
    return leave(p, 0);
}

}  // namespace film
