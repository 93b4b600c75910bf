// Video 1 through libavcodec: pictures become RGB555 with the nearest 5-bit level per colour
// (our own table, no dithering), then one packet per band of the picture, coded at once.
#include "video/msvideo1_encoder.h"

#if KV_HAVE_FFMPEG

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavutil/error.h>
}

#include <algorithm>
#include <array>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <new>
#include <system_error>
#include <thread>

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

// A horizontal band of the picture with an encoder of its own: Video 1 codes blocks one after
// the other from the bottom row up, so the bands' samples put together bottom band first are
// the sample of the whole picture, and the bands are coded side by side.
struct Band {
    AVCodecContext* enc = nullptr;
    AVFrame* frame = nullptr;
    AVPacket* packet = nullptr;
    int y0 = 0, rows = 0;  // coded rows, from the top
    int err = 0;
};

class AvMsvideo1Encoder final : public Msvideo1Encoder {
  public:
    AvMsvideo1Encoder(int w, int h) : width_(w), height_(h) {}
    ~AvMsvideo1Encoder() override {
        for (Band& b : bands_) {
            av_frame_free(&b.frame);
            av_packet_free(&b.packet);
            avcodec_free_context(&b.enc);
        }
    }
    Result open(int key_interval);
    Result encode(const PictureView& p, std::vector<uint8_t>* sample, bool* key) override;

  private:
    void to_rgb555(const PictureView& p, const Band& b);
    void code(Band* b, bool force_key);

    int width_, height_;
    int key_interval_ = 1;
    std::vector<Band> bands_;
    int64_t pts_ = 0;
};

Result AvMsvideo1Encoder::open(int key_interval) {
    static std::once_flag quiet;
    std::call_once(quiet, [] { av_log_set_level(AV_LOG_ERROR); });
    const AVCodec* codec = avcodec_find_encoder(AV_CODEC_ID_MSVIDEO1);
    if (codec == nullptr) return result_error(kUnsupported, "this FFmpeg has no Video 1 encoder");
    key_interval_ = key_interval > 1 ? key_interval : 1;
    const int cw = msvideo1_coded_size(width_), ch = msvideo1_coded_size(height_);
    // Bands of at least 64 rows, one for each processor (at most four).
    const unsigned cpus = std::max(1u, std::min(4u, std::thread::hardware_concurrency()));
    const int count = std::max(1, std::min(int(cpus), ch / 64));
    const int block_rows = ch / 4;
    bands_.resize(size_t(count));
    for (int i = 0; i < count; ++i) {
        Band& b = bands_[size_t(i)];
        b.y0 = 4 * (block_rows * i / count);
        b.rows = 4 * (block_rows * (i + 1) / count) - b.y0;
        b.enc = avcodec_alloc_context3(codec);
        b.frame = av_frame_alloc();
        b.packet = av_packet_alloc();
        if (b.enc == nullptr || b.frame == nullptr || b.packet == nullptr)
            return result_error(kNoMemory, "out of memory for the Video 1 encoder");
        b.enc->width = cw;
        b.enc->height = b.rows;
        b.enc->pix_fmt = AV_PIX_FMT_RGB555;
        b.enc->time_base = AVRational{1, 15};
        int err = avcodec_open2(b.enc, codec, nullptr);
        if (err < 0)
            return result_error(kFailed, "cannot start the Video 1 encoder: " + av_text(err));
        b.frame->format = AV_PIX_FMT_RGB555;
        b.frame->width = cw;
        b.frame->height = b.rows;
        err = av_frame_get_buffer(b.frame, 0);
        if (err < 0) return result_error(kNoMemory, "out of memory for a Video 1 picture");
    }
    return result_ok();
}

void AvMsvideo1Encoder::to_rgb555(const PictureView& p, const Band& b) {
    const int cw = b.enc->width;
    for (int r = 0; r < b.rows; ++r) {
        const int y = b.y0 + r;
        const int sy = y < height_ ? y : height_ - 1;
        auto* d =
            reinterpret_cast<uint16_t*>(b.frame->data[0] + ptrdiff_t(r) * b.frame->linesize[0]);
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

// The encoder makes a key frame once `keyint_min` pictures went by without one (and whenever
// no block was skipped); setting it per picture keeps every band's key frames in step.
void AvMsvideo1Encoder::code(Band* b, bool force_key) {
    b->enc->keyint_min = force_key ? 0 : INT_MAX;
    b->frame->pts = pts_;
    b->err = avcodec_send_frame(b->enc, b->frame);
    if (b->err >= 0) b->err = avcodec_receive_packet(b->enc, b->packet);
}

Result AvMsvideo1Encoder::encode(const PictureView& p, std::vector<uint8_t>* sample, bool* key) {
    if (p.width != width_ || p.height != height_ || !picture_valid(p))
        return result_error(kBadArgument, "picture does not fit the Video 1 stream");
    for (Band& b : bands_)
        if (av_frame_make_writable(b.frame) < 0)
            return result_error(kNoMemory, "out of memory for a Video 1 picture");
    const bool force_key = pts_ % key_interval_ == 0;
    std::vector<std::thread> helpers;
    try {
        for (size_t i = 1; i < bands_.size(); ++i)
            helpers.emplace_back([this, &p, i, force_key] {
                to_rgb555(p, bands_[i]);
                code(&bands_[i], force_key);
            });
    } catch (const std::system_error&) {
        // No thread to be had: the rest are coded here.
    }
    for (size_t i = helpers.size() + 1; i < bands_.size(); ++i) {
        to_rgb555(p, bands_[i]);
        code(&bands_[i], force_key);
    }
    to_rgb555(p, bands_[0]);
    code(&bands_[0], force_key);
    for (std::thread& t : helpers) t.join();
    ++pts_;

    Result r;
    size_t size = 0;
    *key = true;
    for (const Band& b : bands_) {
        if (b.err < 0 && r.ok())
            r = result_error(kFailed, "cannot code a Video 1 picture: " + av_text(b.err));
        if (b.err >= 0) size += size_t(b.packet->size);
    }
    try {
        if (r.ok()) {
            sample->clear();
            sample->reserve(size);
            // Bottom band first; each band's end code but the last is left out.
            for (size_t i = bands_.size(); i-- > 0;) {
                const AVPacket* pk = bands_[i].packet;
                const size_t n = i > 0 && pk->size >= 2 ? size_t(pk->size) - 2 : size_t(pk->size);
                sample->insert(sample->end(), pk->data, pk->data + n);
                *key = *key && (pk->flags & AV_PKT_FLAG_KEY) != 0;
            }
        }
    } catch (const std::bad_alloc&) {
        r = result_error(kNoMemory, "out of memory for a Video 1 picture");
    }
    for (Band& b : bands_)
        if (b.err >= 0) av_packet_unref(b.packet);
    return r;
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
