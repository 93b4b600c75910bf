// FFmpeg-backed writer: pictures become BGRA, then YUV (H.264, VP9) or 8-bit with our own
// colour table (GIF); the muxer writes through a custom I/O context into an OutputFile.
#include "video/ffmpeg_writer.h"

#if KV_HAVE_FFMPEG

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/imgutils.h>
#include <libavutil/opt.h>
#include <libswscale/swscale.h>
}

#include <cerrno>
#include <cstring>
#include <mutex>
#include <vector>

#include "video/output_file.h"
#include "video/palette.h"

namespace video {

namespace {

std::string av_error_text(int err) {
    char buf[AV_ERROR_MAX_STRING_SIZE] = {};
    av_strerror(err, buf, sizeof buf);
    return buf;
}

// Encoders by preference; Debian's libavcodec has libx264 and libvpx.
const AVCodec* find_encoder(VideoContainer c) {
    const char* names[3] = {nullptr, nullptr, nullptr};
    AVCodecID ids[2] = {AV_CODEC_ID_NONE, AV_CODEC_ID_NONE};
    switch (c) {
        case VideoContainer::kMp4:
            names[0] = "libx264";
            ids[0] = AV_CODEC_ID_H264;
            ids[1] = AV_CODEC_ID_MPEG4;
            break;
        case VideoContainer::kWebm:
            names[0] = "libvpx-vp9";
            ids[0] = AV_CODEC_ID_VP9;
            names[1] = "libvpx";
            break;
        case VideoContainer::kGif:
            ids[0] = AV_CODEC_ID_GIF;
            break;
        default:
            return nullptr;
    }
    for (const char* n : names)
        if (n != nullptr)
            if (const AVCodec* codec = avcodec_find_encoder_by_name(n)) return codec;
    for (AVCodecID id : ids)
        if (id != AV_CODEC_ID_NONE)
            if (const AVCodec* codec = avcodec_find_encoder(id)) return codec;
    return nullptr;
}

class FfmpegWriter final : public VideoWriter {
  public:
    FfmpegWriter(VideoContainer c, int w, int h) : container_(c), width_(w), height_(h) {}
    ~FfmpegWriter() override {
        release();
        file_.discard();
    }

    Result open(const std::string& path, int rate, int scale);
    Result add_picture(const PictureView& picture) override;
    Result finish() override;
    void cancel() override;
    int picture_count() const override { return pictures_; }

  private:
    static int write_cb(void* opaque, uint8_t* buf, int size);
    static int64_t seek_cb(void* opaque, int64_t offset, int whence);
    Result fail(const std::string& what, int err);
    Result encode(AVFrame* frame);
    void to_bgra(const PictureView& p);
    void release();

