// The name and codec are asked for before the first picture: pictures go to the file as they
// are captured (memory stays flat), so the file has to exist from the first one on. The
// platform's video interface here is our own writer, which has no version to be too old.
#include "gl3d/viewer_recording.h"

#include <cmath>
#include <memory>
#include <new>
#include <utility>

#include "gl3d/viewer_window.h"
#include "mw31/dialogs.h"
#include "mw31/format.h"
#include "mw31/message_queue.h"
#include "video/picture_view.h"
#include "video/pipelined_writer.h"
#include "video/video_file.h"

namespace gl3d {

namespace {

constexpr const char* kSaveTitle = "kurvlab    Datei speichern / Save file";

struct CodecItem {
    video::AviCodec codec;
    const char* text;
};
// The first is the preset.
constexpr CodecItem kCodecItems[] = {
    {video::AviCodec::kMsvc, "Microsoft Video 1 (msvc)"},
    {video::AviCodec::kRaw24, "Unkomprimiert 24 Bit / uncompressed 24-bit"},
};

// The picture at another size, each pixel taken from the nearest source pixel.
void scale_rows(const std::vector<uint8_t>& in, int w, int h, int to_w, int to_h,
                std::vector<uint8_t>* out) {
    out->resize(size_t(to_w) * size_t(to_h) * 3);
    for (int y = 0; y < to_h; ++y) {
        const uint8_t* s = in.data() + size_t(int64_t(y) * h / to_h) * size_t(w) * 3;
        uint8_t* d = out->data() + size_t(y) * size_t(to_w) * 3;
        for (int x = 0; x < to_w; ++x, d += 3) {
            const uint8_t* p = s + size_t(int64_t(x) * w / to_w) * 3;
            d[0] = p[0];
            d[1] = p[1];
            d[2] = p[2];
        }
    }
}

// The window's own GL surface: redraw as the timer would, and read what the screen shows.
class WindowSurface final : public RecordingSurface {
  public:
    explicit WindowSurface(Viewer* v) : v_(v) {}
    void draw(const Playback&) override { redraw(v_); }
    // What the last swap put on the screen; the -x factor may ask for more pixels than the
    // screen has (or fewer than a high-density screen shows).
    bool capture(int width, int height, std::vector<uint8_t>* rgb_rows) override {
        if (!v_->window) return false;
        try {
            int w = 0, h = 0;
            std::vector<uint8_t> shown = v_->window->take_swapped_picture(&w, &h);
            if (w <= 0 || h <= 0 || shown.size() != size_t(w) * size_t(h) * 3) return false;
            if (w == width && h == height)
                rgb_rows->swap(shown);
            else
                scale_rows(shown, w, h, width, height, rgb_rows);
            return true;
        } catch (const std::bad_alloc&) {
            return false;
        }
    }

  private:
    Viewer* v_;
};

video::Result make_writer(const RecordTarget& target, int width, int height,
                          std::unique_ptr<video::VideoWriter>* writer) {
    video::AviOptions o;
    o.codec = target.codec;
    o.width = width;
    o.height = height;
    o.rate = kRecordRate;
    std::unique_ptr<video::VideoWriter> file;
    const video::Result r = recording_is_avi(target.path)
                                ? video::avi_create(target.path, o, &file)
                                : video::video_create(target.path, o, &file);
    // The next picture is drawn while the last one is coded and written.
    if (r.ok()) *writer = video::pipelined_writer(std::move(file), width, height);
    return r;
}

}  // namespace

RecordingOptions& recording_options() {
    static RecordingOptions options;
    return options;
}

CaptureArea capture_area(int client_width, int client_height, double factor) {
    const double f = factor >= 1.0 && factor < 64.0 ? factor : 1.0;
    CaptureArea a;
    a.width = std::max(1, int(std::trunc(client_width * f)));
    a.height = std::max(1, int(std::trunc(client_height * f)));
    return a;
}

std::string recording_name_from_dialog(const std::string& chosen) {
    if (chosen.empty()) return kRecordDefaultName;
    const size_t slash = chosen.find_last_of("/\\");
    const size_t dot = chosen.find_last_of('.');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash))
        return chosen + ".avi";
    return chosen;
}

std::string ask_recording_name() {
    mw31::SaveFileRequest request;
    request.title = kSaveTitle;
    request.filter = kRecordSaveFilter;
    request.overwrite_prompt = true;
    const std::string name = recording_name_from_dialog(mw31::save_file_dialog(request));
    mw31::message_printf("%s", name.c_str());
    return name;
}

bool recording_is_avi(const std::string& path) {
    const video::VideoContainer c = video::video_container_for(path);
    return c == video::VideoContainer::kAvi || c == video::VideoContainer::kUnknown;
}

