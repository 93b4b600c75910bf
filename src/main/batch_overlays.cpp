// Grid and measurement of --output pictures.
#include "main/batch_overlays.h"

#include "film/overlays.h"
#include "film_model/colour_table.h"

namespace kurvlab {

film::PictureDecor batch_overlays(const BatchRequest& batch, film::WorldMode mode,
                                  const film::WorldWindow& window) {
    film::PictureDecor decor;
    if (batch.grid)
        decor.under = [mode, window](mw31::Canvas& canvas, const film::FilmView& view) {
            film::draw_grid(canvas, film::WorldPicture(mode, window, view), 1);
        };
    if (batch.measure) {
        film::MeasureState m;
        m.stage = film::kMeasureDirection;
        m.ref_x = batch.measure_from_x;
        m.ref_y = batch.measure_from_y;
        m.dir_x = batch.measure_to_x;
        m.dir_y = batch.measure_to_y;
        decor.over = [mode, window, m](mw31::Canvas& canvas, const film::FilmView& view) {
            // The colours of a fresh film, as --output draws the frame.
            const film::ColourTable colours;
            const film::OverlayStyle style =
                film::overlay_style(film::PaintStyle{1, false, &colours});
            film::draw_measurement(canvas, film::WorldPicture(mode, window, view), m, nullptr,
                                   style);
        };
    }
    return decor;
}

}  // namespace kurvlab
