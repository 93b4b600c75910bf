// Microsoft Video 1 ('msvc') samples coded by libavcodec's encoder; the AVI writer puts them
// into a file of its own making.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "video/picture_view.h"
#include "video/video_result.h"

namespace video {

// Video 1 codes blocks of 4 x 4 pixels, so the stream's size is the picture's rounded up.
inline int msvideo1_coded_size(int n) {
    return (n + 3) & ~3;
}

// False when this build has no FFmpeg or its libavcodec no Video 1 encoder.
bool msvideo1_available();

class Msvideo1Encoder {
  public:
    // For pictures of width x height; a key frame starts every `key_interval` pictures (blocks
    // that did not change are skipped in between).
    static Result create(int width, int height, int key_interval,
                         std::unique_ptr<Msvideo1Encoder>* encoder);
    virtual ~Msvideo1Encoder() = default;
    // One picture of the size given at creation as one sample (rows bottom-up, as AVI stores
    // them); the extra columns and rows of the coded size repeat the picture's last ones.
    virtual Result encode(const PictureView& picture, std::vector<uint8_t>* sample,
                          bool* key_frame) = 0;
};

}  // namespace video
