// Choosing the writer for a file name.
#include "video/video_file.h"

#include <cctype>

#include "video/ffmpeg_writer.h"

namespace video {

VideoContainer video_container_for(const std::string& path) {
    size_t slash = path.find_last_of('/');
    size_t dot = path.find_last_of('.');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash))
        return VideoContainer::kUnknown;
    std::string ext;
    for (char c : path.substr(dot + 1))
        ext.push_back(char(std::tolower(static_cast<unsigned char>(c))));
    if (ext == "avi") return VideoContainer::kAvi;
    if (ext == "mp4") return VideoContainer::kMp4;
    if (ext == "webm") return VideoContainer::kWebm;
    if (ext == "gif") return VideoContainer::kGif;
    return VideoContainer::kUnknown;
}

bool video_container_available(VideoContainer container) {
    if (container == VideoContainer::kAvi) return true;
    if (container == VideoContainer::kUnknown) return false;
    return ffmpeg_available();
}

Result video_create(const std::string& path, const AviOptions& options,
                    std::unique_ptr<VideoWriter>* writer) {
    writer->reset();
    VideoContainer c = video_container_for(path);
    switch (c) {
        case VideoContainer::kAvi:
            return avi_create(path, options, writer);
        case VideoContainer::kUnknown:
            return result_error(kUnsupported, "no video format for the name " + path +
                                                  " (.avi, .mp4, .webm or .gif)");
        default:
            return ffmpeg_create(path, c, options.width, options.height, options.rate,
                                 options.scale, writer);
    }
}

}  // namespace video
