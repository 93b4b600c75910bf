// Printing with Qt: the page canvas draws vectors with QPainter on the printer's paint device
// (positions are device pixels, pen widths device pixels); PDF documents are made in memory
// and replace their file only once complete.
#include "mw31/qt/qt_printer.h"

#include <QBuffer>
#include <QFontMetricsF>
#include <QPageLayout>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <QPrintDialog>
#include <QPrinter>
#include <algorithm>
#include <cmath>

#include "mw31/atomic_file.h"
#include "mw31/qt/qt_canvas.h"
#include "mw31/qt/qt_text.h"

namespace mw31 {

namespace {

// The canvas of a printed page. The paper cannot be read back: get_pixel answers white.
class PageCanvas final : public Canvas {
  public:
    PageCanvas(QPainter& painter, int width, int height)
        : painter_(painter), width_(width), height_(height) {
        painter_.setRenderHint(QPainter::Antialiasing, false);
        painter_.setBrush(Qt::NoBrush);
        apply_pen();
        set_font(0, 0);
    }

    int width() const override { return width_; }
    int height() const override { return height_; }

    void select_pen(const Pen& pen) override {
        pen_ = pen;
        apply_pen();
    }
    void select_brush(const Brush& brush) override { brush_ = brush; }
    // Paper cannot be read back, and PDF knows no XOR: on white paper XOR gives the pen's
    // inverse, which is what is drawn.
    void set_raster_op(RasterOp op) override {
        if (op == op_) return;
        op_ = op;
        apply_pen();
    }
    void set_text_colour(Rgb colour) override { text_colour_ = colour; }
    void set_text_background(Rgb colour) override { text_background_ = colour; }
    void set_text_transparent(bool transparent) override { text_transparent_ = transparent; }

    void move_to(int x, int y) override { pos_ = {x, y}; }
    void line_to(int x, int y) override {
        if (pen_.style != PenStyle::Null && (x != pos_.x || y != pos_.y))
            painter_.drawLine(QPoint(pos_.x, pos_.y), QPoint(x, y));
        pos_ = {x, y};
    }
    void angle_arc(int cx, int cy, int radius, double start_deg, double sweep_deg) override {
        if (radius < 0 || !std::isfinite(start_deg) || !std::isfinite(sweep_deg)) return;
        auto point_at = [&](double deg) {
            const double a = deg * M_PI / 180.0;
            return Point{int(std::lround(cx + radius * std::cos(a))),
                         int(std::lround(cy - radius * std::sin(a)))};
        };
        const Point first = point_at(start_deg);
        line_to(first.x, first.y);
        if (radius > 0 && pen_.style != PenStyle::Null)
            painter_.drawArc(QRectF(cx - radius, cy - radius, 2.0 * radius, 2.0 * radius),
                             int(std::lround(std::fmod(start_deg, 360.0) * 16)),
                             int(std::lround(std::clamp(sweep_deg, -3600.0, 3600.0) * 16)));
        pos_ = point_at(start_deg + sweep_deg);
    }
    void rectangle(const Rect& r) override {
        const QRect q = normalised(r);
        if (q.isEmpty()) return;
        if (!brush_.hollow) painter_.fillRect(q, to_qcolor(brush_.colour));
        if (pen_.style != PenStyle::Null) painter_.drawRect(q.adjusted(0, 0, -1, -1));
    }
    void fill_rect(const Rect& r, const Brush& brush) override {
        const QRect q = normalised(r);
        if (!q.isEmpty() && !brush.hollow) painter_.fillRect(q, to_qcolor(brush.colour));
    }
    // The cell is filled with the text background first, as an opaque GDI text is; the
    // escapement turns cell and text about the top-left corner.
    void text_out(int x, int y, const std::string& text) override {
        const QString s = to_qstring(text);
        if (s.isEmpty()) return;
        painter_.save();
        painter_.translate(x, y);
        if (escapement_ != 0) painter_.rotate(-escapement_ / 10.0);
        if (!text_transparent_)
            painter_.fillRect(QRect(0, 0, char_width_ * int(s.size()), char_height_),
                              to_qcolor(text_background_));
        painter_.setPen(to_qcolor(text_colour_));
        painter_.setFont(font_);
        for (qsizetype i = 0; i < s.size(); ++i)
            painter_.drawText(QPoint(char_width_ * int(i), ascent_), QString(s[i]));
        painter_.restore();
    }
    void set_pixel(int x, int y, Rgb colour) override {
        painter_.fillRect(QRect(x, y, 1, 1), to_qcolor(colour));
    }
    Rgb get_pixel(int, int) const override { return Rgb{255, 255, 255}; }

