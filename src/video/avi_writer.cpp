// RIFF AVI writer: headers with room for what is only known at the end, a 'movi' list that
// grows picture by picture, 'idx1' at the end, and AVI 2.0 parts ('AVIX') past the limit.
#include "video/avi_writer.h"

#include <cstdio>
#include <cstring>
#include <new>
#include <vector>

#include "video/msvideo1_encoder.h"
#include "video/output_file.h"
#include "video/palette.h"
#include "video/rle8.h"

namespace video {

namespace {

constexpr uint32_t fourcc(const char (&s)[5]) {
    return uint32_t(uint8_t(s[0])) | uint32_t(uint8_t(s[1])) << 8 | uint32_t(uint8_t(s[2])) << 16 |
           uint32_t(uint8_t(s[3])) << 24;
}

constexpr uint32_t kAvifHasIndex = 0x10;
constexpr uint32_t kAvifIsInterleaved = 0x100;
constexpr uint32_t kAvifTrustCkType = 0x800;
constexpr uint32_t kAviifKeyframe = 0x10;
constexpr int kCaptionStep = 4;        // caption samples per picture (60 / 15)
constexpr int kSuperIndexHeader = 24;  // 'indx' contents before its entries
constexpr int kStdIndexHeader = 24;    // 'ix##' contents before its entries
constexpr uint32_t kDmlhSize = 248;

// Little-endian bytes with chunk sizes filled in when the chunk is closed.
struct Bytes {
    std::vector<uint8_t> b;

    void u8(uint32_t v) { b.push_back(uint8_t(v)); }
    void u16(uint32_t v) {
        u8(v);
        u8(v >> 8);
    }
    void u32(uint32_t v) {
        u16(v);
        u16(v >> 16);
    }
    void u64(uint64_t v) {
        u32(uint32_t(v));
        u32(uint32_t(v >> 32));
    }
    void zeros(size_t n) { b.insert(b.end(), n, 0); }
    // Returns where the chunk starts; its size is set by end().
    size_t begin(uint32_t id) {
        size_t at = b.size();
        u32(id);
        u32(0);
        return at;
    }
    size_t begin_list(uint32_t list, uint32_t type) {
        size_t at = begin(list);
        u32(type);
        return at;
    }
    void end(size_t at) {
        if (b.size() & 1) b.push_back(0);
        put32(at + 4, uint32_t(b.size() - at - 8));
    }
    void put32(size_t at, uint32_t v) {
        for (int i = 0; i < 4; ++i) b[at + i] = uint8_t(v >> (8 * i));
    }
};

void store32(uint8_t* p, uint32_t v) {
    for (int i = 0; i < 4; ++i) p[i] = uint8_t(v >> (8 * i));
}

struct ChunkEntry {
    uint64_t offset;  // of the chunk header in the file
    uint32_t size;    // of the data
    uint8_t stream;
    bool key;
};

struct SuperEntry {
    uint64_t offset;  // of the 'ix##' chunk
    uint32_t size;    // of that chunk with its header
    uint32_t duration;
};

struct Part {
    uint64_t riff = 0;  // offset of 'RIFF'
    uint64_t movi = 0;  // offset of the 'movi' list's 'LIST'
    std::vector<ChunkEntry> chunks;
    uint32_t per_stream[2] = {0, 0};
};

class AviWriter final : public VideoWriter {
  public:
    explicit AviWriter(const AviOptions& o) : opt_(o) {}
    ~AviWriter() override { cancel(); }

    Result open(const std::string& path);
    Result add_picture(const PictureView& picture) override;
    Result finish() override;
    void cancel() override;
    int picture_count() const override { return pictures_; }

  private:
    int streams() const { return opt_.captions ? 2 : 1; }
    bool eight_bit() const {
        return opt_.codec == AviCodec::kRaw8 || opt_.codec == AviCodec::kRle8;
    }
    bool compressed() const {
        return opt_.codec == AviCodec::kRle8 || opt_.codec == AviCodec::kMsvc;
    }
    uint32_t video_id() const { return compressed() ? fourcc("00dc") : fourcc("00db"); }
    Result fail(Result r) {
        if (error_.ok()) error_ = r;
        file_.discard();
        return error_;
    }
    Result convert(const PictureView& picture, size_t* size, bool* key);
    uint64_t index_cost(const Part& part, size_t more_chunks) const;
    Result make_room(uint64_t bytes, size_t chunks);
    Result write_chunk(uint32_t id, int stream, const void* data, uint32_t size, bool key = true);
    Result close_part(bool with_part_indexes);
    Result start_part();
    Result write_palette();
    Result patch32(uint64_t at, uint32_t v) { return file_.patch(at, &v, 4); }