    VideoContainer container_;
    int width_, height_;                  // of the pictures
    int enc_width_ = 0, enc_height_ = 0;  // coded: made even for 4:2:0 codecs
    int pictures_ = 0;
    bool done_ = false;
    bool header_written_ = false;  // and no trailer yet
    Result error_;
    OutputFile file_;
    uint64_t io_pos_ = 0;
    AVFormatContext* fmt_ = nullptr;
    AVIOContext* io_ = nullptr;
    AVCodecContext* enc_ = nullptr;
    AVStream* stream_ = nullptr;
    AVFrame* frame_ = nullptr;
    AVPacket* packet_ = nullptr;
    SwsContext* sws_ = nullptr;
    std::vector<uint8_t> bgra_;
    PaletteMapper mapper_;
};

// The muxer seeks back to fill in sizes; bytes before the end are patched, the rest appended.
int FfmpegWriter::write_cb(void* opaque, uint8_t* buf, int size) {
    auto* self = static_cast<FfmpegWriter*>(opaque);
    OutputFile& f = self->file_;
    uint64_t pos = self->io_pos_;
    size_t n = size_t(size);
    Result r;
    if (pos > f.position()) {
        std::vector<uint8_t> gap(size_t(pos - f.position()), 0);
        r = f.write(gap.data(), gap.size());
    }
    if (r.ok() && pos < f.position()) {
        size_t inside = size_t(std::min<uint64_t>(n, f.position() - pos));
        r = f.patch(pos, buf, inside);
        buf += inside;
        pos += inside;
        n -= inside;
    }
    if (r.ok() && n > 0) r = f.write(buf, n);
    if (!r.ok()) return AVERROR(EIO);
    self->io_pos_ += uint64_t(size);
    return size;
}

int64_t FfmpegWriter::seek_cb(void* opaque, int64_t offset, int whence) {
    auto* self = static_cast<FfmpegWriter*>(opaque);
    uint64_t end = self->file_.position();
    switch (whence & ~AVSEEK_FORCE) {
        case AVSEEK_SIZE:
            return int64_t(end);
        case SEEK_SET:
            self->io_pos_ = uint64_t(offset);
            break;
        case SEEK_CUR:
            self->io_pos_ = uint64_t(int64_t(self->io_pos_) + offset);
            break;
        case SEEK_END:
            self->io_pos_ = uint64_t(int64_t(end) + offset);
            break;
        default:
            return AVERROR(EINVAL);
    }
    return int64_t(self->io_pos_);
}

// The output file's own reason (disk full, ...) when it has one, else FFmpeg's.
Result FfmpegWriter::fail(const std::string& what, int err) {
    if (error_.ok()) {
        if (!file_.error().ok())
            error_ = file_.error();
        else
            error_ = result_error(kWriteFailed, what + ": " + av_error_text(err));
    }
    release();
    file_.discard();
    return error_;
}

void FfmpegWriter::release() {
    // Some muxers (GIF) free their state only when the trailer is written; the bytes go to
    // the temporary file, which is dropped anyway.
    if (header_written_) av_write_trailer(fmt_);
    header_written_ = false;
    if (sws_ != nullptr) sws_freeContext(sws_);
    sws_ = nullptr;
    av_frame_free(&frame_);
    av_packet_free(&packet_);
    avcodec_free_context(&enc_);
    if (fmt_ != nullptr) avformat_free_context(fmt_);
    fmt_ = nullptr;
    if (io_ != nullptr) {
        av_freep(&io_->buffer);
        avio_context_free(&io_);
    }
}

Result FfmpegWriter::open(const std::string& path, int rate, int scale) {
    static std::once_flag quiet;
    std::call_once(quiet, [] { av_log_set_level(AV_LOG_ERROR); });  // no encoder statistics
    const AVCodec* codec = find_encoder(container_);
    if (codec == nullptr)
        return result_error(kUnsupported, "no encoder for " + path + " in this FFmpeg");
    const bool yuv420 = codec->id != AV_CODEC_ID_GIF;
    enc_width_ = yuv420 && codec->id != AV_CODEC_ID_VP9 ? (width_ + 1) & ~1 : width_;
    enc_height_ = yuv420 && codec->id != AV_CODEC_ID_VP9 ? (height_ + 1) & ~1 : height_;
    const char* format = container_ == VideoContainer::kMp4    ? "mp4"
                         : container_ == VideoContainer::kWebm ? "webm"
                                                               : "gif";

    if (Result r = file_.open(path); !r.ok()) return r;
    const std::string what = "cannot write " + path;
    int err = avformat_alloc_output_context2(&fmt_, nullptr, format, nullptr);
    if (err < 0 || fmt_ == nullptr) return fail(what, err);
    const int io_size = 1 << 16;
    auto* io_buffer = static_cast<uint8_t*>(av_malloc(io_size));
    if (io_buffer == nullptr) return fail(what, AVERROR(ENOMEM));
    io_ = avio_alloc_context(io_buffer, io_size, 1, this, nullptr, write_cb, seek_cb);
    if (io_ == nullptr) {
        av_free(io_buffer);
        return fail(what, AVERROR(ENOMEM));
    }
    fmt_->pb = io_;
    fmt_->flags |= AVFMT_FLAG_CUSTOM_IO;

    enc_ = avcodec_alloc_context3(codec);
    stream_ = avformat_new_stream(fmt_, nullptr);
    frame_ = av_frame_alloc();
    packet_ = av_packet_alloc();
    if (enc_ == nullptr || stream_ == nullptr || frame_ == nullptr || packet_ == nullptr)
        return fail(what, AVERROR(ENOMEM));
    enc_->width = enc_width_;
    enc_->height = enc_height_;
    enc_->time_base = AVRational{scale, rate};
    enc_->framerate = AVRational{rate, scale};
    enc_->pix_fmt = yuv420 ? AV_PIX_FMT_YUV420P : AV_PIX_FMT_PAL8;
    enc_->gop_size = yuv420 ? 2 * rate / scale + 1 : 0;
    if (fmt_->oformat->flags & AVFMT_GLOBALHEADER) enc_->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
    // Sharp lines on flat ground: quality-driven rates, fast enough to record while playing.
    if (std::strcmp(codec->name, "libx264") == 0) {
        av_opt_set(enc_->priv_data, "preset", "veryfast", 0);
        av_opt_set(enc_->priv_data, "crf", "18", 0);
    } else if (std::strncmp(codec->name, "libvpx", 6) == 0) {
        av_opt_set(enc_->priv_data, "deadline", "realtime", 0);
        av_opt_set(enc_->priv_data, "cpu-used", "8", 0);
        av_opt_set(enc_->priv_data, "crf", "24", 0);
        enc_->bit_rate = 0;
    }
    err = avcodec_open2(enc_, codec, nullptr);
    if (err < 0) return fail("cannot start the encoder " + std::string(codec->name), err);
    err = avcodec_parameters_from_context(stream_->codecpar, enc_);
    if (err < 0) return fail(what, err);
    stream_->time_base = enc_->time_base;
    stream_->avg_frame_rate = enc_->framerate;
    err = avformat_write_header(fmt_, nullptr);
    if (err < 0) return fail(what, err);
    header_written_ = true;

    frame_->format = enc_->pix_fmt;
    frame_->width = enc_width_;
    frame_->height = enc_height_;
    err = av_frame_get_buffer(frame_, 0);
    if (err < 0) return fail(what, err);
    if (yuv420) {
        sws_ = sws_getContext(enc_width_, enc_height_, AV_PIX_FMT_BGRA, enc_width_, enc_height_,
                              AV_PIX_FMT_YUV420P, SWS_BILINEAR | SWS_ACCURATE_RND, nullptr, nullptr,
                              nullptr);
        if (sws_ == nullptr) return fail(what, AVERROR(ENOMEM));
    }
    try {
        bgra_.resize(size_t(enc_width_) * size_t(enc_height_) * 4);
    } catch (const std::bad_alloc&) {
        return fail(what, AVERROR(ENOMEM));
    }
    return result_ok();
}

// Into bgra_ at the coded size; extra columns and rows repeat the picture's last ones.
void FfmpegWriter::to_bgra(const PictureView& p) {
    for (int y = 0; y < enc_height_; ++y) {
        int sy = y < height_ ? y : height_ - 1;
        uint8_t* d = bgra_.data() + size_t(y) * size_t(enc_width_) * 4;
        for (int x = 0; x < enc_width_; ++x) {
            uint32_t c = picture_colour(p, x < width_ ? x : width_ - 1, sy);
            d[4 * x] = uint8_t(c);
            d[4 * x + 1] = uint8_t(c >> 8);
            d[4 * x + 2] = uint8_t(c >> 16);
            d[4 * x + 3] = 0xff;
        }
    }
}

Result FfmpegWriter::encode(AVFrame* frame) {
    int err = avcodec_send_frame(enc_, frame);
    if (err < 0) return fail("cannot encode picture " + std::to_string(pictures_ + 1), err);
    while (true) {
        err = avcodec_receive_packet(enc_, packet_);
        if (err == AVERROR(EAGAIN) || err == AVERROR_EOF) return result_ok();
        if (err < 0) return fail("cannot encode picture " + std::to_string(pictures_ + 1), err);
        av_packet_rescale_ts(packet_, enc_->time_base, stream_->time_base);
        packet_->stream_index = stream_->index;
        err = av_interleaved_write_frame(fmt_, packet_);
        if (err < 0) return fail("cannot write the video", err);
    }
}

Result FfmpegWriter::add_picture(const PictureView& p) {
    if (!error_.ok()) return error_;
    if (done_ || fmt_ == nullptr) return result_error(kFailed, "the video file is not open");
    if (!picture_valid(p))
        return result_error(kBadArgument,
                            "picture " + std::to_string(pictures_ + 1) + " is not valid");
    if (p.width != width_ || p.height != height_)
        return result_error(kBadArgument, "picture " + std::to_string(pictures_ + 1) + " is " +
                                              std::to_string(p.width) + " x " +
                                              std::to_string(p.height) + ", the video " +
                                              std::to_string(width_) + " x " +
                                              std::to_string(height_));
    int err = av_frame_make_writable(frame_);
    if (err < 0) return fail("cannot encode", err);
    if (enc_->pix_fmt == AV_PIX_FMT_PAL8) {
        // GIF: our colour table, exact while the video has at most 256 colours.
        if (pictures_ == 0) {
            mapper_.map(p, frame_->data[0], frame_->linesize[0]);
            if (mapper_.approximated()) mapper_.reset_fixed();
        }
        mapper_.map(p, frame_->data[0], frame_->linesize[0]);
        auto* pal = reinterpret_cast<uint32_t*>(frame_->data[1]);
        for (int i = 0; i < 256; ++i) pal[i] = 0xff000000u | mapper_.palette()[i];
    } else {
        to_bgra(p);
        const uint8_t* src[1] = {bgra_.data()};
        const int stride[1] = {enc_width_ * 4};
        sws_scale(sws_, src, stride, 0, enc_height_, frame_->data, frame_->linesize);
    }
    frame_->pts = pictures_;
    if (Result r = encode(frame_); !r.ok()) return r;
    ++pictures_;
    return result_ok();
}

Result FfmpegWriter::finish() {
    if (!error_.ok()) return error_;
    if (done_ || fmt_ == nullptr) return result_error(kFailed, "the video file is not open");
    done_ = true;
    if (Result r = encode(nullptr); !r.ok()) return r;
    header_written_ = false;
    int err = av_write_trailer(fmt_);
    if (err < 0) return fail("cannot complete the video", err);
    avio_flush(io_);
    if (io_->error < 0) return fail("cannot complete the video", io_->error);
    release();
    if (Result r = file_.commit(); !r.ok()) {
        error_ = r;
        return r;
    }
    return result_ok();
}

void FfmpegWriter::cancel() {
    release();
    file_.discard();
    if (!done_ && error_.ok()) error_ = result_error(kCancelled, "the video was cancelled");
    done_ = true;
}

}  // namespace

bool ffmpeg_available() {
    return true;
}

Result ffmpeg_create(const std::string& path, VideoContainer container, int width, int height,
                     int rate, int scale, std::unique_ptr<VideoWriter>* writer) {
    writer->reset();
    if (width <= 0 || height <= 0 || width > 16384 || height > 16384)
        return result_error(kBadArgument, "picture size " + std::to_string(width) + " x " +
                                              std::to_string(height) + " not possible");
    if (rate <= 0 || scale <= 0) return result_error(kBadArgument, "frame rate not positive");
    if (container != VideoContainer::kMp4 && container != VideoContainer::kWebm &&
        container != VideoContainer::kGif)
        return result_error(kUnsupported, "FFmpeg writes .mp4, .webm and .gif only");
    try {
        auto w = std::make_unique<FfmpegWriter>(container, width, height);
        if (Result r = w->open(path, rate, scale); !r.ok()) return r;
        *writer = std::move(w);
        return result_ok();
    } catch (const std::bad_alloc&) {
        return result_error(kNoMemory, "out of memory");
    }
}

}  // namespace video

#else  // built without FFmpeg's libraries

namespace video {

bool ffmpeg_available() {
    return false;
}

Result ffmpeg_create(const std::string& path, VideoContainer, int, int, int, int,
                     std::unique_ptr<VideoWriter>* writer) {
    writer->reset();
    return result_error(kUnsupported, "this build writes no " + path.substr(path.rfind('.') + 1) +
                                          " videos (built without FFmpeg)");
}

}  // namespace video

#endif
