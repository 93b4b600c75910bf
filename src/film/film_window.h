// The film window shared by the 2D players: creation with its tool bar, the window procedure
// that turns commands, keys and mouse into state changes, the zoom rectangle and the
// menu-bar updates.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "film/film_outputs.h"
#include "film/measuring.h"
#include "film/motion_state.h"
#include "film/playback_state.h"
#include "film_model/colour_table.h"
#include "film_model/film_view.h"
#include "film_model/frame_painter.h"
#include "film_model/frame_store.h"
#include "film_model/world_window.h"
#include "mw31/picture.h"
#include "mw31/window.h"

namespace film {

constexpr int kDefaultClientWidth = 800;
constexpr int kDefaultClientHeight = 600;
constexpr int kMaxClientSize = 16384;

struct FilmButton {
    int command;
    const char* bitmap;
    const char* caption;
    const char* key;  // the key that does the same; "" for none
};

// Every button the players know, by command number; null for an unknown number.
const FilmButton* film_button(int command);
// The button's tooltip: its caption, in the user's language where it has both, and the key
// that does the same.
std::string button_tip(const FilmButton& button);
// Of a "Deutsch/English" text the part in the user's language (German when the locale
// settings start with "de"); any other text as it is.
std::string in_user_language(const std::string& both);
// The menu bar of line films, in its order.
std::vector<int> line_film_menu();

// Players with world coordinates replace the pixel zoom with their own.
struct WorldZoom {
    std::function<void()> init;
    std::function<bool(const mw31::Rect& dragged)> zoom_rectangle;
    std::function<void()> zoom_out;
    std::function<void(const mw31::Message& message)> wheel;
};

// Which world coordinates the mouse and the zoom work in: none for line films, the raster
// mapping of ANMNEU films, or the direct mapping of user-coordinates films.
enum class WorldMode { None, Anmneu, Usercoor };

// What the frame presenter keeps from picture to picture.
struct FrameScreen {
    const FramePainter* painter = nullptr;          // the player's, for as long as it plays
    std::unique_ptr<mw31::Picture> picture;         // what the window shows
    std::unique_ptr<mw31::Picture> record_picture;  // larger twin while recording with -x
    double record_factor = 1.0;     // the recorded picture is this much larger than the window
    std::string status;             // the cycles display
    double cycles_per_minute = -1;  // last measured rate; below 0 before the first
    bool cleared_inverted = false;  // background the picture was last cleared with
    // The running recording's pass ends with this frame showing its first again: the video
    // leaves it out, so that it loops without a repeated picture. -1: none.
    int unrecorded_frame = -1;
};

// Where the window was and the step it played at before a quick recording shrank it; given
// back when the recording ends or cannot start.
struct QuickRecordingReturn {
    bool pending = false;
    mw31::Rect outer{};
    int step = 0;  // 0 or below: the step stays
};

// The bitmaps the menu bar shows, so that updates only touch what changed.
struct MenuShown {
    bool single_step = false;
    bool hold = false;
    bool grid = false;
    int phi_factor = 1;
};

struct FilmWindow {
    std::unique_ptr<mw31::Window> window;
    FilmView view;
    PlaybackState state;
    ColourTable* colours = nullptr;
    int virtual_width = kDefaultVirtualWidth;
    int virtual_height = kDefaultVirtualHeight;
    std::string source_name;  // the file Save copies; empty: Save does nothing
    FilmOutputs outputs;
    bool stamp_recording = false;  // recorded pictures carry the frame in their corner
    WorldZoom world;
    WorldMode world_mode = WorldMode::None;
    WorldWindow* world_window = nullptr;  // the player's, while world_mode is not None
    FrameScreen screen;
    // Called first for every message the window gets (players and tests).
    void (*message_hook)(FilmWindow& fw, const mw31::Message& message) = nullptr;

    QuickRecordingReturn quick_return;
    mw31::Rect rubber{};  // the zoom rectangle being dragged (start and current corner)
    int mouse_x = -1, mouse_y = -1;
    Measuring measuring;
    MotionWindowState motion;
    MenuShown shown;
    bool single_step_before = false;  // single step was on at the previous frame
    mw31::ShowMode show_mode = mw31::ShowMode::Maximized;  // as opened; F11 goes back to it
    bool full_screen = false;
    bool previous_not_interruptible = false;
};

struct FilmWindowSetup {
    std::vector<int> menu = line_film_menu();
    mw31::ShowMode show = mw31::ShowMode::Maximized;
    // 0: from FILMFENSTERX / FILMFENSTERY.
    int client_width = 0, client_height = 0;
    FilmOutputs outputs;
    bool stamp_recording = false;  // recorded pictures carry the frame in their corner
    std::string film_name;  // the user's film: its file name follows the program's in the title
};

// The film window's title: the program's, then the film's file name when there is one.
std::string film_window_title(const std::string& film_name);

// What every 2D player is told by the program.
struct PlayerOptions {
    std::string film_name;
    std::string source_name;  // the file Save copies; empty: Save does nothing
    int passes = kDefaultPasses;
    int pause_ms = kDefaultPauseMs;
    double record_factor = 1.0;  // the recorded picture is this much larger than the window
    FilmWindowSetup window;
    void* observer_user = nullptr;
    // Called once the window is open, before the film is read (players and tests set hooks).
    void (*window_opened)(FilmWindow& fw, void* user) = nullptr;
};

// A client size from an environment variable: missing, empty, zero or unreadable gives the
// fallback; held within kMaxClientSize.
int client_size_from_environment(const char* variable, int fallback);

// Creates and shows the window, fits the drawing area and marks the player not
// interruptible. 1 (after the message) when the window cannot be made. fw->colours defaults
// to the program's table; the outputs come from the setup.
int open_film_window(FilmWindow* fw, const FilmWindowSetup& setup);
// Restores the not-interruptible mark and destroys the window.
void close_film_window(FilmWindow* fw);

// A film asked for from a film window (Ctrl+O, files dropped onto it): the window ends as
// with End, and the program plays the film next in a window at the same place.
struct NextFilm {
    std::string film;  // empty: nothing was asked for
    mw31::Rect outer{};
    mw31::ShowMode shown = mw31::ShowMode::Normal;
};
// Asks for `film` next in the place of fw's window and ends fw's film.
void play_next_in_place(FilmWindow& fw, const std::string& film);
// The pending request, cleared; its film is empty when there is none.
NextFilm take_next_film();
// The next film window opens with this outer frame and show mode instead of its own; it is
// used once. The program sets it before it plays a requested film and clears it after.
void place_next_film_window(const NextFilm& place);
void clear_next_film_window_place();

// Called at the end of every open_film_window (tests watch the program's windows with it).
using FilmWindowWatcher = void (*)(FilmWindow& fw);
void watch_film_windows(FilmWindowWatcher opened);

void film_window_proc(mw31::Window& window, const mw31::Message& message, void* user);
// Runs a command or key number as the window procedure does.
void film_window_command(FilmWindow& fw, int command);

// Dispatches a message; the quit message (or a confirmed quit) sets the end flag.
void dispatch_film_message(FilmWindow& fw, const mw31::Message& message);

// Bitmap swaps after state changes, the tool bar hidden while recording, and a pending
// target-cycle dialog.
void update_film_menu(FilmWindow& fw);

// Save: the save dialog, the "anm" extension and a byte copy of the source film.
void save_film_copy(FilmWindow& fw);
// The name with its extension set to "anm".
std::string with_anm_extension(const std::string& name);

// How the window draws now: pen width, inverted display, colour table.
PaintStyle paint_style(const FilmWindow& fw);

}  // namespace film
