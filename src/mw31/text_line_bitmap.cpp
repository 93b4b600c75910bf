// Text lines lettered on a platform picture and read back as RGB rows.
#include "mw31/text_line_bitmap.h"

#include <algorithm>

#include "mw31/picture.h"

namespace mw31 {

std::vector<uint8_t> render_text_line(const std::vector<TextRun>& runs, int width, int height,
                                      int font_height) {
    std::unique_ptr<Picture> picture = create_picture(width, height);
    if (!picture) return {};
    Canvas& c = picture->canvas();
    c.fill_rect(Rect{0, 0, width, height}, Brush{Rgb{255, 255, 255}, false});
    c.set_font(std::clamp(font_height, 1, height), 0);
    const int top = std::max(0, (height - c.text_height()) / 2);
    int x = 0;
    for (const TextRun& run : runs) {
        if (x >= width) break;
        if (run.text.empty()) continue;
        c.set_text_colour(run.colour);
        c.set_text_transparent(!run.opaque);
        if (run.opaque) c.set_text_background(run.background);
        c.text_out(x, top, run.text);
        x += c.text_width(run.text);
    }
    return picture->rgb_rows();
}

}  // namespace mw31
