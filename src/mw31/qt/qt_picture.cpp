// Off-screen pictures: pixel export and picture files written whole or not at all.
#include "mw31/qt/qt_picture.h"

#include <QBuffer>
#include <QFileInfo>
#include <QImageWriter>
#include <string_view>

#include "mw31/atomic_file.h"
#include "mw31/qt/qt_text.h"

namespace mw31 {

const uint32_t* QtPicture::rgb32_pixels(ptrdiff_t* stride_bytes) const {
    const QImage& image = canvas_.image();
    if (image.isNull() || image.format() != QImage::Format_RGB32) return nullptr;
    *stride_bytes = image.bytesPerLine();
    return reinterpret_cast<const uint32_t*>(image.constBits());
}

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
    if (!valid() || path.empty()) return false;
    // The format follows the name (PNG when it has no extension); one Qt cannot write is
    // refused rather than written as something else under that name.
    QByteArray format = QFileInfo(path_to_qstring(path)).suffix().toLower().toLatin1();
    if (format.isEmpty()) format = "png";
    if (!QImageWriter::supportedImageFormats().contains(format)) return false;
    // Encoded in memory first, so that every write to the file is checked in one place and
    // the old picture stays whole until the new one is on disk.
    QByteArray bytes;
    QBuffer buffer(&bytes);
    if (!buffer.open(QIODevice::WriteOnly)) return false;
    if (!image().convertToFormat(QImage::Format_RGB888).save(&buffer, format.constData()))
        return false;
    return write_file_atomically(path, std::string_view(bytes.constData(), size_t(bytes.size())));
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