bool choose_recording_codec(video::AviCodec* codec) {
    std::vector<std::string> items;
    int chosen = 0;
    for (const CodecItem& item : kCodecItems) {
        if (item.codec == *codec) chosen = int(items.size());
        items.push_back(item.text);
    }
    if (!mw31::choose_item(kRecordCompressionTitle, "Video-Kompression / Video compression:", items,
                           &chosen))
        return false;
    *codec = kCodecItems[chosen].codec;
    return true;
}

std::vector<int> recording_frames(const Playback& playback) {
    Playback p = playback;
    p.frame = p.count - 1;
    p.direction = 1;
    std::vector<int> frames;
    const int step = playback_step(p);
    for (int i = 0; i < p.count; i += step) {
        step_frame(&p);
        frames.push_back(p.frame);
    }
    return frames;
}

int record_pass(Playback* p, RecordingSurface* surface, const RecordTarget& target, int width,
                int height) {
    const Playback saved = *p;
    p->frame = p->count - 1;
    p->stopped = false;
    p->single_step = false;
    p->direction = 1;
    const int step = playback_step(*p);
    surface->draw(*p);

    std::unique_ptr<video::VideoWriter> writer;
    video::Result r = make_writer(target, width, height, &writer);
    int pictures = 0;
    std::vector<uint8_t> shown, next;
    for (int i = 0; r.ok() && i < p->count; i += step) {
        step_frame(p);
        surface->draw(*p);
        if (surface->capture(width, height, &next))
            shown.swap(next);
        else if (shown.empty())
            r = video::result_error(video::kNoMemory, "the picture could not be captured");
        if (r.ok())
            r = writer->add_picture(
                video::rgb24_picture(shown.data(), width, height, ptrdiff_t(width) * 3));
        if (r.ok()) ++pictures;
    }
    if (r.ok()) r = writer->finish();
    if (!r.ok() && writer) writer->cancel();

    p->speed = saved.speed;
    p->stopped = saved.stopped;
    p->single_step = saved.single_step;
    p->direction = saved.direction;
    if (!r.ok()) {
        mw31::message_printf("%s\n%s: %s", kRecordFailedMessage, target.path.c_str(),
                             r.message.c_str());
        return -1;
    }
    return pictures;
}

std::vector<ToolbarButton> toolbar_after_recording(const Playback& playback, bool with_info) {
    std::vector<ToolbarButton> bar = load_toolbar(with_info);
    ToolbarButton stop;
    stop.id = playback.stopped ? kButtonGo : kButtonStop;
    stop.bitmap = playback.stopped ? "anm_go" : "anm_stop";
    bar.insert(bar.begin() + 2, stop);
    if (playback.single_step) swap_button(&bar, kButtonSingle, kButtonDoubleStep, "anm_dlf");
    return bar;
}

mw31::Rect quick_recording_rect(const mw31::Rect& window) {
    const int h = std::max(1, window.height());
    const int w = std::max(1, int(int64_t(window.width()) * 200 / h));
    return mw31::Rect{100, 100, 100 + w, 300};
}

double quick_recording_speed(int frame_count) {
    return std::max(1, frame_count / 120);
}

int record_viewer(Viewer* v) {
    if (!v->window || !v->alive || !v->scene) return -1;
    const mw31::Rect c = v->window->client_rect();
    const CaptureArea area = capture_area(c.width(), c.height(), recording_options().factor);
    v->window->kill_timer(kPlayTimer);

    RecordTarget target;
    target.path = ask_recording_name();
    int result = 0;
    if (!recording_is_avi(target.path) || choose_recording_codec(&target.codec)) {
        WindowSurface surface(v);
        v->window->keep_swapped_pictures(true);
        result = record_pass(&v->playback, &surface, target, area.width, area.height);
        if (v->window) v->window->keep_swapped_pictures(false);
    }
    if (!v->alive || !v->window) return result;
    v->toolbar = toolbar_after_recording(v->playback, v->scene->info_text_present);
    redraw(v);
    if (v->playback.running) v->window->set_timer(kPlayTimer, timer_period_ms(v->playback.speed));
    return result;
}

int record_viewer_quick(Viewer* v) {
    if (!v->window || !v->alive) return -1;
    const mw31::Rect before = v->window->window_rect();
    const double speed = v->playback.speed;
    v->window->move_resize(quick_recording_rect(before));
    mw31::service_messages();  // the surface takes its new size
    v->playback.speed = quick_recording_speed(v->playback.count);
    const int result = record_viewer(v);
    v->playback.speed = speed;
    if (!v->alive || !v->window) return result;
    v->window->move_resize(before);
    mw31::service_messages();
    redraw(v);
    if (v->playback.running) v->window->set_timer(kPlayTimer, timer_period_ms(speed));
    return result;
}

}  // namespace gl3d
