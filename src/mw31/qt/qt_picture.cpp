// Off-screen pictures: pixel export and PNG writing.
#include "mw31/qt/qt_picture.h"

#include <QImageWriter>

#include "mw31/qt/qt_text.h"

namespace mw31 {

std::vector<uint8_t> QtPicture::rgb_rows() const {
    const QImage& img = image();
    std::vector<uint8_t> rows;
    rows.reserve(size_t(img.width()) * size_t(img.height()) * 3);
    for (int y = 0; y < img.height(); ++y) {
        const QRgb* line = reinterpret_cast<const QRgb*>(img.constScanLine(y));
        for (int x = 0; x < img.width(); ++x) {
            rows.push_back(uint8_t(qRed(line[x])));
            rows.push_back(uint8_t(qGreen(line[x])));
            rows.push_back(uint8_t(qBlue(line[x])));
        }
    }
    return rows;
}

bool QtPicture::save_png(const std::string& path) const {
    if (!valid()) return false;
    QImageWriter writer(path_to_qstring(path), "png");
    return writer.write(image().convertToFormat(QImage::Format_RGB888));
}

QImage image_of(const Picture& picture) {
    if (auto* own = dynamic_cast<const QtPicture*>(&picture)) return own->image();
    const std::vector<uint8_t> rows = picture.rgb_rows();
    const int w = picture.width(), h = picture.height();
    if (w <= 0 || h <= 0 || rows.size() < size_t(w) * size_t(h) * 3) return {};
    QImage img(rows.data(), w, h, w * 3, QImage::Format_RGB888);
    return img.convertToFormat(QImage::Format_RGB32);  // a deep copy: rows go away
}

}  // namespace mw31
