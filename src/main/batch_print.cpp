// Batch print and DXF export: the film read as its player reads it, the frame shown in a
// window of --size, and a PDF printer named instead of the print dialog.
#include "main/batch_print.h"

#include <cstdio>

#include "film_model/anmneu_reader.h"
#include "film_model/colour_table.h"
#include "film_model/frame_store.h"
#include "film_model/line_film_painter.h"
#include "film_model/line_film_reader.h"
#include "film_model/paint_basics.h"
#include "film_model/usercoor_painter.h"
#include "film_out/dxf_export.h"
#include "film_out/print_frame.h"
#include "mw31/format.h"
#include "mw31/printer.h"
#include "mw31/temp_names.h"

namespace kurvlab {

namespace {

film_out::PrinterChoice pdf_choice(const BatchRequest& batch) {
    return [batch]() -> std::unique_ptr<mw31::Printer> {
        mw31::PdfTarget target;
        target.file = batch.output_pdf;
        target.landscape = !batch.portrait;
        mw31::paper_size_from_name(batch.paper, &target.paper);
        std::string error;
        std::unique_ptr<mw31::Printer> printer = mw31::pdf_printer(target, &error);
        if (!printer) mw31::message_printf("%s: %s", batch.output_pdf.c_str(), error.c_str());
        return printer;
    };
}

film_out::DxfExportOptions dxf_options(const BatchRequest& batch) {
    film_out::DxfExportOptions options;
    options.file = batch.output_dxf;
    options.pixel_width = batch.width;
    return options;
}

bool frame_in_film(const std::string& film_name, int frame, int frames) {
    if (frame >= 0 && frame < frames) return true;
    mw31::message_printf("%s: kein Bild %d / no frame %d (the film has frames 0 to %d)",
                         film_name.c_str(), frame, frame, frames - 1);
    return false;
}

}  // namespace

int line_film_print_or_dxf(const std::string& film_name, const BatchRequest& batch) {
    film::FrameStore store;
    if (film::read_line_film_file(film_name, &store, nullptr) != 0) return 1;
    if (!frame_in_film(film_name, batch.frame, store.frame_count())) return 1;
    const film::LineFilmFramePainter painter(store, batch.frame);
    int result = 0;
    if (!batch.output_pdf.empty()) {
        const film::ColourTable colours;
        const film::PaintStyle style{1, false, &colours};
        result |= film_out::plot_filmstellung(painter, film::fitted_view(batch.width, batch.height),
                                              style, store.virtual_width, pdf_choice(batch));
    }
    if (!batch.output_dxf.empty())
        result |=
            film_out::dxf_export_line_film_frame(painter, store.virtual_height, dxf_options(batch));
    return result;
}

int anmneu_print_or_dxf(const std::string& film_name, const BatchRequest& batch) {
    film::AnmneuFilm film;
    const int frames = film::read_anmneu_film(film_name, &film);
    if (frames < 0) return 1;
    const bool shown = frame_in_film(film_name, batch.frame, frames);
    int result = shown ? 0 : 1;
    if (shown && !batch.output_pdf.empty()) {
        const film::ColourTable colours;
        const film::PaintStyle style{1, false, &colours};
        result |= film_out::anmneu_plot_filmstellung(film, batch.frame,
                                                     film::fitted_view(batch.width, batch.height),
                                                     style, pdf_choice(batch));
    }
    if (shown && !batch.output_dxf.empty())
        result |= film_out::dxf_export_anmneu_frame(film_name, batch.frame, dxf_options(batch));
    // The reader wrote the info text for a player that is not going to show it.
    std::remove(mw31::temp_info_name().c_str());
    return result;
}

int usercoor_print_or_dxf(const film::UsercoorFilm& film, const std::string& film_name,
                          const BatchRequest& batch) {
    if (!frame_in_film(film_name, batch.frame, film.frame_count())) return 1;
    const film::UsercoorFramePainter painter(film, batch.frame);
    int result = 0;
    if (!batch.output_pdf.empty()) {
        film::ColourTable colours;
        colours.reset_usercoor();
        const film::PaintStyle style{1, false, &colours};
        result |= film_out::usercoor_plot_filmstellung(painter, film.window,
                                                       film::fitted_view(batch.width, batch.height),
                                                       style, pdf_choice(batch));
    }
    if (!batch.output_dxf.empty()) {
        film_out::DxfExportOptions options = dxf_options(batch);
        options.world_width = film.window.xr - film.window.xl;
        result |= film_out::dxf_export_usercoor_frame(painter, options);
    }
    return result;
}

}  // namespace kurvlab