    AviOptions opt_;
    OutputFile file_;
    Result error_;
    bool done_ = false;
    int pictures_ = 0;
    int vw_ = 0, vh_ = 0;  // of the stream: Video 1 rounds the picture's up
    std::unique_ptr<Msvideo1Encoder> msvc_;
    uint32_t row_bytes_ = 0;
    uint32_t image_size_ = 0;
    uint32_t max_video_chunk_ = 0;
    uint32_t first_part_pictures_ = 0;
    PaletteMapper mapper_;
    std::vector<uint8_t> indices_;
    std::vector<uint8_t> chunk_;
    Part part_;
    int parts_ = 0;
    std::vector<SuperEntry> super_[2];
    // Places in the header patched at the end.
    uint64_t avih_ = 0, video_strh_ = 0, video_strf_ = 0, text_strh_ = 0, odml_ = 0;
    uint64_t indx_[2] = {0, 0};
};

Result AviWriter::open(const std::string& path) {
    const AviOptions& o = opt_;
    if (o.width <= 0 || o.height <= 0 || o.width > 32767 || o.height > 32767 - 20)
        return result_error(kBadArgument, "picture size " + std::to_string(o.width) + " x " +
                                              std::to_string(o.height) + " not possible in AVI");
    if (o.rate <= 0 || o.scale <= 0) return result_error(kBadArgument, "frame rate not positive");
    if (o.riff_limit < 4096 || o.riff_limit > (uint64_t(1) << 32) - 4096)
        return result_error(kBadArgument, "RIFF size limit out of range");
    const bool msvc = o.codec == AviCodec::kMsvc;
    vw_ = msvc ? msvideo1_coded_size(o.width) : o.width;
    vh_ = msvc ? msvideo1_coded_size(o.height) : o.height;
    const int bits = eight_bit() ? 8 : msvc ? 16 : 24;
    row_bytes_ = uint32_t((vw_ * bits + 31) / 32 * 4);
    image_size_ = row_bytes_ * uint32_t(vh_);
    if (msvc)
        if (Result r = Msvideo1Encoder::create(o.width, o.height, o.key_interval, &msvc_); !r.ok())
            return r;
    try {
        if (eight_bit()) indices_.resize(size_t(o.width) * size_t(o.height));
        chunk_.assign(o.codec == AviCodec::kRle8 ? rle8_max_size(o.width, o.height) + 2
                      : msvc                     ? 0
                                                 : image_size_,
                      0);
    } catch (const std::bad_alloc&) {
        return result_error(kNoMemory, "out of memory for a picture of " + std::to_string(o.width) +
                                           " x " + std::to_string(o.height));
    }
    // Uncompressed true-colour pictures make files of gigabytes that nobody reads at once.
    if (Result r = file_.open(path, opt_.codec == AviCodec::kRaw24); !r.ok()) return r;

    Bytes h;
    size_t riff = h.begin_list(fourcc("RIFF"), fourcc("AVI "));
    size_t hdrl = h.begin_list(fourcc("LIST"), fourcc("hdrl"));
    size_t avih = h.begin(fourcc("avih"));
    avih_ = avih + 8;
    h.u32(uint32_t((1000000ull * uint64_t(o.scale) + uint64_t(o.rate) / 2) / uint64_t(o.rate)));
    h.u32(0);  // max bytes per second, set at the end
    h.u32(0);
    h.u32(kAvifHasIndex | kAvifIsInterleaved | kAvifTrustCkType);
    h.u32(0);  // total frames (of the first part), set at the end
    h.u32(0);
    h.u32(uint32_t(streams()));
    h.u32(0);  // suggested buffer size, set at the end
    h.u32(uint32_t(vw_));
    h.u32(uint32_t(vh_));
    h.zeros(16);
    h.end(avih);

    auto super_index = [&](int stream, uint32_t chunk_id) {
        if (!o.open_dml) return;
        size_t at = h.begin(fourcc("indx"));
        indx_[stream] = at;
        h.u16(4);  // longs per entry
        h.u8(0);
        h.u8(0);  // AVI_INDEX_OF_INDEXES
        h.u32(0);
        h.u32(chunk_id);
        h.zeros(12);
        h.zeros(16 * size_t(kAviMaxParts));
        h.end(at);
    };

    size_t strl = h.begin_list(fourcc("LIST"), fourcc("strl"));
    size_t strh = h.begin(fourcc("strh"));
    video_strh_ = strh + 8;
    h.u32(fourcc("vids"));
    h.u32(o.codec == AviCodec::kRle8 ? fourcc("mrle") : msvc ? fourcc("msvc") : fourcc("DIB "));
    h.u32(0);  // flags
    h.u16(0);  // priority
    h.u16(0);  // language
    h.u32(0);  // initial frames
    h.u32(uint32_t(o.scale));
    h.u32(uint32_t(o.rate));
    h.u32(0);  // start
    h.u32(0);  // length, set at the end
    h.u32(image_size_);
    h.u32(10000);  // quality
    h.u32(0);      // sample size: one picture per chunk
    h.u16(0);
    h.u16(0);
    h.u16(uint32_t(vw_));
    h.u16(uint32_t(vh_));
    h.end(strh);
    size_t strf = h.begin(fourcc("strf"));
    video_strf_ = strf + 8;
    h.u32(40);
    h.u32(uint32_t(vw_));
    h.u32(uint32_t(vh_));  // positive: rows bottom-up
    h.u16(1);
    h.u16(uint32_t(bits));
    h.u32(o.codec == AviCodec::kRle8 ? 1 : msvc ? fourcc("MSVC") : 0);  // BI_RLE8, Video 1, BI_RGB
    h.u32(image_size_);
    h.u32(0);
    h.u32(0);
    h.u32(eight_bit() ? 256 : 0);
    h.u32(0);
    if (eight_bit()) h.zeros(256 * 4);  // the colour table, set at the end
    h.end(strf);
    super_index(0, video_id());
    h.end(strl);

    if (o.captions) {
        strl = h.begin_list(fourcc("LIST"), fourcc("strl"));
        strh = h.begin(fourcc("strh"));
        text_strh_ = strh + 8;
        h.u32(fourcc("txts"));
        h.u32(fourcc("DRAW"));
        h.u32(0);
        h.u16(0);
        h.u16(0);
        h.u32(0);
        h.u32(1);   // scale
        h.u32(60);  // rate
        h.u32(0);
        h.u32(0);  // length, set at the end
        h.u32(260);
        h.u32(0xffffffffu);
        h.u32(0);
        h.u16(0);
        h.u16(uint32_t(vh_));
        h.u16(uint32_t(vw_));
        h.u16(uint32_t(vh_ + 20));
        h.end(strh);
        strf = h.begin(fourcc("strf"));
        h.u32(4);
        h.end(strf);
        super_index(1, fourcc("01tx"));
        h.end(strl);
    }
    if (o.open_dml) {
        size_t odml = h.begin_list(fourcc("LIST"), fourcc("odml"));
        odml_ = odml;
        size_t dmlh = h.begin(fourcc("dmlh"));
        h.zeros(kDmlhSize);
        h.end(dmlh);
        h.end(odml);
    }
    h.end(hdrl);
    part_ = Part{};
    part_.riff = riff;
    part_.movi = h.b.size();
    h.begin_list(fourcc("LIST"), fourcc("movi"));
    parts_ = 1;
    if (Result r = file_.write(h.b.data(), h.b.size()); !r.ok()) return fail(r);
    return result_ok();
}

// What the part's indexes will take when closed with `more` chunks added.
uint64_t AviWriter::index_cost(const Part& part, size_t more) const {
    uint64_t n = part.chunks.size() + more;
    uint64_t cost = 0;
    if (parts_ == 1) cost += 8 + 16 * n;  // idx1
    if (opt_.open_dml) cost += uint64_t(streams()) * (8 + kStdIndexHeader) + 8 * n;
    return cost;
}

Result AviWriter::make_room(uint64_t bytes, size_t chunks) {
    auto fits = [&] {
        return file_.position() + bytes - part_.riff + index_cost(part_, chunks) <= opt_.riff_limit;
    };
    if (fits()) return result_ok();
    if (part_.chunks.empty())
        return fail(result_error(kTooLarge, "one picture does not fit into an AVI file part"));
    if (!opt_.open_dml)
        return fail(result_error(kTooLarge, "the video grew past the " +
                                                std::to_string(opt_.riff_limit >> 20) +
                                                " MB of a plain AVI file"));
    if (parts_ >= kAviMaxParts)
        return fail(result_error(
            kTooLarge, "the video grew past " + std::to_string(kAviMaxParts) + " AVI file parts"));
    if (Result r = close_part(true); !r.ok()) return r;
    if (Result r = start_part(); !r.ok()) return r;
    if (!fits())
        return fail(result_error(kTooLarge, "one picture does not fit into an AVI file part"));
    return result_ok();
}

Result AviWriter::write_chunk(uint32_t id, int stream, const void* data, uint32_t size, bool key) {
    uint8_t head[8];
    store32(head, id);
    store32(head + 4, size);
    part_.chunks.push_back({file_.position(), size, uint8_t(stream), key});
    part_.per_stream[stream]++;
    if (Result r = file_.write(head, 8); !r.ok()) return fail(r);
    if (size > 0)
        if (Result r = file_.write(data, size); !r.ok()) return fail(r);
    if (size & 1) {
        uint8_t pad = 0;
        if (Result r = file_.write(&pad, 1); !r.ok()) return fail(r);
    }
    return result_ok();
}

Result AviWriter::close_part(bool with_part_indexes) {
    const uint64_t movi_data = part_.movi + 8;  // the 'movi' four-cc: index offsets count from here
    if (with_part_indexes) {
        for (int s = 0; s < streams(); ++s) {
            Bytes ix;
            size_t at = ix.begin(s == 0 ? fourcc("ix00") : fourcc("ix01"));
            ix.u16(2);
            ix.u8(0);
            ix.u8(1);  // AVI_INDEX_OF_CHUNKS
            ix.u32(part_.per_stream[s]);
            ix.u32(s == 0 ? video_id() : fourcc("01tx"));
            ix.u64(movi_data);
            ix.u32(0);
            for (const ChunkEntry& c : part_.chunks) {
                if (c.stream != s) continue;
                ix.u32(uint32_t(c.offset + 8 - movi_data));  // to the data
                ix.u32(c.key ? c.size : c.size | 0x80000000u);
            }
            ix.end(at);
            super_[s].push_back({file_.position(), uint32_t(ix.b.size()), part_.per_stream[s]});
            if (Result r = file_.write(ix.b.data(), ix.b.size()); !r.ok()) return fail(r);
        }
    }
    if (Result r = patch32(part_.movi + 4, uint32_t(file_.position() - part_.movi - 8)); !r.ok())
        return fail(r);
    if (parts_ == 1) {
        Bytes idx;
        idx.b.reserve(8 + 16 * part_.chunks.size());
        size_t at = idx.begin(fourcc("idx1"));
        for (const ChunkEntry& c : part_.chunks) {
            idx.u32(c.stream == 0 ? video_id() : fourcc("01tx"));
            idx.u32(c.key ? kAviifKeyframe : 0);
            idx.u32(uint32_t(c.offset - movi_data));
            idx.u32(c.size);
        }
        idx.end(at);
        if (Result r = file_.write(idx.b.data(), idx.b.size()); !r.ok()) return fail(r);
        first_part_pictures_ = part_.per_stream[0];
    }
    if (Result r = patch32(part_.riff + 4, uint32_t(file_.position() - part_.riff - 8)); !r.ok())
        return fail(r);
    return result_ok();
}

Result AviWriter::start_part() {
    Bytes h;
    h.begin_list(fourcc("RIFF"), fourcc("AVIX"));
    h.begin_list(fourcc("LIST"), fourcc("movi"));
    part_ = Part{};
    part_.riff = file_.position();
    part_.movi = part_.riff + 12;
    ++parts_;
    if (Result r = file_.write(h.b.data(), h.b.size()); !r.ok()) return fail(r);
    return result_ok();
}

// The picture as the stream stores it, in chunk_; `size` gets its length.
Result AviWriter::convert(const PictureView& p, size_t* size, bool* key) {
    const int w = opt_.width, h = opt_.height;
    *key = true;
    if (msvc_) {
        if (Result r = msvc_->encode(p, &chunk_, key); !r.ok()) return r;
        *size = chunk_.size();
        return result_ok();
    }
    if (eight_bit()) {
        if (pictures_ == 0 && p.format != PixelFormat::kIndexed8) {
            // A first picture of more than 256 colours gets the fixed table for the stream.
            mapper_.map(p, indices_.data(), w);
            if (mapper_.approximated()) mapper_.reset_fixed();
        }
        if (opt_.codec == AviCodec::kRaw8) {
            mapper_.map(p, chunk_.data() + ptrdiff_t(h - 1) * row_bytes_, -ptrdiff_t(row_bytes_));
            *size = image_size_;
            return result_ok();
        }
        mapper_.map(p, indices_.data(), w);
        size_t n =
            rle8_encode(indices_.data() + ptrdiff_t(h - 1) * w, -ptrdiff_t(w), w, h, chunk_.data());
        // A picture coded to exactly the uncompressed size would be taken as uncompressed by
        // some readers (FFmpeg among them); an end-of-line before the end-of-bitmap avoids it.
        if (n == image_size_) {
            chunk_[n - 1] = 0;
            chunk_[n] = 0;
            chunk_[n + 1] = 1;
            n += 2;
        }
        *size = n;
        return result_ok();
    }
    for (int y = 0; y < h; ++y) {
        const uint8_t* s = p.pixels + ptrdiff_t(y) * p.stride;
        uint8_t* d = chunk_.data() + size_t(h - 1 - y) * row_bytes_;
        switch (p.format) {
            case PixelFormat::kRgb32:
                for (int x = 0; x < w; ++x, d += 3, s += 4) {
                    d[0] = s[0];
                    d[1] = s[1];
                    d[2] = s[2];
                }
                break;
            case PixelFormat::kRgb24:
                for (int x = 0; x < w; ++x, d += 3, s += 3) {
                    d[0] = s[2];
                    d[1] = s[1];
                    d[2] = s[0];
                }
                break;
            case PixelFormat::kIndexed8:
                for (int x = 0; x < w; ++x, d += 3) {
                    uint32_t c = p.palette[s[x]];
                    d[0] = uint8_t(c);
                    d[1] = uint8_t(c >> 8);
                    d[2] = uint8_t(c >> 16);
                }
                break;
        }
    }
    *size = image_size_;
    return result_ok();
}

Result AviWriter::add_picture(const PictureView& p) {
    if (!error_.ok()) return error_;
    if (done_ || !file_.is_open()) return result_error(kFailed, "the video file is not open");
    if (!picture_valid(p))
        return result_error(kBadArgument,
                            "picture " + std::to_string(pictures_ + 1) + " is not valid");
    if (p.width != opt_.width || p.height != opt_.height)
        return result_error(kBadArgument, "picture " + std::to_string(pictures_ + 1) + " is " +
                                              std::to_string(p.width) + " x " +
                                              std::to_string(p.height) + ", the video " +
                                              std::to_string(opt_.width) + " x " +
                                              std::to_string(opt_.height));
    try {
        size_t size = 0;
        bool key = true;
        if (Result r = convert(p, &size, &key); !r.ok()) return fail(r);
        char text[32];
        int text_size = std::snprintf(text, sizeof text, "Bild %d", pictures_ + 1) + 1;
        // Captions sit four samples apart; empty samples fill the gaps.
        const int empties = opt_.captions && pictures_ > 0 ? kCaptionStep - 1 : 0;
        uint64_t bytes = 8 + size + (size & 1);
        size_t chunks = 1;
        if (opt_.captions) {
            bytes += 8 * uint64_t(empties) + 8 + uint64_t(text_size + (text_size & 1));
            chunks += size_t(empties) + 1;
        }
        if (Result r = make_room(bytes, chunks); !r.ok()) return r;
        if (Result r = write_chunk(video_id(), 0, chunk_.data(), uint32_t(size), key); !r.ok())
            return r;
        if (opt_.captions) {
            for (int i = 0; i < empties; ++i)
                if (Result r = write_chunk(fourcc("01tx"), 1, nullptr, 0); !r.ok()) return r;
            if (Result r = write_chunk(fourcc("01tx"), 1, text, uint32_t(text_size)); !r.ok())
                return r;
        }
        if (size > max_video_chunk_) max_video_chunk_ = uint32_t(size);
        ++pictures_;
        return result_ok();
    } catch (const std::bad_alloc&) {
        return fail(result_error(kNoMemory, "out of memory while writing the video"));
    }
}

Result AviWriter::write_palette() {
    uint8_t table[256 * 4] = {};
    const Palette& pal = mapper_.palette();
    for (int i = 0; i < 256; ++i) {
        table[4 * i] = uint8_t(pal[i]);
        table[4 * i + 1] = uint8_t(pal[i] >> 8);
        table[4 * i + 2] = uint8_t(pal[i] >> 16);
    }
    return file_.patch(video_strf_ + 40, table, sizeof table);
}

Result AviWriter::finish() {
    if (!error_.ok()) return error_;
    if (done_ || !file_.is_open()) return result_error(kFailed, "the video file is not open");
    done_ = true;
    try {
        // A file of one part is plain AVI and needs no AVI 2.0 indexes.
        if (Result r = close_part(parts_ > 1); !r.ok()) return r;
        Result r;
        const uint32_t frames = uint32_t(pictures_);
        const uint32_t captions = frames == 0 ? 0 : uint32_t(kCaptionStep) * (frames - 1) + 1;
        const uint32_t buffer = max_video_chunk_ > image_size_ ? max_video_chunk_ : image_size_;
        const uint64_t per_second =
            (uint64_t(buffer) + 300) * uint64_t(opt_.rate) / uint64_t(opt_.scale);
        if (opt_.open_dml && parts_ == 1) {
            // One part is a plain AVI file: the reserved AVI 2.0 tables become padding.
            uint32_t junk = fourcc("JUNK");
            for (int s = 0; s < streams() && r.ok(); ++s) r = patch32(indx_[s], junk);
            if (r.ok()) r = patch32(odml_, junk);
        } else if (opt_.open_dml) {
            for (int s = 0; s < streams() && r.ok(); ++s) {
                Bytes e;
                e.u32(uint32_t(super_[s].size()));
                for (const SuperEntry& x : super_[s]) {
                    e.u64(x.offset);
                    e.u32(x.size);
                    e.u32(x.duration);
                }
                // nEntriesInUse, then the entries after the chunk id and three reserved words.
                r = file_.patch(indx_[s] + 12, e.b.data(), 4);
                if (r.ok())
                    r = file_.patch(indx_[s] + 8 + kSuperIndexHeader, e.b.data() + 4,
                                    e.b.size() - 4);
            }
            if (r.ok()) r = patch32(odml_ + 20, frames);  // 'dmlh' total frames
        }
        if (r.ok())
            r = patch32(avih_ + 4, uint32_t(per_second > 0xffffffffu ? 0xffffffffu : per_second));
        if (r.ok()) r = patch32(avih_ + 16, first_part_pictures_);
        if (r.ok()) r = patch32(avih_ + 28, buffer);
        if (r.ok()) r = patch32(video_strh_ + 32, frames);
        if (r.ok()) r = patch32(video_strh_ + 36, buffer);
        if (r.ok() && opt_.captions) r = patch32(text_strh_ + 32, captions);
        if (r.ok() && eight_bit()) r = write_palette();
        if (r.ok()) r = file_.commit();
        if (!r.ok()) return fail(r);
        return result_ok();
    } catch (const std::bad_alloc&) {
        return fail(result_error(kNoMemory, "out of memory while writing the video"));
    }
}

void AviWriter::cancel() {
    if (file_.is_open()) file_.discard();
    if (!done_ && error_.ok()) error_ = result_error(kCancelled, "the video was cancelled");
    done_ = true;
}

}  // namespace

Result avi_create(const std::string& path, const AviOptions& options,
                  std::unique_ptr<VideoWriter>* writer) {
    writer->reset();
    try {
        auto w = std::make_unique<AviWriter>(options);
        if (Result r = w->open(path); !r.ok()) return r;
        *writer = std::move(w);
        return result_ok();
    } catch (const std::bad_alloc&) {
        return result_error(kNoMemory, "out of memory");
    }
}

}  // namespace video
