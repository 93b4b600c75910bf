// Video files of every kind we write, chosen by the name: .avi through our own writer,
// .mp4 (H.264), .webm (VP9) and .gif through FFmpeg's libraries.
#pragma once

#include <memory>
#include <string>

#include "video/avi_writer.h"
#include "video/video_writer.h"

namespace video {

enum class VideoContainer { kAvi, kMp4, kWebm, kGif, kUnknown };

// By the extension, in any case; kUnknown for anything else.
VideoContainer video_container_for(const std::string& path);

// True when this build can write the container (FFmpeg's libraries for all but AVI).
bool video_container_available(VideoContainer container);

// Starts a video file at `path`, written under a temporary name beside it. For AVI every
// option counts; the others take size and frame rate only and have no caption stream.
// Sizes that H.264 cannot code (odd widths or heights) are made even by repeating the last
// column or row.
Result video_create(const std::string& path, const AviOptions& options,
                    std::unique_ptr<VideoWriter>* writer);

}  // namespace video