    void set_font(int height, int width) override { set_turned_font(height, width, 0); }
    void set_turned_font(int height, int width, int escapement) {
        escapement_ = escapement;
        font_ = canvas_font();
        QPaintDevice* device = painter_.device();
        // Pixel sizes count device pixels, so the default font is scaled to the resolution.
        const int dpi = device ? device->logicalDpiY() : 96;
        const int h = height > 0 ? std::clamp(height, 1, 4096) : std::max(1, 13 * dpi / 96);
        font_.setPixelSize(h);
        const QFontMetricsF metrics(font_, device);
        const double advance = metrics.horizontalAdvance(u'M');
        if (width > 0 && advance > 0)
            font_.setStretch(std::clamp(int(std::lround(100.0 * width / advance)), 1, 4000));
        char_width_ = width > 0 ? width : std::max(1, int(std::lround(advance)));
        char_height_ = h;
        ascent_ = std::min(h, int(std::lround(QFontMetricsF(font_, device).ascent())));
    }

    Point current_position() const override { return pos_; }
    int text_height() const override { return char_height_; }
    int text_width(const std::string& text) const override {
        return char_width_ * int(to_qstring(text).size());
    }

  private:
    static QRect normalised(const Rect& r) {
        const int left = std::min(r.left, r.right), right = std::max(r.left, r.right);
        const int top = std::min(r.top, r.bottom), bottom = std::max(r.top, r.bottom);
        return QRect(left, top, right - left, bottom - top);
    }
    void apply_pen() {
        if (pen_.style == PenStyle::Null) {
            painter_.setPen(Qt::NoPen);
            return;
        }
        Qt::PenStyle style = Qt::SolidLine;
        if (pen_.style == PenStyle::Dash) style = Qt::DashLine;
        if (pen_.style == PenStyle::Dot) style = Qt::DotLine;
        if (pen_.style == PenStyle::DashDot) style = Qt::DashDotLine;
        Rgb colour = pen_.colour;
        if (op_ == RasterOp::Xor)
            colour = Rgb{uint8_t(255 - colour.r), uint8_t(255 - colour.g), uint8_t(255 - colour.b)};
        // A width of one device pixel at least: a zero-width PDF line depends on the viewer.
        painter_.setPen(
            QPen(to_qcolor(colour), std::max(1, pen_.width), style, Qt::RoundCap, Qt::RoundJoin));
    }

    QPainter& painter_;
    int width_, height_;
    Pen pen_;
    Brush brush_;
    RasterOp op_ = RasterOp::Copy;
    Rgb text_colour_{0, 0, 0};
    Rgb text_background_{255, 255, 255};
    bool text_transparent_ = false;
    Point pos_;
    QFont font_;
    int escapement_ = 0;
    int char_width_ = 8, char_height_ = 16, ascent_ = 12;
};

QPageSize::PageSizeId page_size_id(PaperSize paper) {
    switch (paper) {
        case PaperSize::A3:
            return QPageSize::A3;
        case PaperSize::Letter:
            return QPageSize::Letter;
        default:
            return QPageSize::A4;
    }
}

class QtPrinter final : public Printer {
  public:
    // A printer of the platform (CUPS); its document goes to the print system.
    explicit QtPrinter(std::unique_ptr<QPrinter> printer)
        : printer_(std::move(printer)), device_(printer_.get()) {
        target_ = from_qstring(printer_->printerName());
    }
    // A PDF made in memory for the file that `file` replaces.
    QtPrinter(const std::string& target, const QPageLayout& layout, int dots_per_inch)
        : buffer_(std::make_unique<QBuffer>()) {
        buffer_->open(QIODevice::WriteOnly);
        pdf_ = std::make_unique<QPdfWriter>(buffer_.get());
        pdf_->setResolution(dots_per_inch);
        pdf_->setPageLayout(layout);
        pdf_->setCreator(QStringLiteral("kurvlab"));
        device_ = pdf_.get();
        target_ = target;
    }
    ~QtPrinter() override {
        if (painter_.isActive()) abort_document();
    }

    bool open_file(std::string* error) {
        if (file_.begin(target_)) return true;
        *error = file_.error();
        return false;
    }

