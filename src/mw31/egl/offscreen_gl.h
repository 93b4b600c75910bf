// An OpenGL context with an offscreen surface and no display at all (EGL on Mesa's
// surfaceless platform): pictures of the 3D viewer without any X server.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace mw31 {

class OffscreenGl {
  public:
    // A compatibility-profile context with RGBA, a depth buffer and a width x height surface,
    // made current. Null (with *error set) when the platform cannot give one.
    static std::unique_ptr<OffscreenGl> create(int width, int height, std::string* error);
    ~OffscreenGl();
    OffscreenGl(const OffscreenGl&) = delete;
    OffscreenGl& operator=(const OffscreenGl&) = delete;

    bool make_current();
    int width() const { return width_; }
    int height() const { return height_; }
    // Waits for drawing to finish and reads the surface: rows top to bottom, R G B per pixel.
    std::vector<uint8_t> read_rgb_rows() const;
    // GL_RENDERER and GL_VERSION of the context.
    std::string renderer() const;

  private:
    OffscreenGl() = default;
    struct Egl;
    std::unique_ptr<Egl> egl_;
    int width_ = 0, height_ = 0;
};

}  // namespace mw31
