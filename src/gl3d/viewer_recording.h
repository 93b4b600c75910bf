// Recording the 3D window's animation as a video: one pass of the playback, every shown frame
// captured as a 24-bit picture and written as it comes (Video 1 or uncompressed, with the
// caption track), and the window restored afterwards.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "gl3d/view_state.h"
#include "mw31/window.h"
#include "video/avi_writer.h"

namespace gl3d {

struct Viewer;

inline constexpr const char* kRecordSaveFilter = "AVI-Dateien|*.avi|Alle Dateien|*.*|";
inline constexpr const char* kRecordDefaultName = "kelvarinthos.avi";
inline constexpr const char* kRecordFailedMessage =
    "AVI-Datei konnte nicht erzeugt werden / Could not generate AVI file";
inline constexpr const char* kRecordCompressionTitle = "Kompressionsoptionen / Compression options";
inline constexpr int kRecordRate = 15;  // pictures per second

// The -x factor of the command line: the video picture is this many times the client area.
struct RecordingOptions {
    double factor = 1.0;
};
RecordingOptions& recording_options();

struct CaptureArea {
    int width = 0, height = 0;
};
// The client area times the factor (1.0 when below), truncated; at least one pixel.
CaptureArea capture_area(int client_width, int client_height, double factor);

struct RecordTarget {
    std::string path;
    video::AviCodec codec = video::AviCodec::kMsvc;
};

// The save dialog's answer: "kelvarinthos.avi" when cancelled, ".avi" added to a name without
// extension.
std::string recording_name_from_dialog(const std::string& chosen);
// Asks with the save dialog and writes the name to the message output.
std::string ask_recording_name();
// True when the name is written as AVI (.avi or an extension no other format has).
bool recording_is_avi(const std::string& path);
// The compression options: Video 1 (the preset) or uncompressed 24-bit. False when cancelled.
bool choose_recording_codec(video::AviCodec* codec);

// Where a recording draws and captures: the window's GL surface, or an offscreen one.
class RecordingSurface {
  public:
    virtual ~RecordingSurface() = default;
    // Draws the playback's current frame.
    virtual void draw(const Playback& playback) = 0;
    // The last drawing as width x height RGB rows, top to bottom; false when it cannot be had.
    virtual bool capture(int width, int height, std::vector<uint8_t>* rgb_rows) = 0;
};

// One pass as the recording plays it: from the last frame, one playback step per picture,
// for frame counters 0, step, 2 step ... below the frame count (step = trunc(speed + 0.5),
// at least 1). The frames shown, in order.
std::vector<int> recording_frames(const Playback& playback);

// Records one pass into the target: the playback's speed, stop, single step and direction
// are kept and given back afterwards; the current frame ends at the last frame recorded. A
// capture that fails repeats the previous picture. The number of pictures written, or -1
// after the failure message (an existing file of the target's name is then as it was).
int record_pass(Playback* playback, RecordingSurface* surface, const RecordTarget& target,
                int width, int height);

// The window's button row after a recording: the whole row from x = 1, "anm_stop" or
// "anm_go" and "anm_sngl" or "anm_dlf" as the playback stands, "anm_info" with an info text.
std::vector<ToolbarButton> toolbar_after_recording(const Playback& playback, bool with_info);

// The quick recording's window: at (100, 100), 200 pixels high, the width keeping the aspect.
mw31::Rect quick_recording_rect(const mw31::Rect& window);
// Its speed: frame count / 120 in whole numbers, at least 1.
double quick_recording_speed(int frame_count);

// "anm_avi": asks for the name and the codec, records one pass of the window's client area
// and resumes playback. The number of pictures, 0 when the codec choice was cancelled (no
// file, no message), -1 after the failure message.
int record_viewer(Viewer* viewer);
// Key 'q': the quick recording's window and speed, record_viewer, then the speed and the
// window rectangle as they were.
int record_viewer_quick(Viewer* viewer);

}  // namespace gl3d
