// The ANMNEU playback loop: each picture painted from the symbols into an off-screen picture,
// copied to the window, the frame's caption in the status panel, then the shared between-frame
// steps and the sub-step advance.
#include "film/anmneu_player.h"

#include <cstdio>

#include "film/anmneu_playback.h"
#include "film/frame_presenter.h"
#include "film/motion_sources.h"
#include "film/playback_loop.h"
#include "film/recorded_pass.h"
#include "film/world_zoom.h"
#include "film_model/anmneu_reader.h"
#include "film_model/cad_unwrap.h"
#include "mw31/file_services.h"
#include "mw31/format.h"
#include "mw31/message_queue.h"
#include "mw31/process.h"
#include "mw31/temp_names.h"

namespace film {

namespace {

constexpr int kFirstAnmneuFrame = 0;

struct AnmneuPlayer {
    const AnmneuOptions& options;
    FilmWindow fw;
    AnmneuFilm film;
    int substep = 0;
    // Messages are serviced after each symbol, so that a large film stays responsive.
    AnmneuFramePainter painter{film, AnmneuPicture{}, [] { mw31::service_messages(); }};
    std::string unwrapped;  // our copy of a film taken out of a CAD export

    explicit AnmneuPlayer(const AnmneuOptions& o) : options(o) {}
};

// Title, paint, status and caption, margins, copy, record, clear.
void draw_current_picture(AnmneuPlayer& p) {
    FilmWindow& fw = p.fw;
    PlaybackState& s = fw.state;
    const int phi = s.phi_factor < 1 ? 1 : s.phi_factor;
    p.substep = anmneu_clamp_substep(p.substep, phi);
    p.painter.set_picture(AnmneuPicture{s.index, p.substep, phi});
    show_frame_label_as_title(*fw.window, p.film, s.index);
    PictureExtras extras;
    extras.counts_cycles = [&s] { return anmneu_measures_cycles(s); };
    extras.cycle_angle = true;
    extras.stamp = [&p, &s, phi] {
        return anmneu_frame_stamp(s.index, p.substep, phi, s.frame_count);
    };
    // The progress display shows the frame's caption, at the foot of what the window shows.
    extras.caption = [&p, &s]() -> const std::string* {
        if (s.index < 0 || size_t(s.index) >= p.film.frames.size()) return nullptr;
        return &p.film.frames[size_t(s.index)].caption;
    };
    if (p.options.frame_observer)
        extras.observer = [&p](const mw31::Picture& picture) {
            p.options.frame_observer(p.fw, picture, p.substep, p.options.observer_user);
        };
    present_frame(fw, extras);
}

void play_passes(AnmneuPlayer& p) {
    PlaybackState& s = p.fw.state;
    PassSteps steps;
    steps.draw = [&p] { draw_current_picture(p); };
    steps.takes_pause = [&s] { return anmneu_takes_pause(s); };
    steps.advance = [&p, &s] { anmneu_advance(&s, &p.substep); };
    // A frame the file has no "#i" for (a gap in a broken film) has no placements: it would
    // show every part at the origin.
    steps.skip = [&p, &s] {
        return s.index >= 0 && size_t(s.index) < p.film.frames.size() &&
               !p.film.frames[size_t(s.index)].present;
    };
    steps.wrap = [&s] { anmneu_wrap_index(&s); };
    // The video starts with the film's first picture.
    steps.recording_from = [&p, &s] {
        s.index = kFirstAnmneuFrame;
        p.substep = 0;
        p.fw.screen.unrecorded_frame =
            anmneu_closing_frame(p.film, anmneu_pass_pictures(s.frame_count, s.step, s.phi_factor));
    };
    play_film_passes(p.fw, steps);
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
    release_screen(p.fw);
    close_film_window(&p.fw);
    p.film = AnmneuFilm{};
    remove_temp_files(p);
    return result;
}

}  // namespace

const AnmneuFilm* anmneu_film_of(const FilmWindow& fw) {
    const auto* painter = dynamic_cast<const AnmneuFramePainter*>(fw.screen.painter);
    return painter ? &painter->film() : nullptr;
}

int anmneu_substep_of(const FilmWindow& fw) {
    const auto* painter = dynamic_cast<const AnmneuFramePainter*>(fw.screen.painter);
    return painter ? painter->picture().substep : 0;
}

int anmneu_film(const AnmneuOptions& options) {
    AnmneuPlayer p(options);
    std::string film_name = options.film_name;
    if (!unwrap_if_wrapped(p, &film_name)) return leave(p, 1);
    std::remove(mw31::temp_info_name().c_str());  // a left-over info text

    FilmWindow& fw = p.fw;
    fw.source_name = options.source_name;
    // The view operations act on the world window; the pixel view stays fitted.
    fw.world_mode = WorldMode::Anmneu;
    fw.world = world_window_zoom(fw, &p.film.window, p.film.initial);
    fw.screen.painter = &p.painter;
    fw.screen.record_factor = options.record_factor;
    fw.motion.source = anmneu_motion_source(p.film);
    FilmWindowSetup setup = options.window;
    setup.menu = anmneu_film_menu();
    if (open_film_window(&fw, setup) != 0) return leave(p, 1);
    // Commands typed while the film is read already count.
    fw.state = new_playback_state(0, kFirstAnmneuFrame, options.pause_ms, options.passes,
                                  mw31::tick_count());
    fw.colours->reset();
    if (options.window_opened) options.window_opened(fw, options.observer_user);
    if (!make_screen_picture(fw)) {
        mw31::message_printf("mw31_film: kann Film-DC nicht oeffnen / cannot open animation  DC");
        return leave(p, 1);
    }

    // The window stays responsive while a long film is read, and says how far the read got.
    int frames_read = 0;
    const ReaderHooks hooks = reading_hooks(fw, [&frames_read] { return frames_read; });
    const int frames = read_anmneu_film(film_name, &p.film, report_to_user, {}, [&](int n) {
        frames_read = n;
        hooks.progress();
    });
    if (frames < 0) return leave(p, 1);
    // The wrap divides by the frame count.
    if (frames == 0) {
        mw31::message_printf("mw31_film: keine Getriebestellungen im Film / no frames in film:\n%s",
                             p.film.name.c_str());  // the user's film, also for an unwrapped copy
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
