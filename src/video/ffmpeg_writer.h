// Videos encoded through FFmpeg's libraries (libavcodec, libavformat, libswscale), written
// through our own output file so that failures leave an earlier file as it was.
#pragma once

#include <memory>
#include <string>

#include "video/video_file.h"
#include "video/video_writer.h"

namespace video {

bool ffmpeg_available();

// `container` is kMp4, kWebm or kGif.
Result ffmpeg_create(const std::string& path, VideoContainer container, int width, int height,
                     int rate, int scale, std::unique_ptr<VideoWriter>* writer);

}  // namespace video
