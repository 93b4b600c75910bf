// Fuzz target: any bytes as an overlay command text, read into markers, lines and text runs;
// every text line's runs and every marker's numbers must come out bounded.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "gl3d/overlay_commands.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    gl3d::Overlay overlay;
    gl3d::parse_overlay(text, &overlay);
    if (overlay.texts.size() + overlay.markers.size() + overlay.lines.size() >
        gl3d::kMaxOverlayItems)
        std::abort();
    for (const gl3d::OverlayTextLine& line : overlay.texts) {
        if (line.source.size() > gl3d::kMaxOverlayTextLength) std::abort();
        size_t letters = 0;
        for (const mw31::TextRun& run : line.runs) letters += run.text.size();
        // Escapes only take characters away; a progress box brings its own few.
        if (letters > line.source.size() + 32) std::abort();
    }
    for (const gl3d::CollisionMarker& m : overlay.markers)
        for (double v : m.at)
            if (!std::isfinite(v)) std::abort();
    return 0;
}
