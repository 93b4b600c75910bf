// Canvas text drawn in one glyph run must give the very pixels of laying out each character
// in its own cell: film pictures and recordings must not change with the faster path.
#include <gtest/gtest.h>

#include <QFontMetricsF>
#include <QImage>
#include <QPainter>
#include <algorithm>
#include <cmath>
#include <string>
#include <utility>
#include <vector>

#include "mw31/qt/qt_canvas.h"
#include "mw31/qt/qt_text.h"

namespace mw31 {
namespace {

// Each character alone at its cell's baseline, over an opaque box unless transparent.
void draw_characters(QImage* image, const QFont& font, int cell_width, int cell_height, int x,
                     int y, const std::string& text, QColor ink, const QColor* background) {
    const int ascent = std::min(cell_height, int(std::lround(QFontMetricsF(font).ascent())));
    const QString s = to_qstring(text);
    QPainter p(image);
    p.setRenderHint(QPainter::Antialiasing, false);
    p.setRenderHint(QPainter::TextAntialiasing, false);
    p.setCompositionMode(QPainter::CompositionMode_Source);
    p.setFont(font);
    if (background) p.fillRect(QRect(x, y, cell_width * int(s.size()), cell_height), *background);
    p.setPen(ink);
    for (qsizetype i = 0; i < s.size(); ++i)
        p.drawText(QPoint(x + cell_width * int(i), y + ascent), QString(s[i]));
}

std::string printable_ascii() {
    std::string s;
    for (char c = ' '; c <= '~'; ++c) s += c;
    return s;
}

TEST(QtCanvasText, OneRunGivesThePixelsOfCharacterByCharacterDrawing) {
    const std::vector<std::string> texts = {
        printable_ascii(),
        "x=-123.456 y=7.000",
        "l=12.500,w=30.000Grad",
        "dw=-1.250 / 359.999 Grad",
        "Kurbelwinkel \xc3\xa4\xc3\xb6\xc3\xbc \xc3\x9f \xc2\xb0",  // UTF-8
        "Gr\xfc\xdf",                                               // Latin-1 bytes
        "\xe6\xbc\xa2\xe5\xad\x97 and \xf0\x9f\x99\x82",            // no glyph in the font
        "tab\tand\x01control",
        // Marks, invisible and right-to-left characters: each alone in its cell as well.
        "e\xcc\x81 soft\xc2\xadhyphen zero\xe2\x80\x8bwidth no\xc2\xa0break",
        "\xd7\x90\xd7\x91 \xd8\xa8\xd8\xa7 \xce\xb1\xce\xb2 \xd0\x96",
        "   ",
    };
    const std::vector<std::pair<int, int>> fonts = {{0, 0},  {16, 8}, {13, 7},
                                                    {22, 0}, {9, 5},  {30, 14}};
    int compared = 0;
    for (const auto& [height, width] : fonts) {
        for (const bool transparent : {false, true}) {
            for (const bool xor_mode : {false, true}) {
                ImageCanvas canvas(1600, 60);
                canvas.fill_rect(Rect{0, 0, 1600, 60}, Brush{Rgb{200, 220, 240}});
                canvas.set_font(height, width);
                canvas.set_text_colour(Rgb{10, 20, 30});
                canvas.set_text_background(Rgb{250, 240, 0});
                canvas.set_text_transparent(transparent);
                canvas.set_raster_op(xor_mode ? RasterOp::Xor : RasterOp::Copy);
                QImage expected = canvas.image().copy();
                const QColor background(250, 240, 0);
                for (const std::string& text : texts) {
                    canvas.fill_rect(Rect{0, 0, 1600, 60}, Brush{Rgb{200, 220, 240}});
                    expected.fill(QColor(200, 220, 240));
                    canvas.text_out(3, 7, text);
                    draw_characters(&expected, canvas.font(), canvas.text_width("M"),
                                    canvas.text_height(), 3, 7, text, QColor(10, 20, 30),
                                    transparent ? nullptr : &background);
                    ASSERT_EQ(canvas.image(), expected)
                        << "font " << height << "x" << width << (transparent ? " transparent" : "")
                        << (xor_mode ? " xor" : "") << ": \"" << text << "\"";
                    ++compared;
                }
            }
        }
    }
    EXPECT_EQ(compared, 6 * 2 * 2 * 11);
}

}  // namespace
}  // namespace mw31
