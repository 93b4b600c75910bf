// Feeds arbitrary bytes to the contour reader, then draws and converts what it read.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "film_model/anmneu_painter.h"
#include "film_model/contour_reader.h"
#include "film_out/usercoor_conversion.h"
#include "mw31/recording_canvas.h"

// Run with -close_fd_mask=2: the reader's messages go to standard error.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0) return 0;
    std::vector<uint8_t> bytes(data, data + size);
    FILE* f = fmemopen(bytes.data(), bytes.size(), "r");
    if (!f) return 0;
    constexpr int kMax = 40;  // small, so that the limit is reached too
    std::vector<film::ContourElement> elements(kMax);
    int count = -1;
    if (film::do_load_detail_def(f, elements.data(), &count, kMax) != 0) std::abort();
    std::fclose(f);
    if (count < 0 || count > kMax) std::abort();

    mw31::RecordingCanvas dc(800, 600);
    film::FilmView view;
    view.area = {0, 0, 750, 600};
    const film::ColourTable colours;
    const film::SymbolCanvas canvas =
        film::make_symbol_canvas(dc, film::WorldWindow{-65, 65, -50, 50}, view, 2, false, colours);
    for (const film::SymbolPlacement& p :
         {film::SymbolPlacement{}, film::SymbolPlacement{3, -4, 1.5, 2, 0.5}}) {
        film::draw_symbol(canvas, elements.data(), count, p, 1);
        film_out::FilmMemoryStream m;
        film_out::memory_stream_clear(&m, 100000);
        film_out::RecordTarget target{nullptr, &m};
        target.world_width = 130;
        film_out::emit_symbol_records(&target, elements.data(), count, p, 2);
    }
    return 0;
}
