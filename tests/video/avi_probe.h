// Test helpers for video files: a small RIFF AVI reader of our own, and running the real
// ffprobe/ffmpeg on a file.
#pragma once

#include <sys/wait.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace kvtest {

inline std::string read_file(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

inline uint32_t le32(const std::string& s, size_t at) {
    return uint32_t(uint8_t(s[at])) | uint32_t(uint8_t(s[at + 1])) << 8 |
           uint32_t(uint8_t(s[at + 2])) << 16 | uint32_t(uint8_t(s[at + 3])) << 24;
}
inline uint32_t le16(const std::string& s, size_t at) {
    return uint32_t(uint8_t(s[at])) | uint32_t(uint8_t(s[at + 1])) << 8;
}

struct AviStreamInfo {
    std::string type, handler;
    uint32_t scale = 0, rate = 0, length = 0, buffer = 0;
    int rect[4] = {0, 0, 0, 0};
    std::string format;  // the 'strf' bytes
    std::string indx;    // the AVI 2.0 table of indexes, when there is one
};

struct AviChunk {
    std::string id;
    uint64_t offset = 0;  // of the chunk header
    std::string data;
};

struct AviIndexEntry {
    std::string id;
    uint32_t flags = 0, offset = 0, size = 0;
};

// What the reader found; `error` is empty when the file's structure was sound.
struct AviFile {
    std::string error;
    std::vector<std::string> riff_types;  // "AVI ", then "AVIX" for each further part
    uint32_t total_frames = 0, streams = 0, width = 0, height = 0, flags = 0;
    std::vector<AviStreamInfo> stream;
    std::vector<AviChunk> movi;  // the chunks of every 'movi' list, in file order
    std::vector<AviIndexEntry> idx1;
    uint64_t first_movi = 0;  // offset of the first 'movi' four-cc
    bool has_indx = false, has_odml = false;
    uint32_t odml_frames = 0;  // 'dmlh': the frames of all parts
};

namespace avi_detail {

inline void walk(const std::string& s, size_t from, size_t to, AviFile* f, int depth,
                 const std::string& list_type) {
    size_t at = from;
    while (at < to) {
        if (to - at < 8) {
            f->error = "truncated chunk header at " + std::to_string(at);
            return;
        }
        std::string id = s.substr(at, 4);
        uint32_t size = le32(s, at + 4);
        size_t end = at + 8 + size;
        if (end > to) {
            f->error = "chunk " + id + " at " + std::to_string(at) + " runs past its parent";
            return;
        }
        if (id == "RIFF" || id == "LIST") {
            std::string type = s.substr(at + 8, 4);
            if (id == "RIFF") f->riff_types.push_back(type);
            if (type == "movi" && f->first_movi == 0) f->first_movi = at + 8;
            if (type == "odml") f->has_odml = true;
            walk(s, at + 12, end, f, depth + 1, type);
        } else if (list_type == "movi") {
            f->movi.push_back({id, at, s.substr(at + 8, size)});
        } else if (id == "avih") {
            f->flags = le32(s, at + 8 + 12);
            f->total_frames = le32(s, at + 8 + 16);
            f->streams = le32(s, at + 8 + 24);
            f->width = le32(s, at + 8 + 32);
            f->height = le32(s, at + 8 + 36);
        } else if (id == "strh") {
            AviStreamInfo st;
            st.type = s.substr(at + 8, 4);
            st.handler = s.substr(at + 12, 4);
            st.scale = le32(s, at + 8 + 20);
            st.rate = le32(s, at + 8 + 24);
            st.length = le32(s, at + 8 + 32);
            st.buffer = le32(s, at + 8 + 36);
            for (int i = 0; i < 4; ++i) st.rect[i] = int(int16_t(le16(s, at + 8 + 48 + 2 * i)));
            f->stream.push_back(st);
        } else if (id == "strf" && !f->stream.empty()) {
            f->stream.back().format = s.substr(at + 8, size);
        } else if (id == "indx") {
            f->has_indx = true;
            if (!f->stream.empty()) f->stream.back().indx = s.substr(at + 8, size);
        } else if (id == "dmlh") {
            f->odml_frames = le32(s, at + 8);
        } else if (id == "idx1") {
            for (size_t e = at + 8; e + 16 <= end; e += 16)
                f->idx1.push_back(
                    {s.substr(e, 4), le32(s, e + 4), le32(s, e + 8), le32(s, e + 12)});
        }
        at = end + (size & 1);
    }
    if (at != to && depth > 0) f->error = "padding runs past the end of a list";
}

}  // namespace avi_detail

inline AviFile read_avi(const std::string& path) {
    AviFile f;
    std::string s = read_file(path);
    if (s.size() < 12 || s.compare(0, 4, "RIFF") != 0) {
        f.error = "not a RIFF file";
        return f;
    }
    avi_detail::walk(s, 0, s.size(), &f, 0, "");
    return f;
}

// The caption samples by sample number, counted through 'idx1' entries of stream 1 (empty
// entries take a sample number too, as readers count them).
inline std::vector<std::pair<uint32_t, std::string>> caption_samples(const AviFile& f,
                                                                     const std::string& path) {
    std::string s = read_file(path);
    std::vector<std::pair<uint32_t, std::string>> out;
    uint32_t sample = 0;
    for (const AviIndexEntry& e : f.idx1) {
        if (e.id.compare(0, 2, "01") != 0) continue;
        if (e.size > 0) {
            uint64_t at = f.first_movi + e.offset;
            if (s.compare(at, 4, e.id) == 0 && le32(s, at + 4) == e.size)
                out.push_back({sample, s.substr(at + 8, e.size)});
            else
                out.push_back({sample, "<index entry points elsewhere>"});
        }
        ++sample;
    }
    return out;
}

inline uint64_t le64(const std::string& s, size_t at) {
    return uint64_t(le32(s, at)) | uint64_t(le32(s, at + 4)) << 32;
}

// Follows every stream's AVI 2.0 table of indexes to its 'ix##' chunks and from there to
// the data chunks; returns what is wrong, or "" when every reference holds and the
// durations add up to the stream lengths.
inline std::string check_avi2_indexes(const AviFile& f, const std::string& path) {
    std::string s = read_file(path);
    for (size_t n = 0; n < f.stream.size(); ++n) {
        const std::string& x = f.stream[n].indx;
        std::string where = "stream " + std::to_string(n) + ": ";
        if (x.size() < 24) return where + "no table of indexes";
        if (le16(x, 0) != 4 || x[3] != 0) return where + "not a table of indexes";
        uint32_t used = le32(x, 4);
        std::string chunk_id = x.substr(8, 4);
        if (used != f.riff_types.size()) return where + "entries differ from the parts";
        if (24 + 16 * size_t(used) > x.size()) return where + "entries past the table";
        uint64_t duration = 0;
        for (uint32_t e = 0; e < used; ++e) {
            uint64_t at = le64(x, 24 + 16 * e);
            uint32_t size = le32(x, 24 + 16 * e + 8), dur = le32(x, 24 + 16 * e + 12);
            if (at + size > s.size()) return where + "index chunk past the file";
            std::string ix = std::string("ix") + char('0' + n / 10) + char('0' + n % 10);
            if (s.compare(at, 4, ix) != 0 || le32(s, at + 4) + 8 != size)
                return where + "entry " + std::to_string(e) + " does not point to " + ix;
            if (le16(s, at + 8) != 2 || s[at + 11] != 1 || le32(s, at + 12) != dur ||
                s.compare(at + 16, 4, chunk_id) != 0)
                return where + "bad header in " + ix + " " + std::to_string(e);
            uint64_t base = le64(s, at + 20);
            for (uint32_t k = 0; k < dur; ++k) {
                uint64_t data = base + le32(s, at + 32 + 8 * k);
                uint32_t len = le32(s, at + 32 + 8 * k + 4);
                if (len & 0x80000000u) return where + "a sample that is not a key frame";
                if (data < 8 || data + len > s.size() || s.compare(data - 8, 4, chunk_id) != 0 ||
                    le32(s, data - 4) != len)
                    return where + "sample " + std::to_string(duration + k) + " points elsewhere";
            }
            duration += dur;
        }
        if (duration != f.stream[n].length) return where + "durations differ from the length";
    }
    return "";
}

// Standard output of a shell command; *status gets its exit status.
inline std::string run_command(const std::string& command, int* status = nullptr) {
    std::string out;
    FILE* p = popen(command.c_str(), "r");
    if (p == nullptr) {
        if (status) *status = -1;
        return out;
    }
    char buf[1 << 16];
    size_t n;
    while ((n = fread(buf, 1, sizeof buf, p)) > 0) out.append(buf, n);
    int rc = pclose(p);
    if (status) *status = WIFEXITED(rc) ? WEXITSTATUS(rc) : -1;
    return out;
}

inline std::string tool_path(const char* name) {
    std::string p = run_command(std::string("command -v ") + name);
    while (!p.empty() && (p.back() == '\n' || p.back() == '\r')) p.pop_back();
    return p;
}

// Every video frame decoded by ffmpeg as B, G, R, A bytes, all frames one after the other.
inline std::string ffmpeg_decode_bgra(const std::string& path, int* status) {
    return run_command(tool_path("ffmpeg") + " -v error -i '" + path +
                           "' -map 0:v -f rawvideo -pix_fmt bgra - 2>/dev/null",
                       status);
}

// ffprobe's "key=value" lines for the streams of a file, with decoded frame counts.
inline std::string ffprobe_streams(const std::string& path) {
    return run_command(tool_path("ffprobe") +
                       " -v error -count_frames -show_entries "
                       "stream=index,codec_type,codec_name,width,height,r_frame_rate,nb_read_"
                       "frames -of default=noprint_wrappers=1 '" +
                       path + "' 2>&1");
}

}  // namespace kvtest
