// Playback state of a film window and what every command, advance and wrap does to it.
// The window procedure and the playback loop only call these functions.
#pragma once

#include <cstdint>
#include <string>

#include "film_model/colour_table.h"

namespace film {

// Command numbers of the tool-bar buttons; keys map onto them.
enum FilmCommand : int {
    kCmdEnd = 1,
    kCmdHold = 2,
    kCmdSingleStep = 3,
    kCmdDirection = 4,
    kCmdSlower = 5,
    kCmdFaster = 6,
    kCmdInit = 7,
    kCmdHardcopy = 8,
    kCmdInfotext = 9,
    kCmdAvi = 10,
    kCmdDxf = 11,
    kCmdMergeHelp = 12,
    kCmdInvert = 13,
    kCmdZoomOut = 14,
    kCmdMeasureReference = 15,
    kCmdMeasureDirection = 16,
    kCmdMeasureEnd = 17,
    kCmdGrid = 18,
    kCmdTargetCycles = 19,
    kCmdPhi1 = 20,
    kCmdPhi10 = 21,
    kCmdPhi100 = 22,
    kCmdSave = 23,
    // Keys without a button.
    kKeyQuickRecording = 101,  // q
    kKeyWindow800 = 102,       // Q
    kKeyBackward = 103,        // Ctrl+G, left arrow
    kKeyForward = 104,         // Ctrl+L, right arrow
    kKeyFirstFrame = 105,      // Home
    kKeyLastFrame = 106,       // End
    kKeyPageBack = 107,        // Page Up: a tenth of the film back
    kKeyPageOn = 108,          // Page Down: a tenth of the film on
    kKeyGoTo = 109,            // j: the go-to dialog
    kKeyHelp = 110,            // h, F1: the keys
    kKeyFullScreen = 111,      // F11
    kKeyOpenFilm = 112,        // Ctrl+O: another film in this window's place
    kKeyTrace = 113,           // t: the next click starts a trace
    kKeyClearTraces = 114,     // T: no traces
    kKeyOnion = 115,           // o: onion skin off, every 10th, 5th, 2nd frame
    kKeyFollow = 116,          // f: the measurement's points follow the motion
    kKeyWriteMotion = 117,     // w: traces as CSV or SVG
};

// Bits of the single-step flag.
constexpr int kSingleStepWait = 1;   // wait after each frame
constexpr int kSingleStepPrint = 2;  // wait until a requested printout is served

enum DragState : int { kDragIdle = 0, kDragging = 1, kDragRedraw = 2 };
enum RecordingState : int { kRecordingOff = 0, kRecordingRequested = 1, kRecordingOn = 2 };

constexpr int kDefaultPasses = 1000000;
constexpr int kDefaultPauseMs = 5;
constexpr int kMaxPauseStep = 1000;  // Slower stops raising the pause here
constexpr int kMaxStep = 1000000;
constexpr int kSkippedFrameRecords = 5;  // frames with this many records or fewer are skipped
constexpr int kQuickRecordingFrames = 120;

struct PlaybackState {
    int index = 1;
    int first_index = 1;  // frames below it are never shown
    int frame_count = 0;
    int step = 1;
    bool backward = false;
    int pause_ms = kDefaultPauseMs;
    int passes = 0;  // completed passes
    int pass_limit = kDefaultPasses;
    int single_step = 0;  // kSingleStep* bits
    bool hold = false;
    bool end = false;
    DragState drag = kDragIdle;
    RecordingState recording = kRecordingOff;
    bool invert = false;
    int pen_width = 1;
    bool print_request = false;
    bool dxf_request = false;
    bool target_dialog_request = false;
    bool grid = false;
    int phi_factor = 1;
    int cycle_count = 0;
    int64_t cycle_start_ms = 0;
    double target_cycles = 0.0;
    bool jumped = false;  // index was set by a jump: the next advance shows it instead
};

// A fresh state for a film of `frame_count` frames.
PlaybackState new_playback_state(int frame_count, int first_index, int pause_ms, int pass_limit,
                                 int64_t now_ms);

void restart_cycles(PlaybackState* s, int64_t now_ms);

void slower(PlaybackState* s);
void faster(PlaybackState* s);
// Toggles the inverted display: swaps black and white in the colour table; each switch-on
// raises the pen width 1 -> 2 -> 3 -> 1.
void toggle_invert(PlaybackState* s, ColourTable* colours);

// What a command leaves for the window to do beyond the state change.
enum class CommandEffect {
    None,
    Redraw,          // the view changed (Init, zoom out are done by the caller first)
    Init,            // caller resets the view, then redraws
    ZoomOut,         // caller zooms out, then redraws
    Save,            // save dialog and copy
    Infotext,        // open the info text in the editor
    MergeHelp,       // write the merge help and open it
    Measure,         // measuring commands (and End, which drops a pending measurement)
    QuickRecording,  // hand the window to the recording, shrink it (step and request done here)
    Window800,       // move the window to (100, 100), 800 x 600
    GoTo,            // ask for a frame or an angle and jump there
    Help,            // show the keys
    FullScreen,      // full screen on / off
    OpenFilm,        // the open dialog; a chosen film ends this one and plays next
    Motion,          // traces, onion skin, following measurement
};

// Applies command or key number `command` to the state; every command restarts the cycle
// measurement. Unknown numbers do nothing.
CommandEffect apply_command(PlaybackState* s, ColourTable* colours, int command, int64_t now_ms);

// The frame a jump command leads to from the current one, within the frames that are shown;
// -1 for other commands.
int jump_target(const PlaybackState& s, int command);
// Makes `frame` the current one: a held film shows it at once, a playing one next.
void jump_to(PlaybackState* s, int frame);
// The frame a typed text names: a frame number, or a cycle angle ("90°", "90 Grad", "90 deg")
// on a film whose frames are one cycle. -1 when it names none of the frames shown.
int go_to_frame(const PlaybackState& s, const std::string& text);

bool single_step_on(const PlaybackState& s);
bool in_playable_range(const PlaybackState& s);
// One step in the playing direction.
void advance(PlaybackState* s);
// A recording was requested and could (or could not) be started at this advance.
void recording_started(PlaybackState* s, bool ok);
// At the end of a pass: back into 0..frame_count-1 (raised to the first index going forward).
void wrap_index(PlaybackState* s);

// Counts a drawn frame; returns true and sets *cycles_per_minute when time has passed since
// the cycle measurement started.
bool count_cycle(PlaybackState* s, int64_t now_ms, double* cycles_per_minute);
// "N = %.1lf Takte/min" with the direction arrow.
std::string cycles_status_text(double cycles_per_minute, bool backward);
// Where the film stands, for the status line: the frame among those shown, the cycle angle
// 360 * i / F (films whose frames are one cycle), and the held state.
std::string position_text(const PlaybackState& s, bool cycle_angle);

}  // namespace film
