// Video 1 through libavcodec: pictures become RGB555 with the nearest 5-bit level per colour
// (our own table, no dithering), then one packet per picture.
#include "video/msvideo1_encoder.h"

#if KV_HAVE_FFMPEG

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavutil/error.h>
}

#include <array>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <new>

namespace video {

namespace {

std::string av_text(int err) {
    char buf[AV_ERROR_MAX_STRING_SIZE] = {};
    av_strerror(err, buf, sizeof buf);
    return buf;
}

// Decoders widen a 5-bit level v to (v << 3) | (v >> 2); this picks the level that comes
// back nearest to each 8-bit value.
std::array<uint16_t, 256> make_levels() {
    std::array<uint16_t, 256> t{};
    for (int c = 0; c < 256; ++c) {
        int best = 0, best_error = 256;
        for (int v = 0; v < 32; ++v) {
            const int e = std::abs(((v << 3) | (v >> 2)) - c);
            if (e < best_error) best = v, best_error = e;
        }
        t[size_t(c)] = uint16_t(best);
    }
    return t;
}

const std::array<uint16_t, 256> kLevels = make_levels();

class AvMsvideo1Encoder final : public Msvideo1Encoder {
  public:
    AvMsvideo1Encoder(int w, int h) : width_(w), height_(h) {}
    ~AvMsvideo1Encoder() override {
        av_frame_free(&frame_);
        av_packet_free(&packet_);
        avcodec_free_context(&enc_);
    }
    Result open(int key_interval);
    Result encode(const PictureView& p, std::vector<uint8_t>* sample, bool* key) override;

  private:
    void to_rgb555(const PictureView& p);

    int width_, height_;
    AVCodecContext* enc_ = nullptr;
    AVFrame* frame_ = nullptr;
    AVPacket* packet_ = nullptr;
    int64_t pts_ = 0;
};

Result AvMsvideo1Encoder::open(int key_interval) {
    static std::once_flag quiet;
    std::call_once(quiet, [] { av_log_set_level(AV_LOG_ERROR); });
    const AVCodec* codec = avcodec_find_encoder(AV_CODEC_ID_MSVIDEO1);
    if (codec == nullptr) return result_error(kUnsupported, "this FFmpeg has no Video 1 encoder");
    enc_ = avcodec_alloc_context3(codec);
    frame_ = av_frame_alloc();
    packet_ = av_packet_alloc();
    if (enc_ == nullptr || frame_ == nullptr || packet_ == nullptr)
        return result_error(kNoMemory, "out of memory for the Video 1 encoder");
    enc_->width = msvideo1_coded_size(width_);
    enc_->height = msvideo1_coded_size(height_);
    enc_->pix_fmt = AV_PIX_FMT_RGB555;
    enc_->time_base = AVRational{1, 15};
    // The encoder makes a key frame once more than keyint_min pictures went by without one.
    enc_->keyint_min = key_interval > 1 ? key_interval - 1 : 0;
    int err = avcodec_open2(enc_, codec, nullptr);
    if (err < 0) return result_error(kFailed, "cannot start the Video 1 encoder: " + av_text(err));
    frame_->format = AV_PIX_FMT_RGB555;
    frame_->width = enc_->width;
    frame_->height = enc_->height;
    err = av_frame_get_buffer(frame_, 0);
    if (err < 0) return result_error(kNoMemory, "out of memory for a Video 1 picture");
    return result_ok();
}

void AvMsvideo1Encoder::to_rgb555(const PictureView& p) {
    const int cw = enc_->width, ch = enc_->height;
    for (int y = 0; y < ch; ++y) {
        const int sy = y < height_ ? y : height_ - 1;
        auto* d = reinterpret_cast<uint16_t*>(frame_->data[0] + ptrdiff_t(y) * frame_->linesize[0]);
        const uint8_t* s = p.pixels + ptrdiff_t(sy) * p.stride;
        if (p.format == PixelFormat::kRgb32) {
            for (int x = 0; x < width_; ++x, s += 4)
                d[x] = uint16_t(kLevels[s[2]] << 10 | kLevels[s[1]] << 5 | kLevels[s[0]]);
        } else if (p.format == PixelFormat::kRgb24) {
            for (int x = 0; x < width_; ++x, s += 3)
                d[x] = uint16_t(kLevels[s[0]] << 10 | kLevels[s[1]] << 5 | kLevels[s[2]]);
        } else {
            for (int x = 0; x < width_; ++x) {
                const uint32_t c = p.palette[s[x]];
                d[x] = uint16_t(kLevels[(c >> 16) & 0xff] << 10 | kLevels[(c >> 8) & 0xff] << 5 |
                                kLevels[c & 0xff]);
            }
        }
        for (int x = width_; x < cw; ++x) d[x] = d[width_ - 1];
    }
}

Result AvMsvideo1Encoder::encode(const PictureView& p, std::vector<uint8_t>* sample, bool* key) {
    if (p.width != width_ || p.height != height_ || !picture_valid(p))
        return result_error(kBadArgument, "picture does not fit the Video 1 stream");
    int err = av_frame_make_writable(frame_);
    if (err < 0) return result_error(kNoMemory, "out of memory for a Video 1 picture");
    to_rgb555(p);
    frame_->pts = pts_++;
    err = avcodec_send_frame(enc_, frame_);
    if (err >= 0) err = avcodec_receive_packet(enc_, packet_);
    if (err < 0) return result_error(kFailed, "cannot code a Video 1 picture: " + av_text(err));
    try {
        sample->assign(packet_->data, packet_->data + packet_->size);
    } catch (const std::bad_alloc&) {
        av_packet_unref(packet_);
        return result_error(kNoMemory, "out of memory for a Video 1 picture");
    }
    *key = (packet_->flags & AV_PKT_FLAG_KEY) != 0;
    av_packet_unref(packet_);
    return result_ok();
}

}  // namespace

bool msvideo1_available() {
    return avcodec_find_encoder(AV_CODEC_ID_MSVIDEO1) != nullptr;
}

Result Msvideo1Encoder::create(int width, int height, int key_interval,
                               std::unique_ptr<Msvideo1Encoder>* encoder) {
    encoder->reset();
    if (width <= 0 || height <= 0)
        return result_error(kBadArgument, "no picture size for the Video 1 encoder");
    try {
        auto e = std::make_unique<AvMsvideo1Encoder>(width, height);
        if (Result r = e->open(key_interval); !r.ok()) return r;
        *encoder = std::move(e);
        return result_ok();
    } catch (const std::bad_alloc&) {
        return result_error(kNoMemory, "out of memory for the Video 1 encoder");
    }
}

}  // namespace video

#else  // built without FFmpeg's libraries

namespace video {

bool msvideo1_available() {
    return false;
}

Result Msvideo1Encoder::create(int, int, int, std::unique_ptr<Msvideo1Encoder>* encoder) {
    encoder->reset();
    return result_error(kUnsupported, "this build writes no Video 1 (built without FFmpeg)");
}

}  // namespace video

#endif
