// Print dialog and PDF printers through the installed backend, with canned test answers.
#include "mw31/printer.h"

#include <strings.h>

#include <deque>

#include "mw31/backend.h"

namespace mw31 {

namespace {
struct PrintHooks {
    std::deque<CannedPrintAnswer> answers;
    std::vector<PrintDialogRequest> shown;
};
PrintHooks& hooks() {
    static PrintHooks h;
    return h;
}
}  // namespace

std::unique_ptr<Printer> print_dialog(const PrintDialogRequest& request) {
    hooks().shown.push_back(request);
    if (!hooks().answers.empty()) {
        const CannedPrintAnswer answer = hooks().answers.front();
        hooks().answers.pop_front();
        if (answer.cancel) return nullptr;
        return pdf_printer(answer.pdf);
    }
    Backend* b = backend();
    // Without a screen nobody could answer the dialog.
    if (!b || !b->has_display()) return nullptr;
    return b->print_dialog(request);
}

std::unique_ptr<Printer> pdf_printer(const PdfTarget& target, std::string* error) {
    Backend* b = backend();
    std::string why;
    std::unique_ptr<Printer> printer = b ? b->pdf_printer(target, &why) : nullptr;
    if (!b) why = "no platform for printing";
    if (!printer && error) *error = why;
    return printer;
}

void queue_print_answer(const CannedPrintAnswer& answer) {
    hooks().answers.push_back(answer);
}
const std::vector<PrintDialogRequest>& shown_print_dialogs() {
    return hooks().shown;
}
void clear_print_hooks() {
    hooks().answers.clear();
    hooks().shown.clear();
}

bool paper_size_from_name(const std::string& name, PaperSize* paper) {
    static const struct {
        const char* name;
        PaperSize size;
    } kSizes[] = {{"A4", PaperSize::A4}, {"A3", PaperSize::A3}, {"Letter", PaperSize::Letter}};
    for (const auto& s : kSizes) {
        if (strcasecmp(name.c_str(), s.name) == 0) {
            *paper = s.size;
            return true;
        }
    }
    return false;
}

}  // namespace mw31
