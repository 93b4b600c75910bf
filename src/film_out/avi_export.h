// Recording film pictures as a video: the output name from the profile or the save dialog, the
// codec from the compression options, and every picture written to the file as it comes.
#pragma once

#include <memory>
#include <string>

#include "mw31/picture.h"
#include "video/avi_writer.h"
#include "video/video_result.h"
#include "video/video_writer.h"

namespace film_out {

inline constexpr const char* kAviProfileSection = "KURVLAB";
inline constexpr const char* kAviProfileKey = "AVIOUTFILE";
inline constexpr const char* kAviDefaultName = "tarvo.avi";
inline constexpr const char* kAviSaveFilter =
    "AVI-Dateien|*.avi|MP4-Videos (H.264)|*.mp4|WebM-Videos (VP9)|*.webm|"
    "GIF-Animationen|*.gif|Alle Dateien|*.*|";
inline constexpr const char* kAviFailedMessage =
    "AVI-Datei konnte nicht erzeugt werden / Could not generate AVI file";
inline constexpr const char* kCompressionTitle = "Kompressionsoptionen / Compression options";
inline constexpr int kAviRate = 15;  // pictures per second

// Where a recording goes and how its pictures are coded (the codec counts for AVI only).
struct AviTarget {
    std::string path;
    video::AviCodec codec = video::AviCodec::kRle8;
};

// One recording. The writer is made by the first picture, which fixes the video's size.
struct AviExport {
    AviTarget target;
    bool active = false;
    std::unique_ptr<video::VideoWriter> writer;
    video::Result error;  // the first failure; later pictures are dropped
    int pictures = 0;
    int width = 0, height = 0;  // of the video, from the first picture
};

// The save dialog's answer as a video name: ".mp4", ".webm" and ".gif" stay, every other
// name gets the extension "avi".
std::string video_name_from_dialog(const std::string& chosen);
// The profile's fixed name (section "KURVLAB", key "AVIOUTFILE") when set, else the save
// dialog's answer, else "tarvo.avi".
std::string avi_output_name();
// The compression options: the codecs we write, *codec the preset. False when cancelled.
bool avi_choose_codec(video::AviCodec* codec);

// Opens a recording to a known target without asking anything. 0, or -1 after a message when
// this build cannot write the name's format.
int avi_begin(AviExport* rec, const AviTarget& target);
// The film window's start: output name, then (for AVI) the compression options. 0 when the
// recording can begin; 1 when the options were cancelled (nothing is written, no message);
// -1 after a message.
int avi_start(AviExport* rec);
// Codes and writes the picture. A picture of another size than the first is cut or padded to
// it, so the video keeps its timing. 1 once the recording has failed.
int avi_add_picture(AviExport* rec, const mw31::Picture& picture);
// Completes the file and puts it in place of the target. -1 after the failure message when
// anything failed (or nothing was recorded); an existing file of that name is then untouched.
int avi_finish(AviExport* rec);

}  // namespace film_out
