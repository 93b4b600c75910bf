// Printing the frame a film window shows on one page: scaled to the page at 1280:1024,
// turned by 90 degrees on a portrait page, black and white exchanged for paper.
#pragma once

#include <functional>
#include <memory>

#include "film_model/anmneu_film.h"
#include "film_model/film_view.h"
#include "film_model/frame_painter.h"
#include "mw31/canvas.h"
#include "mw31/printer.h"

namespace film_out {

// Where a print goes: the print dialog, or a printer chosen beforehand (a PDF in batch use).
using PrinterChoice = std::function<std::unique_ptr<mw31::Printer>()>;

// Services the message queue, then shows the print dialog (one copy, no page numbers,
// collated). Null when cancelled.
std::unique_ptr<mw31::Printer> choose_printer();

// Shrinks the rectangle in place to the proportions 1280:1024 (integer division).
void fit_page_rectangle(int* x1, int* y1, int* x2, int* y2);

// Maps a point of the caller's plane (y upwards) to a page pixel.
using PagePoint = std::function<mw31::Point(double x, double y)>;

// An arc as a polyline of trunc(|sweep| / 2) + 1 chords: the point at angle a is
// (rx cos a, ry sin a), scaled by sx, sy, turned by phi about the centre (cx, cy) and mapped
// by `to_page`. Angles in degrees, counter-clockwise. The first point is a move.
void print_arc(mw31::Canvas& dc, const PagePoint& to_page, double cx, double cy, double rx,
               double ry, double start_deg, double sweep_deg, double phi_deg = 0, double sx = 1,
               double sy = 1);

// Line-film frame as the painter walks it, placed as the view shows it (the film's virtual
// width W maps film units to the window). 0 when printed; 1 after a message when no printer
// could be had or the document could not be finished, and silently when it could not start.
int plot_filmstellung(const film::FramePainter& painter, const film::FilmView& view,
                      const film::PaintStyle& style, int virtual_width,
                      const PrinterChoice& choice = choose_printer);

// ANMNEU frame `frame` (placements as given, no in-between picture) in the film's world
// window as the view shows it, with the frame's label near the lower left corner. Results as
// above.
int anmneu_plot_filmstellung(const film::AnmneuFilm& film, int frame, const film::FilmView& view,
                             const film::PaintStyle& style,
                             const PrinterChoice& choice = choose_printer);

// A user-coordinates frame as the painter walks it (world units), in the world window as the
// view shows it. Results as above.
int usercoor_plot_filmstellung(const film::FramePainter& painter, const film::WorldWindow& world,
                               const film::FilmView& view, const film::PaintStyle& style,
                               const PrinterChoice& choice = choose_printer);

// The page of one print: the window's positions, ten times finer, and where they land.
struct PrintPage {
    mw31::Canvas* dc = nullptr;
    bool landscape = true;
    int long_side = 0;  // pixels along the long side of the paper
    double scale_x = 1, scale_y = 1;
    film::FilmView view;  // the window's view with size and offsets ten times larger
    // A position of that view on the page: as it is on a landscape page, turned by 90 degrees
    // (x, y) -> (y, long side - x) on a portrait page.
    mw31::Point at(double x, double y) const;
};

// The course every print takes: printer, document "Filmbild", the font, the page with
// `draw`, and the end; `who` names the print in its messages. Results as above.
int print_page(const char* who, const film::FilmView& view, const PrinterChoice& choice,
               const std::function<void(const PrintPage&)>& draw);

// The font of printed text, made at the first print from that printer's resolution and
// orientation and kept for the rest of the run.
struct PrinterFont {
    int height = 0, width = 0;
    int escapement = 0;  // tenths of a degree
};
// Null before the first print.
const PrinterFont* printer_font();
// Forgets it (tests).
void forget_printer_font();

}  // namespace film_out
