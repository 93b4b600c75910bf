// AVI files of our own making: a video stream (8-bit uncompressed or RLE8 with a 256-colour
// table, 24-bit uncompressed or Microsoft Video 1) and a caption stream, written as pictures
// come.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "video/video_writer.h"

namespace video {

enum class AviCodec {
    kRaw8,   // 8 bits per pixel, uncompressed, 256-colour table
    kRle8,   // 8 bits per pixel, Microsoft RLE ('mrle')
    kRaw24,  // 24 bits per pixel, uncompressed
    kMsvc,   // Microsoft Video 1 ('msvc', 15 bits per pixel in blocks of 4 x 4; FFmpeg's encoder)
};

// Plain RIFF files stay below 1 GB so that every AVI reader takes them.
constexpr uint64_t kAviRiffLimit = uint64_t(1) << 30;
// Each part of an AVI 2.0 file gets an entry in the header's table of indexes.
constexpr int kAviMaxParts = 256;

struct AviOptions {
    AviCodec codec = AviCodec::kRle8;
    int width = 0;   // 1 to 32767; the caption rectangle lies below the picture
    int height = 0;  // Video 1 streams round both up to multiples of 4
    // Video 1: a key frame every this many pictures; unchanged blocks are skipped between.
    int key_interval = 15;
    int rate = 15;  // pictures per `scale` seconds
    int scale = 1;
    // A text stream ('txts', handler 'DRAW', 60 samples per second) with "Bild <n>" at
    // sample 4 × (n - 1) for picture n.
    bool captions = true;
    // A file that grows past `riff_limit` continues as AVI 2.0 (OpenDML); without it the
    // recording stops there with kTooLarge.
    bool open_dml = true;
    uint64_t riff_limit = kAviRiffLimit;
};

// Starts an AVI file at `path` (written under a temporary name beside it). Pictures of
// any PixelFormat are taken: 8-bit codecs keep one colour table for the whole stream,
// exact as long as the video holds at most 256 colours (see PaletteMapper).
Result avi_create(const std::string& path, const AviOptions& options,
                  std::unique_ptr<VideoWriter>* writer);

}  // namespace video
