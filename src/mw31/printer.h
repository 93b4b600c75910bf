// Printing through the seam: a printer chosen with the platform's print dialog or a PDF file
// named without one, a document of pages, and the page as a GDI-like canvas.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "mw31/canvas.h"

namespace mw31 {

enum class PaperSize { A4, A3, Letter };

// A PDF file as the printer: no dialog, the whole sheet is the page.
struct PdfTarget {
    std::string file;
    PaperSize paper = PaperSize::A4;
    bool landscape = true;
    int dots_per_inch = 600;
};

// What the print dialog is opened with.
struct PrintDialogRequest {
    int copies = 1;
    bool page_numbers = false;  // the page range cannot be chosen
    bool collate = true;
};

class Printer {
  public:
    virtual ~Printer() = default;

    // Printable area of the page in millimetres and device pixels.
    virtual double width_mm() const = 0;
    virtual double height_mm() const = 0;
    virtual int width_pixels() const = 0;
    virtual int height_pixels() const = 0;

    // False when the document cannot be started.
    virtual bool begin_document(const std::string& name) = 0;
    virtual bool begin_page() = 0;
    // The page being printed (valid between begin_page and end_page).
    virtual Canvas& page() = 0;
    virtual bool end_page() = 0;
    // Sends the document to the printer or writes the file; false when that failed, with
    // error() saying why. A PDF file is replaced only when it was written completely.
    virtual bool end_document() = 0;
    // Drops a started document; nothing is printed or written.
    virtual void abort_document() = 0;

    // Text from now on in a fixed-pitch font of this cell size (device pixels), its baseline
    // turned counter-clockwise by escapement tenths of a degree (900: upwards).
    virtual void select_font(int height, int width, int escapement) = 0;

    virtual std::string error() const = 0;
    // The file being written, or the printer's name.
    virtual std::string target() const = 0;
};

// Shows the print dialog; null when the user cancels or there is no printer to be had.
std::unique_ptr<Printer> print_dialog(const PrintDialogRequest& request);
// A printer writing the PDF file; null (with *error set when given) when the file cannot be
// made beside its target.
std::unique_ptr<Printer> pdf_printer(const PdfTarget& target, std::string* error = nullptr);

// Test hooks: queued answers are taken by print_dialog before any dialog is shown; an answer
// that does not cancel prints into its PDF target.
struct CannedPrintAnswer {
    bool cancel = false;
    PdfTarget pdf;
};
void queue_print_answer(const CannedPrintAnswer& answer);
const std::vector<PrintDialogRequest>& shown_print_dialogs();
void clear_print_hooks();

// "A4", "A3", "Letter" (any case); false for anything else.
bool paper_size_from_name(const std::string& name, PaperSize* paper);

}  // namespace mw31
