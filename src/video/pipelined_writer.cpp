#include "video/pipelined_writer.h"

#include <condition_variable>
#include <cstring>
#include <mutex>
#include <new>
#include <string>
#include <system_error>
#include <thread>
#include <vector>

namespace video {

namespace {

// A picture copied out of the caller's memory, rows packed. It may be swapped with another:
// picture() points into wherever its buffers are now.
struct OwnedPicture {
    std::vector<uint8_t> pixels;
    Palette palette{};
    PictureView view;

    PictureView picture() const {
        PictureView p = view;
        p.pixels = pixels.data();
        if (p.format == PixelFormat::kIndexed8) p.palette = palette.data();
        return p;
    }

    void copy(const PictureView& p) {
        const size_t bpp = p.format == PixelFormat::kIndexed8 ? 1
                           : p.format == PixelFormat::kRgb24  ? 3
                                                              : 4;
        const size_t row = bpp * size_t(p.width);
        pixels.resize(row * size_t(p.height));
        for (int y = 0; y < p.height; ++y)
            std::memcpy(pixels.data() + row * size_t(y), p.pixels + ptrdiff_t(y) * p.stride, row);
        view = p;
        view.stride = ptrdiff_t(row);
        if (p.format == PixelFormat::kIndexed8)
            std::memcpy(palette.data(), p.palette, sizeof palette);
    }
};

class PipelinedWriter final : public VideoWriter {
  public:
    PipelinedWriter(std::unique_ptr<VideoWriter> inner, int width, int height)
        : inner_(std::move(inner)), width_(width), height_(height) {
        try {
            worker_ = std::thread([this] { work(); });
            threaded_ = true;
        } catch (const std::system_error&) {
            // No thread to be had: every picture is written at once instead.
        }
    }
    ~PipelinedWriter() override { stop(false); }  // the inner writer drops an unfinished file

    Result add_picture(const PictureView& p) override {
        // Refused here, not by the inner writer, which the worker may be using.
        const std::string number = std::to_string(accepted_ + 1);
        if (!picture_valid(p))
            return result_error(kBadArgument, "picture " + number + " is not valid");
        if (p.width != width_ || p.height != height_)
            return result_error(kBadArgument,
                                "picture " + number + " is " + std::to_string(p.width) + " x " +
                                    std::to_string(p.height) + ", the video " +
                                    std::to_string(width_) + " x " + std::to_string(height_));
        std::unique_lock<std::mutex> lock(mutex_);
        changed_.wait(lock, [this] { return !waiting_ || !error_.ok(); });
        if (!error_.ok()) return error_;
        if (!worker_.joinable()) {  // no worker (any longer): nothing else uses the writer
            lock.unlock();
            return inner_->add_picture(p);
        }
        try {
            queued_.copy(p);
        } catch (const std::bad_alloc&) {
            error_ = result_error(kNoMemory, "out of memory while writing the video");
            return error_;
        }
        waiting_ = true;
        ++accepted_;
        changed_.notify_all();
        return result_ok();
    }

    Result finish() override {
        stop(true);
        if (!error_.ok()) {
            inner_->cancel();
            return error_;
        }
        return inner_->finish();
    }

    void cancel() override {
        stop(false);
        inner_->cancel();
    }

    int picture_count() const override {
        if (!threaded_) return inner_->picture_count();
        std::lock_guard<std::mutex> lock(mutex_);
        return written_;
    }

  private:
    void work() {
        std::unique_lock<std::mutex> lock(mutex_);
        for (;;) {
            changed_.wait(lock, [this] { return waiting_ || stopping_; });
            if (!waiting_ || (stopping_ && !drain_)) break;
            std::swap(queued_, coding_);
            waiting_ = false;
            changed_.notify_all();
            lock.unlock();
            Result r = inner_->add_picture(coding_.picture());
            lock.lock();
            if (r.ok()) {
                ++written_;
            } else {
                if (error_.ok()) error_ = r;
                changed_.notify_all();
                break;
            }
        }
        waiting_ = false;
    }

    // Ends the worker; with `drain` the picture still waiting is written first.
    void stop(bool drain) {
        {
            std::lock_guard<std::mutex> lock(mutex_);
            stopping_ = true;
            drain_ = drain;
        }
        changed_.notify_all();
        if (worker_.joinable()) worker_.join();
    }

    std::unique_ptr<VideoWriter> inner_;
    const int width_, height_;
    mutable std::mutex mutex_;
    std::condition_variable changed_;
    OwnedPicture queued_, coding_;
    bool waiting_ = false;   // queued_ holds a picture the worker has not taken
    bool stopping_ = false;  // no more pictures come
    bool drain_ = false;
    int written_ = 0;   // pictures the inner writer took
    int accepted_ = 0;  // pictures handed over (only the caller's thread counts them)
    Result error_;
    bool threaded_ = false;  // the worker was started
    std::thread worker_;
};

}  // namespace

std::unique_ptr<VideoWriter> pipelined_writer(std::unique_ptr<VideoWriter> inner, int width,
                                              int height) {
    return std::make_unique<PipelinedWriter>(std::move(inner), width, height);
}

}  // namespace video
