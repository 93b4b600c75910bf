// The film window's side of measuring, grid, crosshair and target cycles.
#include "film/measuring_window.h"

#include "film/playback_state.h"
#include "film/world_zoom.h"
#include "mw31/cursor.h"
#include "mw31/dialogs.h"
#include "mw31/process.h"

namespace film {

namespace {

constexpr size_t kMaxTargetText = 256;

bool in_area(const FilmView& view, int x, int y) {
    const mw31::Rect& a = view.area;
    return x >= a.left && x < a.right && y >= a.top && y < a.bottom;
}

bool world_film(const FilmWindow& fw) {
    return fw.world_mode != WorldMode::None && fw.world_window;
}

void request_redraw(FilmWindow& fw) {
    if (fw.state.drag == kDragIdle) fw.state.drag = kDragRedraw;
}

bool line_crosshair_wanted(const FilmWindow& fw) {
    return !world_film(fw) && crosshair_wanted(fw.measuring.state, fw.state.grid) &&
           in_area(fw.view, fw.mouse_x, fw.mouse_y) && fw.state.drag != kDragging;
}

}  // namespace

WorldPicture window_world_picture(const FilmWindow& fw, const FilmView& view) {
    if (world_film(fw)) return WorldPicture(fw.world_mode, *fw.world_window, view);
    return WorldPicture(WorldMode::None, WorldWindow{}, view, fw.virtual_width);
}

MouseAt window_mouse(const FilmWindow& fw, const FilmView& view) {
    MouseAt m;
    if (fw.mouse_x < 0 || fw.mouse_y < 0) return m;
    window_world_picture(fw, fw.view).world_of(fw.mouse_x, fw.mouse_y, &m.wx, &m.wy);
    // A larger picture for a recording shows the mouse where it is in the window.
    const int w = fw.view.area.width();
    const double f = w > 0 && view.area.width() != w ? double(view.area.width()) / w : 1.0;
    m.x = view.area.left + int((fw.mouse_x - fw.view.area.left) * f);
    m.y = view.area.top + int((fw.mouse_y - fw.view.area.top) * f);
    return m;
}

void measuring_command(FilmWindow& fw, int command) {
    const std::string cursor = measure_command(&fw.measuring.state, command);
    if (cursor.empty()) return;
    if (fw.window) fw.window->set_cursor(mw31::cursor_shape_for(cursor));
    request_redraw(fw);
}

bool measuring_press(FilmWindow& fw, int x, int y) {
    if (!fw.measuring.state.armed) return false;
    double wx, wy;
    window_world_picture(fw, fw.view).world_of(x, y, &wx, &wy);
    measure_press(&fw.measuring.state, wx, wy);
    request_redraw(fw);
    return true;
}

void erase_line_crosshair(FilmWindow& fw) {
    if (fw.measuring.line_crosshair.drawn && fw.window)
        toggle_line_crosshair(fw.window->canvas(), fw.view.area, 0, 0,
                              &fw.measuring.line_crosshair);
}

void measuring_mouse_move(FilmWindow& fw, int x, int y) {
    fw.mouse_x = x;
    fw.mouse_y = y;
    if (world_film(fw)) {
        // A playing film shows it with the next picture anyway; a held or single-stepped one
        // is drawn again.
        if (crosshair_wanted(fw.measuring.state, fw.state.grid)) request_redraw(fw);
        return;
    }
    erase_line_crosshair(fw);
    if (line_crosshair_wanted(fw) && fw.window)
        toggle_line_crosshair(fw.window->canvas(), fw.view.area, x, y,
                              &fw.measuring.line_crosshair);
}

void measuring_menu(FilmWindow& fw) {
    Measuring& m = fw.measuring;
    if (m.state.stage == kMeasureNone) reset_points(&m.state);
    if (m.state.stage == m.shown_stage || !fw.window) return;
    mw31::Window& w = *fw.window;
    for (int command : {kCmdMeasureReference, kCmdMeasureDirection, kCmdMeasureEnd})
        if (w.toolbar_has(command)) w.toolbar_remove(command);
    for (int command : measure_buttons(m.state.stage))
        if (const FilmButton* b = film_button(command))
            w.toolbar_add(command, b->bitmap, button_tip(*b));
    m.shown_stage = m.state.stage;
}

void paint_under_frame(FilmWindow& fw, mw31::Canvas& canvas, const FilmView& view) {
    if (fw.state.grid) draw_grid(canvas, window_world_picture(fw, view), fw.state.pen_width);
}

void paint_over_frame(FilmWindow& fw, mw31::Canvas& canvas, const FilmView& view) {
    if (!world_film(fw)) return;
    const OverlayStyle style = overlay_style(paint_style(fw));
    const MouseAt mouse = window_mouse(fw, view);
    if (crosshair_wanted(fw.measuring.state, fw.state.grid))
        draw_crosshair(canvas, view, mouse, style);
    draw_measurement(canvas, window_world_picture(fw, view), fw.measuring.state,
                     mouse.x >= 0 ? &mouse : nullptr, style);
}

void picture_copied(FilmWindow& fw) {
    // The picture covered the old crosshair and the pixels kept under it.
    fw.measuring.line_crosshair = LineCrosshair{};
    if (line_crosshair_wanted(fw))
        toggle_line_crosshair(fw.window->canvas(), fw.view.area, fw.mouse_x, fw.mouse_y,
                              &fw.measuring.line_crosshair);
}

void ask_target_cycles(FilmWindow& fw) {
    mw31::TextRequest request;
    request.title = "Wunschtaktzahl eingeben";
    request.prompt = "Zieltaktzahl in 1/min: ";
    request.ok_text = "OK";
    request.cancel_text = "Abbruch";
    std::string text = fw.measuring.target_text;
    if (mw31::ask_text(request, &text)) {
        if (text.size() > kMaxTargetText) text.resize(kMaxTargetText);
        fw.measuring.target_text = text;
        fw.state.target_cycles = parse_target_cycles(text);
    } else {
        fw.state.target_cycles = 0;
    }
    restart_cycles(&fw.state, mw31::tick_count());
    fw.state.step = 1;
}

void control_target_cycles(FilmWindow& fw, double cycles_per_minute) {
    PlaybackState& s = fw.state;
    if (target_cycle_control(cycles_per_minute, s.target_cycles, s.frame_count, &s.step,
                             &s.pause_ms))
        restart_cycles(&s, mw31::tick_count());
}

}  // namespace film
