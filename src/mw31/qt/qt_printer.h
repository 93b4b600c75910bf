// Printers of the Qt backend: QPrinter from the print dialog (CUPS, or a PDF file) and
// QPdfWriter for a named PDF, each page drawn through a GDI-like canvas over QPainter.
#pragma once

#include <memory>
#include <string>

#include "mw31/printer.h"

namespace mw31 {

std::unique_ptr<Printer> qt_print_dialog(const PrintDialogRequest& request);
std::unique_ptr<Printer> qt_pdf_printer(const PdfTarget& target, std::string* error);

}  // namespace mw31
