// The user-coordinates playback loop: the line-film loop (first frame 1, small frames passed
// over) with the world mode of ANMNEU films and no pause while single-stepping.
#include "film/usercoor_player.h"

#include "film/anmneu_playback.h"
#include "film/frame_presenter.h"
#include "film/motion_sources.h"
#include "film/playback_loop.h"
#include "film/recorded_pass.h"
#include "film/world_zoom.h"
#include "film_model/usercoor_painter.h"
#include "film_model/usercoor_reader.h"
#include "film_model/usercoor_walk.h"
#include "mw31/format.h"
#include "mw31/message_queue.h"
#include "mw31/process.h"

namespace film {

namespace {

constexpr int kFirstUsercoorFrame = 1;

struct UsercoorPlayer {
    const UsercoorPlayOptions& options;
    FilmWindow fw;
    UsercoorFilm film;
    UsercoorFramePainter painter{film, kFirstUsercoorFrame};

    explicit UsercoorPlayer(const UsercoorPlayOptions& o) : options(o) {}
};

bool shown_frame(const UsercoorFilm& film, int index) {
    return index >= 0 && index < film.frame_count() &&
           film.frame(index).size() > size_t(kSkippedFrameRecords);
}

void draw_current_frame(UsercoorPlayer& p) {
    FilmWindow& fw = p.fw;
    p.painter.set_frame(fw.state.index);
    // A frame's text is also its title, as an ANMNEU frame's label is.
    const std::string title = usercoor_frame_title(p.film, fw.state.index);
    if (!title.empty()) fw.window->set_title(title);
    PictureExtras extras;
    if (p.options.frame_observer)
        extras.observer = [&p](const mw31::Picture& picture) {
            p.options.frame_observer(p.fw, picture, p.options.observer_user);
        };
    present_frame(fw, extras);
}

void play_passes(UsercoorPlayer& p) {
    PlaybackState& s = p.fw.state;
    PassSteps steps;
    steps.draw = [&p] { draw_current_frame(p); };
    steps.takes_pause = [&s] { return anmneu_takes_pause(s); };
    steps.advance = [&s] { advance(&s); };
    steps.wrap = [&s] { wrap_index(&s); };
    steps.skip = [&p, &s] { return !shown_frame(p.film, s.index); };
    steps.recording_from = [&p, &s] {
        p.fw.screen.unrecorded_frame =
            usercoor_closing_frame(p.film, usercoor_pass_frames(p.film, s.step));
    };
    play_film_passes(p.fw, steps);
}

int leave(UsercoorPlayer& p, int result) {
    release_screen(p.fw);
    close_film_window(&p.fw);
    p.film = UsercoorFilm{};
    return result;
}

}  // namespace

std::vector<int> usercoor_film_menu() {
    return {kCmdAvi,    kCmdEnd,  kCmdSingleStep,      kCmdDirection, kCmdSlower,
            kCmdFaster, kCmdInit, kCmdInvert,          kCmdHardcopy,  kCmdSave,
            kCmdDxf,    kCmdGrid, kCmdMeasureReference};
}

int usercoor_film(const UsercoorPlayOptions& options) {
    UsercoorPlayer p(options);
    FilmWindow& fw = p.fw;
    fw.source_name = options.source_name;
    fw.screen.painter = &p.painter;
    fw.screen.record_factor = options.record_factor;
    fw.motion.source = usercoor_motion_source(p.film, kFirstUsercoorFrame);
    fw.world_mode = WorldMode::Usercoor;
    fw.world_window = &p.film.window;
    fw.world = world_window_zoom(fw, &p.film.window, p.film.initial);
    FilmWindowSetup setup = options.window;
    setup.menu = usercoor_film_menu();
    if (open_film_window(&fw, setup) != 0) return leave(p, 1);
    // Commands typed while the film is read already count.
    fw.state = new_playback_state(0, kFirstUsercoorFrame, options.pause_ms, options.passes,
                                  mw31::tick_count());
    fw.colours->reset_usercoor();
    if (options.window_opened) options.window_opened(fw, options.observer_user);
    if (!make_screen_picture(fw)) {
        mw31::message_printf("mw31_film: kann Film-DC nicht oeffnen / cannot open animation  DC");
        return leave(p, 1);
    }

    const ReaderHooks hooks = reading_hooks(fw, [&p] { return p.film.frame_count(); });
    const int rc = options.source ? read_usercoor_film(*options.source, &p.film, hooks)
                                  : read_usercoor_film_file(options.film_name, &p.film, hooks);
    if (rc != 0) return leave(p, 1);
    // The user's file, also for a film converted in memory.
    const std::string& name = options.source                     ? options.source->name()
                              : options.window.film_name.empty() ? options.film_name
                                                                 : options.window.film_name;
    if (p.film.frame_count() == 0) {
        mw31::message_printf("mw31_film: keine Getriebestellungen im Film / no frames in film:\n%s",
                             name.c_str());
        return leave(p, 1);
    }
    bool any_shown = false;
    for (int i = kFirstUsercoorFrame; i < p.film.frame_count() && !any_shown; ++i)
        any_shown = shown_frame(p.film, i);
    if (!any_shown) {
        mw31::message_printf(
            "mw31_film: keine darstellbare Getriebestellung / no frame to show in film:\n%s",
            name.c_str());
        return leave(p, 1);
    }
    fw.virtual_width = p.film.virtual_width;
    fw.virtual_height = p.film.virtual_height;
    fw.state.frame_count = p.film.frame_count();
    restart_cycles(&fw.state, mw31::tick_count());
    play_passes(p);
    return leave(p, 0);
}

}  // namespace film
