// Shared by the video tests: film-like and noise pictures, what ffmpeg gives back for them,
// ffprobe's stream lines, and a fixture with a directory of its own.
#pragma once

#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <map>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "avi_probe.h"
#include "video/picture_view.h"

namespace kvtest {

// The film colour table's first sixteen entries.
inline const uint32_t kFilmColours[16] = {
    0x000000, 0xffffff, 0xff0000, 0xff00ff, 0x5a5a5a, 0xffa500, 0xffff64, 0x00ff00,
    0xffff00, 0x7f7fff, 0x00ffff, 0xe664e6, 0x6464ff, 0x006400, 0xffffff, 0xaa3c3c};

struct Frame {
    int width, height;
    std::vector<uint32_t> px;  // 0xAARRGGBB, rows top to bottom, no padding
    video::PictureView view() const {
        return video::rgb32_picture(px.data(), width, height, ptrdiff_t(width) * 4);
    }
    // What ffmpeg gives for this frame as bgra: B, G, R and an opaque alpha.
    std::string bgra() const {
        std::string s;
        for (uint32_t c : px) {
            s.push_back(char(c & 0xff));
            s.push_back(char(c >> 8 & 0xff));
            s.push_back(char(c >> 16 & 0xff));
            s.push_back(char(0xff));
        }
        return s;
    }
};

// A mechanism-like frame in film colours: white ground, a bar that moves with the frame
// number, a coloured box, a crank line and a few speckles (short literal stretches).
inline Frame film_frame(int w, int h, int n, uint32_t alpha = 0xff000000u) {
    Frame f{w, h, std::vector<uint32_t>(size_t(w) * size_t(h), alpha | 0xffffff)};
    std::mt19937 rng(unsigned(n) * 7919u + 1u);
    auto set = [&](int x, int y, uint32_t c) {
        if (x >= 0 && y >= 0 && x < w && y < h) f.px[size_t(y) * w + x] = alpha | c;
    };
    for (int y = 0; y < h; ++y) set((n * 3) % w, y, 0x000000);
    for (int y = h / 4; y < h / 2; ++y)
        for (int x = w / 3; x < w / 3 + w / 4; ++x) set(x, y, kFilmColours[2 + n % 14]);
    for (int k = 0; k < w; ++k) set(k, (k * (n + 1)) % h, 0xaa3c3c);
    for (int k = 0; k < 20; ++k)
        set(int(rng() % unsigned(w)), int(rng() % unsigned(h)), kFilmColours[rng() % 16]);
    return f;
}

// Every pixel its own colour: more than 256 colours in one picture.
inline Frame noise_frame(int w, int h, unsigned seed) {
    Frame f{w, h, std::vector<uint32_t>(size_t(w) * size_t(h))};
    std::mt19937 rng(seed);
    for (auto& c : f.px) c = uint32_t(rng());  // alpha must be ignored
    return f;
}

inline std::map<std::string, std::string> probe_stream(const std::string& probe, int index) {
    std::map<std::string, std::string> out;
    std::istringstream in(probe);
    std::string line;
    int current = -1;
    while (std::getline(in, line)) {
        size_t eq = line.find('=');
        if (eq == std::string::npos) continue;
        std::string key = line.substr(0, eq), value = line.substr(eq + 1);
        if (key == "index") current = std::stoi(value);
        if (current == index) out[key] = value;
    }
    return out;
}

// A directory of its own for each test; the tests need the real ffprobe and ffmpeg.
class VideoDirTest : public ::testing::Test {
  protected:
    void SetUp() override {
        if (tool_path("ffprobe").empty() || tool_path("ffmpeg").empty())
            GTEST_SKIP() << "ffprobe/ffmpeg not installed";
        dir_ = std::filesystem::path(::testing::TempDir()) /
               ("kv_video_" + std::to_string(getpid()) + "_" +
                ::testing::UnitTest::GetInstance()->current_test_info()->name());
        std::filesystem::remove_all(dir_);
        std::filesystem::create_directories(dir_);
    }
    void TearDown() override {
        std::error_code ignored;
        std::filesystem::permissions(dir_, std::filesystem::perms::owner_all,
                                     std::filesystem::perm_options::add, ignored);
        std::filesystem::remove_all(dir_, ignored);
    }
    std::string path(const std::string& name) const { return (dir_ / name).string(); }
    std::vector<std::string> entries() const {
        std::vector<std::string> names;
        for (const auto& e : std::filesystem::directory_iterator(dir_))
            names.push_back(e.path().filename());
        std::sort(names.begin(), names.end());
        return names;
    }
    void write_bytes(const std::string& name, const std::string& bytes) const {
        std::ofstream(path(name), std::ios::binary) << bytes;
    }

    void expect_decoded(const std::string& file, const std::vector<std::string>& expected) {
        int status = 0;
        std::string got = ffmpeg_decode_bgra(file, &status);
        ASSERT_EQ(status, 0) << "ffmpeg could not decode " << file;
        size_t frame = expected.empty() ? 1 : expected[0].size();
        ASSERT_EQ(got.size(), frame * expected.size()) << "decoded frame count differs";
        for (size_t i = 0; i < expected.size(); ++i) {
            if (got.compare(i * frame, frame, expected[i]) == 0) continue;
            size_t px = 0;
            while (px * 4 < frame &&
                   got.compare(i * frame + px * 4, 4, expected[i], px * 4, 4) == 0)
                ++px;
            FAIL() << "frame " << i << " differs first at pixel " << px;
        }
    }

    std::filesystem::path dir_;
};

}  // namespace kvtest
