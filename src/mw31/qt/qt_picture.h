// Off-screen pictures of the Qt backend: an RGB32 QImage with its canvas.
#pragma once

#include "mw31/picture.h"
#include "mw31/qt/qt_canvas.h"

namespace mw31 {

class QtPicture final : public Picture {
  public:
    QtPicture(int width, int height) : canvas_(width, height) {}
    int width() const override { return canvas_.width(); }
    int height() const override { return canvas_.height(); }
    Canvas& canvas() override { return canvas_; }
    std::vector<uint8_t> rgb_rows() const override;
    const uint32_t* rgb32_pixels(ptrdiff_t* stride_bytes) const override;
    bool save_png(const std::string& path) const override;

    bool valid() const { return !canvas_.image().isNull(); }
    const QImage& image() const { return canvas_.image(); }

  private:
    ImageCanvas canvas_;
};

// The QImage behind any picture: the picture's own, or one made from its rows.
QImage image_of(const Picture& picture);

}  // namespace mw31
