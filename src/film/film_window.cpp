// The film window: tool bar, window procedure, zoom rectangle, menu-bar updates and Save.
#include "film/film_window.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>

#include "film/film_keys.h"
#include "film/measuring_window.h"
#include "film/motion_window.h"
#include "film_model/paint_basics.h"
#include "mw31/app_state.h"
#include "mw31/choose_film_file.h"
#include "mw31/cursor.h"
#include "mw31/dialogs.h"
#include "mw31/file_services.h"
#include "mw31/format.h"
#include "mw31/message_queue.h"
#include "mw31/process.h"
#include "mw31/program_title.h"
#include "mw31/recent_films.h"
#include "mw31/temp_names.h"

namespace film {

namespace {

constexpr FilmButton kButtons[] = {
    {kCmdEnd, "anm_ende", "End", "e"},
    {kCmdHold, "anm_stop", "Stop+Start", "."},
    {kCmdSingleStep, "anm_sngl", "Einzel ein+aus/SingleStep on+off", "s"},
    {kCmdDirection, "anm_dir", "<- / ->", "Ctrl+G / Ctrl+L"},
    {kCmdSlower, "anm_slow", "Langsamer/Slower", "-"},
    {kCmdFaster, "anm_fast", "Schneller/Faster", "+"},
    {kCmdInit, "anm_init", "Init", "i"},
    {kCmdHardcopy, "anm_hcpy", "Hardcopy", "p"},
    {kCmdInfotext, "anm_info", "Infotext", "?"},
    {kCmdAvi, "anm_avi", "AVI Export", "v"},
    {kCmdDxf, "anm_dxf", "DXF Export", "x"},
    {kCmdMergeHelp, "anm_flm", "FLM-Vereinigung/Merge FLMs", ""},
    {kCmdInvert, "anm_inv", "Invert", "~"},
    {kCmdMeasureReference, "anm_mes1", "Bezugspunkt", "z"},
    {kCmdMeasureDirection, "anm_mes2", "Richtungspunkt", "r"},
    {kCmdMeasureEnd, "anm_mes3", "Messen Ende", "m"},
    {kCmdGrid, "anm_grid", "Gitter", "g"},
    {kCmdPhi1, "anm_phi4", "phix1", "1"},
    {kCmdPhi10, "anm_phi2", "phix10", "2"},
    {kCmdPhi100, "anm_phi3", "phix100", "3"},
    {kCmdSave, "anm_save", "Save", ""},
};

constexpr const char* kSaveTitle = "kurvlab    Datei speichern / Save file";
constexpr const char* kSaveFilter = "ANM-Dateien|*.anm|Alle Dateien|*.*|";

const mw31::Pen kRubberPen{mw31::PenStyle::Solid, 1, {255, 255, 255}};

// The program-wide next-film request, the place for the window it opens, and the watcher.
struct NextFilmState {
    NextFilm request;
    NextFilm place;
    bool placed = false;
    FilmWindowWatcher watcher = nullptr;
};
NextFilmState& next_film_state() {
    static NextFilmState state;
    return state;
}

std::string folder_of(const std::string& path) {
    if (path.empty()) return {};
    const size_t slash = path.find_last_of('/');
    if (slash == std::string::npos) return ".";
    return slash == 0 ? std::string("/") : path.substr(0, slash);
}

// Shows the new window where the asking one was: a plain window at its outer frame, a
// maximised or full-screen one the same way again.
void show_in_place(FilmWindow* fw, const NextFilm& place, mw31::ShowMode own) {
    switch (place.shown) {
        case mw31::ShowMode::Maximized:
            fw->window->show(mw31::ShowMode::Maximized);
            fw->show_mode = mw31::ShowMode::Maximized;
            break;
        case mw31::ShowMode::FullScreen:
            fw->window->show(mw31::ShowMode::FullScreen);
            fw->show_mode = own;  // where F11 goes back to
            fw->full_screen = true;
            break;
        case mw31::ShowMode::Hidden:
        case mw31::ShowMode::Normal:
            fw->window->show(mw31::ShowMode::Normal);
            if (place.outer.width() > 0 && place.outer.height() > 0)
                fw->window->move_resize(place.outer);
            fw->show_mode = mw31::ShowMode::Normal;
            break;
    }
}

FilmWindow& film_of(void* user) {
    return *static_cast<FilmWindow*>(user);
}

bool inside(const mw31::Rect& r, int x, int y) {
    return x >= r.left && x < r.right && y >= r.top && y < r.bottom;
}

// The rubber rectangle in inverting mode: drawing it twice leaves the window as it was.
void draw_rubber(FilmWindow& fw) {
    mw31::Canvas& c = fw.window->canvas();
    const mw31::Rect& r = fw.rubber;
    c.set_raster_op(mw31::RasterOp::Xor);
    c.select_pen(kRubberPen);
    c.move_to(r.left, r.top);
    c.line_to(r.right, r.top);
    c.line_to(r.right, r.bottom);
    c.line_to(r.left, r.bottom);
    c.line_to(r.left, r.top);
    c.set_raster_op(mw31::RasterOp::Copy);
}

void start_drag(FilmWindow& fw, int x, int y) {
    if (motion_press(fw, x, y) || measuring_press(fw, x, y)) return;
    erase_line_crosshair(fw);
    fw.state.drag = kDragging;
    fw.rubber = mw31::Rect{x, y, x, y};
    draw_rubber(fw);
}

void move_drag(FilmWindow& fw, int x, int y) {
    draw_rubber(fw);
    fw.rubber.right = x;
    fw.rubber.bottom = y;
    draw_rubber(fw);
}

void finish_drag(FilmWindow& fw, int x, int y) {
    draw_rubber(fw);
    fw.rubber.right = x;
    fw.rubber.bottom = y;
    fw.state.drag = kDragIdle;
    const bool zoomed =
        fw.world.zoom_rectangle
            ? fw.world.zoom_rectangle(fw.rubber)
            : zoom_to_rectangle(&fw.view, fw.rubber, fw.virtual_width, fw.virtual_height);
    if (zoomed) fw.state.drag = kDragRedraw;
}

void set_button(mw31::Window& w, int command, const char* bitmap) {
    const FilmButton* b = film_button(command);
    if (b && w.toolbar_has(command)) w.toolbar_set(command, bitmap, button_tip(*b));
}

}  // namespace

bool user_reads_german() {
    // The first of these that is set names the language messages are read in.
    for (const char* name : {"LANGUAGE", "LC_ALL", "LC_MESSAGES", "LANG"}) {
        const char* value = std::getenv(name);
        if (value && *value) return std::strncmp(value, "de", 2) == 0;
    }
    return false;
}

std::string in_user_language(const std::string& both) {
    const size_t slash = both.find('/');
    if (slash == std::string::npos || slash == 0 || slash + 1 == both.size() ||
        both[slash - 1] == ' ' || both[slash + 1] == ' ' ||
        both.find('/', slash + 1) != std::string::npos)
        return both;
    return user_reads_german() ? both.substr(0, slash) : both.substr(slash + 1);
}

std::string button_tip(const FilmButton& button) {
    const std::string caption = in_user_language(button.caption);
    if (!*button.key) return caption;
    return caption + "  (" + button.key + ")";
}

const FilmButton* film_button(int command) {
    for (const FilmButton& b : kButtons)
        if (b.command == command) return &b;
    return nullptr;
}

std::vector<int> line_film_menu() {
    return {kCmdAvi,    kCmdEnd,  kCmdSingleStep, kCmdDirection, kCmdSlower,
            kCmdFaster, kCmdInit, kCmdInvert,     kCmdHardcopy,  kCmdSave};
}

int client_size_from_environment(const char* variable, int fallback) {
    const char* text = std::getenv(variable);
    if (!text || !*text) return fallback;
    const long v = std::strtol(text, nullptr, 10);
    if (v <= 0) return fallback;
    return v > kMaxClientSize ? kMaxClientSize : int(v);
}

std::string film_window_title(const std::string& film_name) {
    const size_t slash = film_name.find_last_of("/\\");
    const std::string file = slash == std::string::npos ? film_name : film_name.substr(slash + 1);
    if (file.empty()) return mw31::kProgramTitle;
    return std::string(mw31::kProgramTitle) + "  -  " + file;
}

int open_film_window(FilmWindow* fw, const FilmWindowSetup& setup) {
    if (!fw->colours) fw->colours = &film_colour_table();
    fw->outputs = setup.outputs;
    fw->stamp_recording = setup.stamp_recording;
    mw31::WindowSpec window_spec;
    window_spec.client_width =
        setup.client_width > 0 ? setup.client_width
                               : client_size_from_environment("FILMFENSTERX", kDefaultClientWidth);
    window_spec.client_height = setup.client_height > 0 ? setup.client_height
                                                        : client_size_from_environment(
                                                              "FILMFENSTERY", kDefaultClientHeight);
    window_spec.title = film_window_title(setup.film_name);
    window_spec.icon = "kvfilm";
    window_spec.proc = film_window_proc;
    window_spec.user = fw;
    window_spec.accepts_drops = true;
    fw->window = mw31::create_window(window_spec);
    if (!fw->window) {
        mw31::message_printf(
            "mw31_film: kann Filmfenster nicht oeffnen / cannot open animation window");
        return 1;
    }
    for (int command : setup.menu)
        if (const FilmButton* b = film_button(command))
            fw->window->toolbar_add(b->command, b->bitmap, button_tip(*b));
    fw->shown = MenuShown{};
    fw->show_mode = setup.show;
    fw->full_screen = false;
    NextFilmState& next = next_film_state();
    if (next.placed) {
        next.placed = false;
        show_in_place(fw, next.place, setup.show);
    } else {
        fw->window->show(setup.show);
    }
    mw31::register_cursor_window(fw->window.get());
    fw->previous_not_interruptible = mw31::set_not_interruptible(true);
    fw->view = FilmView{};
    update_drawing_area(&fw->view, fw->window->client_rect());
    if (next.watcher) next.watcher(*fw);
    return 0;
}

void close_film_window(FilmWindow* fw) {
    fw->motion.chart.reset();
    if (!fw->window) return;
    mw31::set_not_interruptible(fw->previous_not_interruptible);
    mw31::unregister_cursor_window(fw->window.get());
    fw->window.reset();
}

namespace {

// The go-to dialog: a frame number or a cycle angle; what names no frame is refused.
void ask_and_go_to(FilmWindow& fw) {
    PlaybackState& s = fw.state;
    std::string text;
    const std::string prompt = mw31::format_text(
        "Bild %d-%d oder Winkel / frame %d-%d or angle (90\xC2\xB0):", s.first_index,
        s.frame_count - 1, s.first_index, s.frame_count - 1);
    if (!mw31::ask_text(std::string(mw31::kProgramTitle) + "    Gehe zu / Go to", prompt, &text))
        return;
    const int frame = go_to_frame(s, text);
    if (frame < 0) {
        mw31::message_printf("\"%s\": kein Bild dieses Films / not a frame of this film (%d-%d)",
                             text.c_str(), s.first_index, s.frame_count - 1);
        return;
    }
    jump_to(&s, frame);
}

}  // namespace

void play_next_in_place(FilmWindow& fw, const std::string& film) {
    NextFilm next;
    next.film = film;
    if (fw.window) {
        // A quick recording about to start has shrunk the window only for the video.
        next.outer = fw.quick_return.pending ? fw.quick_return.outer : fw.window->window_rect();
        next.shown = fw.full_screen ? mw31::ShowMode::FullScreen : fw.window->shown_as();
    }
    next_film_state().request = next;
    film_window_command(fw, kCmdEnd);
}

NextFilm take_next_film() {
    NextFilm next = next_film_state().request;
    next_film_state().request = NextFilm{};
    return next;
}

void place_next_film_window(const NextFilm& place) {
    next_film_state().place = place;
    next_film_state().placed = true;
}

void clear_next_film_window_place() {
    next_film_state().placed = false;
}

void watch_film_windows(FilmWindowWatcher opened) {
    next_film_state().watcher = opened;
}

namespace {

// The open dialog starts in the film's folder; a film merged into our temporary folder has
// none of the user's, so the newest recent film's folder is taken then.
std::string open_dialog_folder(const FilmWindow& fw) {
    std::string folder = folder_of(fw.source_name);
    const std::string temp = mw31::temp_directory();
    if (folder.empty() || (!temp.empty() && folder == temp)) {
        const std::vector<std::string> recent = mw31::recent_films();
        folder = recent.empty() ? std::string(".") : folder_of(recent[0]);
    }
    return folder;
}

void open_another_film(FilmWindow& fw) {
    std::string chosen;
    if (mw31::choose_film_file(open_dialog_folder(fw), &chosen, mw31::kFilmFileFilter) != 0)
        return;  // cancelled (or the film list could not be written, said already)
    play_next_in_place(fw, chosen);
}

// One film plays as it is; several play side by side through a film list, as when they are
// chosen together in the open dialog.
void play_dropped(FilmWindow& fw, const std::vector<std::string>& files) {
    if (files.empty()) return;
    std::string film = files[0];
    if (files.size() > 1 && mw31::write_film_list(files, &film) != 0) return;
    play_next_in_place(fw, film);
}

}  // namespace

void film_window_command(FilmWindow& fw, int command) {
    const int step_before = fw.state.step;
    const CommandEffect effect = apply_command(&fw.state, fw.colours, command, mw31::tick_count());
    const FilmOutputs& out = fw.outputs;
    switch (effect) {
        case CommandEffect::None:
        case CommandEffect::Redraw:
            break;
        case CommandEffect::Init:
            if (fw.world.init)
                fw.world.init();
            else
                reset_view(&fw.view);
            break;
        case CommandEffect::ZoomOut:
            if (fw.world.zoom_out)
                fw.world.zoom_out();
            else
                zoom_out(&fw.view);
            break;
        case CommandEffect::Save:
            save_film_copy(fw);
            break;
        case CommandEffect::Infotext:
            mw31::open_in_text_editor(mw31::temp_info_name());
            break;
        case CommandEffect::MergeHelp:
            if (out.merge_help_write && out.merge_help_write(mw31::temp_merge_help_name()) == 0)
                mw31::open_in_text_editor(mw31::temp_merge_help_name());
            break;
        case CommandEffect::Measure:
            measuring_command(fw, command);
            break;
        case CommandEffect::QuickRecording: {
            const mw31::Rect outer = fw.window->window_rect();
            if (out.avi_remember_window) out.avi_remember_window(outer, step_before);
            // A second q before the recording starts keeps the first place to go back to.
            if (!fw.quick_return.pending)
                fw.quick_return = QuickRecordingReturn{true, outer, step_before};
            const int h = 200;
            const int w = outer.height() > 0 ? int(200.0 * outer.width() / outer.height()) : 200;
            fw.window->move_resize(mw31::Rect{100, 100, 100 + w, 100 + h});
            break;
        }
        case CommandEffect::Window800:
            fw.window->move_resize(mw31::Rect{100, 100, 900, 700});
            break;
        case CommandEffect::GoTo:
            ask_and_go_to(fw);
            break;
        case CommandEffect::FullScreen:
            fw.full_screen = !fw.full_screen;
            fw.window->show(fw.full_screen ? mw31::ShowMode::FullScreen : fw.show_mode);
            break;
        case CommandEffect::Help:
            mw31::message_box(std::string(mw31::kProgramTitle) + "    Hilfe / Help",
                              film_window_keys_text(), mw31::BoxButtons::Ok,
                              mw31::BoxIcon::Information);
            break;
        case CommandEffect::OpenFilm:
            open_another_film(fw);
            break;
        case CommandEffect::Motion:
            motion_command(fw, command);
            break;
    }
}

void film_window_proc(mw31::Window& window, const mw31::Message& m, void* user) {
    (void)window;
    FilmWindow& fw = film_of(user);
    if (fw.message_hook) fw.message_hook(fw, m);
    // While recording, the window takes no commands, so the video shows an undisturbed run.
    if (fw.state.recording == kRecordingOn) return;
    switch (m.kind) {
        case mw31::MessageKind::Command:
            film_window_command(fw, m.command);
            break;
        case mw31::MessageKind::Char: {
            // Space holds and goes on like '.'; in single step its key-down has already
            // stepped, and holding after the step would stop the film.
            const bool space_holds = m.key == ' ' && !single_step_on(fw.state);
            if (int c = command_for_char(space_holds ? '.' : m.key)) film_window_command(fw, c);
            break;
        }
        case mw31::MessageKind::KeyDown:
            if (int c = command_for_key(m.key, m.ctrl)) film_window_command(fw, c);
            break;
        case mw31::MessageKind::MouseDown:
            if ((m.button == mw31::MouseButton::Left || m.button == mw31::MouseButton::Right) &&
                fw.state.drag != kDragging && inside(fw.view.area, m.x, m.y))
                start_drag(fw, m.x, m.y);
            break;
        case mw31::MessageKind::MouseMove:
            measuring_mouse_move(fw, m.x, m.y);
            if (fw.state.drag == kDragging) move_drag(fw, m.x, m.y);
            break;
        case mw31::MessageKind::MouseUp:
            if (m.button == mw31::MouseButton::Middle)
                film_window_command(fw, kCmdInit);
            else if (fw.state.drag == kDragging)
                finish_drag(fw, m.x, m.y);
            break;
        case mw31::MessageKind::Wheel:
            if (fw.world.wheel) fw.world.wheel(m);
            break;
        case mw31::MessageKind::Close:
            fw.state.end = true;
            break;
        case mw31::MessageKind::Quit:
            fw.state.end = true;
            break;
        case mw31::MessageKind::Dropped:
            play_dropped(fw, m.files);
            break;
        case mw31::MessageKind::Size:
        case mw31::MessageKind::Timer:
            break;  // the loop takes the client size each frame
    }
}

void dispatch_film_message(FilmWindow& fw, const mw31::Message& message) {
    if (message.kind == mw31::MessageKind::Quit)
        fw.state.end = true;
    else
        mw31::dispatch_message(message);
    if (mw31::quit_requested()) fw.state.end = true;
}

void update_film_menu(FilmWindow& fw) {
    mw31::Window& w = *fw.window;
    const PlaybackState& s = fw.state;
    if (s.recording == kRecordingOn) {
        // Not in the video.
        if (w.toolbar_shown()) w.toolbar_show(false);
        return;
    }
    if (!w.toolbar_shown()) w.toolbar_show(true);
    MenuShown& shown = fw.shown;
    const bool single = (s.single_step & kSingleStepWait) != 0;
    if (single != shown.single_step) {
        set_button(w, kCmdSingleStep, single ? "anm_dlf" : "anm_sngl");
        shown.single_step = single;
    }
    if (s.hold != shown.hold) {
        set_button(w, kCmdHold, s.hold ? "anm_go" : "anm_stop");
        shown.hold = s.hold;
    }
    if (s.grid != shown.grid) {
        set_button(w, kCmdGrid, s.grid ? "anm_nogrid" : "anm_grid");
        shown.grid = s.grid;
    }
    if (s.phi_factor != shown.phi_factor) {
        set_button(w, kCmdPhi1, s.phi_factor == 1 ? "anm_phi4" : "anm_phi1");
        set_button(w, kCmdPhi10, s.phi_factor == 10 ? "anm_phi5" : "anm_phi2");
        set_button(w, kCmdPhi100, s.phi_factor == 100 ? "anm_phi6" : "anm_phi3");
        shown.phi_factor = s.phi_factor;
    }
    if (!s.end) measuring_menu(fw);
    if (s.target_dialog_request) {
        fw.state.target_dialog_request = false;
        ask_target_cycles(fw);
    }
}

std::string with_anm_extension(const std::string& name) {
    const size_t slash = name.find_last_of("/\\");
    const size_t dot = name.find_last_of('.');
    const bool has_ext = dot != std::string::npos && (slash == std::string::npos || dot > slash);
    return (has_ext ? name.substr(0, dot) : name) + ".anm";
}

void save_film_copy(FilmWindow& fw) {
    if (fw.source_name.empty()) return;
    mw31::SaveFileRequest request;
    request.title = kSaveTitle;
    request.filter = kSaveFilter;
    request.overwrite_prompt = true;
    std::string target;
    for (;;) {
        const std::string chosen = mw31::save_file_dialog(request);
        if (chosen.empty()) return;
        target = with_anm_extension(chosen);
        // The dialog only asked about the name as typed; a name we changed is asked about here,
        // and a No opens the dialog again.
        std::error_code ec;
        if (target == chosen || !std::filesystem::exists(target, ec)) break;
        const std::string question = mw31::format_text(
            "%s existiert bereits. Ersetzen? / already exists. Replace it?", target.c_str());
        if (mw31::message_box(mw31::kProgramTitle, question, mw31::BoxButtons::YesNo,
                              mw31::BoxIcon::Question) == mw31::BoxAnswer::Yes)
            break;
    }
    if (mw31::copy_file(fw.source_name, target) != 0)
        mw31::message_printf(
            "Kann Datei nicht zum Schreiben oeffnen / Cannot open file for write:\n%s",
            target.c_str());
}

PaintStyle paint_style(const FilmWindow& fw) {
    return PaintStyle{fw.state.pen_width, fw.state.invert, fw.colours};
}

}  // namespace film
