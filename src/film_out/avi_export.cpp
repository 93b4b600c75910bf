// The recording asks for its name and codec when it starts, not at the end: pictures go to
// the file as they come (memory stays flat), so the file has to exist from the first one.
#include "film_out/avi_export.h"

#include <algorithm>
#include <cctype>
#include <cstring>
#include <new>
#include <vector>

#include "mw31/backend.h"
#include "mw31/dialogs.h"
#include "mw31/format.h"
#include "mw31/text_services.h"
#include "video/picture_view.h"
#include "video/video_file.h"

namespace film_out {

namespace {

constexpr const char* kSaveTitle = "kurvlab    Datei speichern / Save file";

struct CodecItem {
    video::AviCodec codec;
    const char* text;
};
// The first is the preset.
constexpr CodecItem kCodecItems[] = {
    {video::AviCodec::kRle8, "RLE8 (Microsoft RLE, 8 Bit)"},
    {video::AviCodec::kRaw8, "Unkomprimiert 8 Bit / uncompressed 8-bit"},
    {video::AviCodec::kRaw24, "Unkomprimiert 24 Bit / uncompressed 24-bit"},
};

std::string lower_extension(const std::string& name) {
    const size_t slash = name.find_last_of("/\\");
    const size_t dot = name.find_last_of('.');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return "";
    std::string ext = name.substr(dot + 1);
    for (char& c : ext) c = char(std::tolower(static_cast<unsigned char>(c)));
    return ext;
}

video::Result make_writer(AviExport* rec, int width, int height) {
    video::AviOptions options;
    options.codec = rec->target.codec;
    options.width = width;
    options.height = height;
    options.rate = kAviRate;
    // A fixed name from the profile may carry any extension: it is written as AVI.
    if (video::video_container_for(rec->target.path) == video::VideoContainer::kUnknown)
        return video::avi_create(rec->target.path, options, &rec->writer);
    return video::video_create(rec->target.path, options, &rec->writer);
}

// The picture cut or padded to the video's size; padding takes the colour of the top left
// corner, which is the background.
std::vector<uint8_t> fit_picture(const std::vector<uint8_t>& rgb, int w, int h, int vw, int vh) {
    std::vector<uint8_t> out(size_t(vw) * size_t(vh) * 3);
    for (size_t i = 0; i < out.size(); i += 3) std::memcpy(&out[i], rgb.data(), 3);
    const int cw = std::min(w, vw), ch = std::min(h, vh);
    for (int y = 0; y < ch; ++y)
        std::memcpy(&out[size_t(y) * size_t(vw) * 3], &rgb[size_t(y) * size_t(w) * 3],
                    size_t(cw) * 3);
    return out;
}

}  // namespace

std::string video_name_from_dialog(const std::string& chosen) {
    const std::string ext = lower_extension(chosen);
    if (ext == "mp4" || ext == "webm" || ext == "gif") return chosen;
    std::string name = chosen;
    mw31::replace_extension(name, "avi");
    return name;
}

std::string avi_output_name() {
    if (mw31::Backend* b = mw31::backend()) {
        const std::string fixed = b->profile_get(kAviProfileSection, kAviProfileKey, "");
        if (!fixed.empty()) return fixed;
    }
    mw31::SaveFileRequest request;
    request.title = kSaveTitle;
    request.filter = kAviSaveFilter;
    request.overwrite_prompt = true;
    const std::string chosen = mw31::save_file_dialog(request);
    if (chosen.empty()) return kAviDefaultName;
    return video_name_from_dialog(chosen);
}

bool avi_choose_codec(video::AviCodec* codec) {
    std::vector<std::string> items;
    int chosen = 0;
    for (const CodecItem& item : kCodecItems) {
        if (item.codec == *codec) chosen = int(items.size());
        items.push_back(item.text);
    }
    if (!mw31::choose_item(kCompressionTitle, "Video-Kompression / Video compression:", items,
                           &chosen))
        return false;
    *codec = kCodecItems[chosen].codec;
    return true;
}

int avi_begin(AviExport* rec, const AviTarget& target) {
    rec->writer.reset();
    rec->error = video::result_ok();
    rec->pictures = 0;
    rec->active = false;
    rec->target = target;
    const video::VideoContainer container = video::video_container_for(target.path);
    if (container != video::VideoContainer::kUnknown &&
        !video::video_container_available(container)) {
        mw31::message_printf("%s\n%s: this build cannot write this format (no FFmpeg)",
                             kAviFailedMessage, target.path.c_str());
        return -1;
    }
    rec->active = true;
    return 0;
}

int avi_start(AviExport* rec) {
    AviTarget target;
    target.path = avi_output_name();
    target.codec = kCodecItems[0].codec;
    const video::VideoContainer container = video::video_container_for(target.path);
    const bool avi =
        container == video::VideoContainer::kAvi || container == video::VideoContainer::kUnknown;
    if (avi && !avi_choose_codec(&target.codec)) return 1;
    return avi_begin(rec, target);
}

namespace {

// The writer is made for the size of the first picture.
int add_to_writer(AviExport* rec, const video::PictureView& view) {
    if (!rec->writer) {
        rec->error = make_writer(rec, view.width, view.height);
        if (!rec->error.ok()) return 1;
        rec->width = view.width;
        rec->height = view.height;
    }
    const video::Result r = rec->writer->add_picture(view);
    if (!r.ok()) {
        rec->error = r;
        return 1;
    }
    ++rec->pictures;
    return 0;
}

}  // namespace

int avi_add_picture(AviExport* rec, const mw31::Picture& picture) {
    if (!rec->active || !rec->error.ok()) return 1;
    try {
        const int w = picture.width(), h = picture.height();
        ptrdiff_t stride = 0;
        const uint32_t* pixels = picture.rgb32_pixels(&stride);
        // The usual case: the window's own picture, read where it lies.
        if (pixels && w > 0 && h > 0 && (!rec->writer || (w == rec->width && h == rec->height)))
            return add_to_writer(rec, video::rgb32_picture(pixels, w, h, stride));
        std::vector<uint8_t> rgb = picture.rgb_rows();
        if (w <= 0 || h <= 0 || rgb.size() < size_t(w) * size_t(h) * 3) {
            rec->error = video::result_error(video::kBadArgument, "a picture could not be read");
            return 1;
        }
        if (rec->writer && (w != rec->width || h != rec->height))
            rgb = fit_picture(rgb, w, h, rec->width, rec->height);
        const int fw = rec->writer ? rec->width : w, fh = rec->writer ? rec->height : h;
        return add_to_writer(rec, video::rgb24_picture(rgb.data(), fw, fh, ptrdiff_t(fw) * 3));
    } catch (const std::bad_alloc&) {
        rec->error = video::result_error(video::kNoMemory, "out of memory");
        return 1;
    }
}

int avi_finish(AviExport* rec) {
    if (!rec->active) return -1;
    rec->active = false;
    video::Result r = rec->error;
    if (r.ok() && !rec->writer)
        r = video::result_error(video::kFailed, "no pictures were recorded");
    if (r.ok()) r = rec->writer->finish();
    if (!r.ok() && rec->writer) rec->writer->cancel();
    rec->writer.reset();
    if (!r.ok()) {
        mw31::message_printf("%s\n%s: %s", kAviFailedMessage, rec->target.path.c_str(),
                             r.message.c_str());
        return -1;
    }
    return 0;
}

}  // namespace film_out