    double width_mm() const override { return layout().paintRect(QPageLayout::Millimeter).width(); }
    double height_mm() const override {
        return layout().paintRect(QPageLayout::Millimeter).height();
    }
    int width_pixels() const override { return device_->width(); }
    int height_pixels() const override { return device_->height(); }

    bool begin_document(const std::string& name) override {
        if (printer_) printer_->setDocName(to_qstring(name));
        if (pdf_) pdf_->setTitle(to_qstring(name));
        if (!painter_.begin(device_)) {
            error_ = "the printer cannot start a document";
            return false;
        }
        canvas_ = std::make_unique<PageCanvas>(painter_, device_->width(), device_->height());
        first_page_ = true;
        return true;
    }
    bool begin_page() override {
        if (!painter_.isActive()) return false;
        if (!first_page_ && !device_->newPage()) return false;
        first_page_ = false;
        return true;
    }
    Canvas& page() override { return *canvas_; }
    bool end_page() override { return painter_.isActive(); }
    bool end_document() override {
        if (!painter_.isActive()) return false;
        canvas_.reset();
        if (!painter_.end()) {
            error_ = "the document could not be finished";
            return false;
        }
        if (!pdf_) return true;
        pdf_.reset();  // the writer's last bytes reach the buffer
        const QByteArray& bytes = buffer_->data();
        if (!file_.write(bytes.constData(), size_t(bytes.size())) || !file_.commit()) {
            error_ = file_.error();
            return false;
        }
        return true;
    }
    void abort_document() override {
        if (printer_) printer_->abort();
        canvas_.reset();
        if (painter_.isActive()) painter_.end();
        file_.abort();
    }

    void select_font(int height, int width, int escapement) override {
        if (canvas_) canvas_->set_turned_font(height, width, escapement);
    }

    std::string error() const override { return error_; }
    std::string target() const override { return target_; }

  private:
    QPageLayout layout() const { return printer_ ? printer_->pageLayout() : pdf_layout_(); }
    QPageLayout pdf_layout_() const { return pdf_ ? pdf_->pageLayout() : QPageLayout(); }

    std::unique_ptr<QPrinter> printer_;
    std::unique_ptr<QBuffer> buffer_;
    std::unique_ptr<QPdfWriter> pdf_;
    QPagedPaintDevice* device_ = nullptr;
    AtomicFile file_;
    QPainter painter_;
    std::unique_ptr<PageCanvas> canvas_;
    bool first_page_ = true;
    std::string target_;
    std::string error_;
};

std::unique_ptr<Printer> pdf_for_layout(const std::string& file, const QPageLayout& layout,
                                        int dots_per_inch, std::string* error) {
    auto printer = std::make_unique<QtPrinter>(file, layout, dots_per_inch);
    if (!printer->open_file(error)) return nullptr;
    return printer;
}

}  // namespace

std::unique_ptr<Printer> qt_pdf_printer(const PdfTarget& target, std::string* error) {
    if (target.file.empty()) {
        *error = "no file name";
        return nullptr;
    }
    const QPageLayout layout(QPageSize(page_size_id(target.paper)),
                             target.landscape ? QPageLayout::Landscape : QPageLayout::Portrait,
                             QMarginsF(0, 0, 0, 0));
    return pdf_for_layout(target.file, layout, std::clamp(target.dots_per_inch, 36, 2400), error);
}

std::unique_ptr<Printer> qt_print_dialog(const PrintDialogRequest& request) {
    auto printer = std::make_unique<QPrinter>(QPrinter::HighResolution);
    printer->setCopyCount(std::max(1, request.copies));
    printer->setCollateCopies(request.collate);
    QPrintDialog dialog(printer.get());
    dialog.setOption(QAbstractPrintDialog::PrintPageRange, request.page_numbers);
    dialog.setOption(QAbstractPrintDialog::PrintCollateCopies, true);
    if (dialog.exec() != QDialog::Accepted) return nullptr;
    // Printing to a file: made in memory and written whole, like every file we write.
    if (printer->outputFormat() == QPrinter::PdfFormat && !printer->outputFileName().isEmpty()) {
        std::string error;
        return pdf_for_layout(path_from_qstring(printer->outputFileName()), printer->pageLayout(),
                              printer->resolution(), &error);
    }
    return std::make_unique<QtPrinter>(std::move(printer));
}

}  // namespace mw31
