// Button bitmaps named after the film window's commands, drawn with QPainter: simple symbols
// on a 32x24 tile, so the tool bar reads at a glance and nothing has to be shipped.
#include "mw31/qt/qt_icons.h"

#include <QHash>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <functional>
#include <map>

namespace mw31 {

namespace {

constexpr int kW = 32, kH = 24;
const QColor kInk(30, 30, 30), kRed(200, 40, 40), kGreen(30, 150, 60), kBlue(40, 80, 190);

void label(QPainter& p, const QString& text, const QColor& colour, int px = 9,
           QRect box = QRect(0, 0, kW, kH)) {
    QFont f(QStringLiteral("Sans"));
    f.setPixelSize(px);
    f.setBold(true);
    p.setFont(f);
    p.setPen(colour);
    p.drawText(box, Qt::AlignCenter, text);
}

void triangle(QPainter& p, QPointF a, QPointF b, QPointF c, const QColor& fill) {
    QPainterPath path;
    path.moveTo(a);
    path.lineTo(b);
    path.lineTo(c);
    path.closeSubpath();
    p.fillPath(path, fill);
}

void arrow(QPainter& p, QPointF from, QPointF to, const QColor& colour) {
    p.setPen(QPen(colour, 2));
    p.drawLine(from, to);
    const QPointF d = (to - from) / std::max(1.0, std::hypot(to.x() - from.x(), to.y() - from.y()));
    const QPointF n(-d.y(), d.x());
    triangle(p, to + d * 2, to - d * 5 + n * 4, to - d * 5 - n * 4, colour);
}

void film_strip(QPainter& p, QRect r) {
    p.fillRect(r, kInk);
    for (int x = r.left() + 2; x < r.right() - 1; x += 5) {
        p.fillRect(x, r.top() + 1, 3, 2, Qt::white);
        p.fillRect(x, r.bottom() - 2, 3, 2, Qt::white);
    }
    p.fillRect(r.adjusted(2, 4, -2, -4), QColor(240, 230, 180));
}

void grid(QPainter& p) {
    p.setPen(QPen(QColor(128, 128, 128), 1));
    for (int x = 4; x < kW; x += 6) p.drawLine(x, 2, x, kH - 3);
    for (int y = 3; y < kH; y += 6) p.drawLine(2, y, kW - 3, y);
}

void phi(QPainter& p, const QString& factor, bool active) {
    if (active) p.fillRect(QRect(1, 1, kW - 2, kH - 2), kBlue);
    label(p, QString(QChar(0x03C6)) + factor, active ? Qt::white : kBlue,
          factor.size() > 2 ? 8 : 10);
}

using Draw = std::function<void(QPainter&)>;

const std::map<std::string, Draw>& drawings() {
    static const std::map<std::string, Draw> table = {
        {"anm_avi",
         [](QPainter& p) {
             film_strip(p, QRect(1, 3, kW - 2, kH - 6));
             label(p, QStringLiteral("AVI"), kRed, 9);
         }},
        {"anm_ende",
         [](QPainter& p) {
             p.setBrush(kRed);
             p.setPen(Qt::NoPen);
             p.drawEllipse(QPointF(kW / 2.0, kH / 2.0), 10, 10);
             p.setPen(QPen(Qt::white, 3));
             p.drawLine(11, 7, 21, 17);
             p.drawLine(21, 7, 11, 17);
         }},
        {"anm_sngl",
         [](QPainter& p) {
             triangle(p, {9, 5}, {9, 19}, {19, 12}, kInk);
             p.fillRect(20, 5, 3, 15, kInk);
         }},
        {"anm_dlf",
         [](QPainter& p) {
             triangle(p, {5, 5}, {5, 19}, {15, 12}, kGreen);
             triangle(p, {15, 5}, {15, 19}, {25, 12}, kGreen);
         }},
        {"anm_dir",
         [](QPainter& p) {
             arrow(p, {6, 8}, {26, 8}, kInk);
             arrow(p, {26, 16}, {6, 16}, kInk);
         }},
        {"anm_slow",
         [](QPainter& p) {
             p.setBrush(QColor(220, 230, 250));
             p.setPen(QPen(kBlue, 2));
             p.drawEllipse(QPointF(kW / 2.0, kH / 2.0), 9, 9);
             p.drawLine(11, 12, 21, 12);
         }},
        {"anm_fast",
         [](QPainter& p) {
             p.setBrush(QColor(220, 245, 225));
             p.setPen(QPen(kGreen, 2));
             p.drawEllipse(QPointF(kW / 2.0, kH / 2.0), 9, 9);
             p.drawLine(11, 12, 21, 12);
             p.drawLine(16, 7, 16, 17);
         }},
        {"anm_init",
         [](QPainter& p) {
             p.setPen(QPen(kInk, 2));
             p.drawLine(3, 3, 9, 3), p.drawLine(3, 3, 3, 8);
             p.drawLine(28, 20, 22, 20), p.drawLine(28, 20, 28, 15);
             label(p, QStringLiteral("1:1"), kInk, 10);
         }},
        {"anm_inv",
         [](QPainter& p) {
             p.fillRect(QRect(4, 3, 12, 18), Qt::white);
             p.fillRect(QRect(16, 3, 12, 18), kInk);
             p.setPen(QPen(kInk, 1));
             p.drawRect(QRect(4, 3, 24, 18));
             p.setBrush(kInk);
             p.drawEllipse(QPointF(10, 12), 3, 3);
             p.setBrush(Qt::white);
             p.setPen(Qt::NoPen);
             p.drawEllipse(QPointF(22, 12), 3, 3);
         }},
        {"anm_hcpy",
         [](QPainter& p) {
             p.fillRect(QRect(10, 2, 12, 8), Qt::white);
             p.setPen(QPen(kInk, 1));
             p.drawRect(QRect(10, 2, 12, 8));
             p.fillRect(QRect(5, 9, 22, 9), QColor(110, 110, 120));
             p.fillRect(QRect(10, 15, 12, 7), Qt::white);
             p.drawRect(QRect(10, 15, 12, 7));
         }},
        {"anm_info",
         [](QPainter& p) {
             p.setBrush(kBlue);
             p.setPen(Qt::NoPen);
             p.drawEllipse(QPointF(kW / 2.0, kH / 2.0), 10, 10);
             label(p, QStringLiteral("i"), Qt::white, 14);
         }},
        {"anm_save",
         [](QPainter& p) {
             p.fillRect(QRect(7, 2, 19, 20), kBlue);
             p.fillRect(QRect(11, 2, 11, 7), QColor(220, 220, 230));
             p.fillRect(QRect(10, 13, 13, 9), Qt::white);
         }},
        {"anm_dxf",
         [](QPainter& p) {
             p.setPen(QPen(kGreen, 1));
             p.drawLine(2, 20, 12, 4), p.drawLine(12, 4, 29, 20);
             label(p, QStringLiteral("DXF"), kInk, 9, QRect(0, 8, kW, 16));
         }},
        {"anm_flm",
         [](QPainter& p) {
             film_strip(p, QRect(1, 3, kW - 2, kH - 6));
             label(p, QStringLiteral("FLM+"), kBlue, 8);
         }},
        {"anm_go",
         [](QPainter& p) {
             triangle(p, {10, 4}, {10, 20}, {24, 12}, kGreen);
         }},
        {"anm_stop",
         [](QPainter& p) {
             p.fillRect(QRect(10, 5, 4, 14), kRed);
             p.fillRect(QRect(18, 5, 4, 14), kRed);
         }},
        {"anm_grid", [](QPainter& p) { grid(p); }},
        {"anm_nogrid",
         [](QPainter& p) {
             grid(p);
             p.setPen(QPen(kRed, 2));
             p.drawLine(4, 20, 28, 4);
         }},
        {"anm_phi1", [](QPainter& p) { phi(p, QStringLiteral("1"), false); }},
        {"anm_phi2", [](QPainter& p) { phi(p, QStringLiteral("10"), false); }},
        {"anm_phi3", [](QPainter& p) { phi(p, QStringLiteral("100"), false); }},
        {"anm_phi4", [](QPainter& p) { phi(p, QStringLiteral("1"), true); }},
        {"anm_phi5", [](QPainter& p) { phi(p, QStringLiteral("10"), true); }},
        {"anm_phi6", [](QPainter& p) { phi(p, QStringLiteral("100"), true); }},
        {"anm_mes1",
         [](QPainter& p) {
             p.setPen(QPen(kInk, 1));
             p.drawLine(4, 12, 28, 12), p.drawLine(16, 2, 16, 22);
             p.setBrush(kRed);
             p.drawEllipse(QPointF(16, 12), 3, 3);
         }},
        {"anm_mes2",
         [](QPainter& p) {
             p.setBrush(kRed);
             p.setPen(Qt::NoPen);
             p.drawEllipse(QPointF(6, 18), 3, 3);
             arrow(p, {6, 18}, {26, 5}, kBlue);
         }},
        {"anm_mes3",
         [](QPainter& p) {
             p.fillRect(QRect(2, 8, 28, 8), QColor(240, 210, 120));
             p.setPen(QPen(kInk, 1));
             for (int x = 4; x < 30; x += 4) p.drawLine(x, 8, x, x % 8 ? 11 : 13);
             p.setPen(QPen(kRed, 2));
             p.drawLine(20, 3, 29, 21), p.drawLine(29, 3, 20, 21);
         }},
        {"kvfilm",
         [](QPainter& p) {
             film_strip(p, QRect(1, 2, kW - 2, kH - 4));
             p.setPen(QPen(kBlue, 2));
             p.drawLine(8, 15, 14, 9), p.drawLine(14, 9, 24, 13);
         }},
        {"kvtext",
         [](QPainter& p) {
             p.fillRect(QRect(2, 2, kW - 4, kH - 4), Qt::black);
             label(p, QStringLiteral(">_"), QColor(200, 200, 200), 11);
         }},
    };
    return table;
}

QHash<QString, QIcon>& cache() {
    static QHash<QString, QIcon> icons;
    return icons;
}

}  // namespace

void clear_icon_cache() {
    cache().clear();
}

QIcon icon_for(const std::string& name) {
    std::string key = name;
    for (char& c : key) c = char(std::tolower(static_cast<unsigned char>(c)));
    if (key == "smfilm") key = "kvfilm";
    if (key == "smtext") key = "kvtext";
    const QString qkey = QString::fromStdString(key);
    if (auto it = cache().find(qkey); it != cache().end()) return *it;
    const auto& table = drawings();
    const auto found = table.find(key);
    if (found == table.end()) return QIcon();
    QPixmap pixmap(kW, kH);
    pixmap.fill(Qt::transparent);
    {
        QPainter p(&pixmap);
        p.setRenderHint(QPainter::Antialiasing, true);
        found->second(p);
    }
    QIcon icon(pixmap);
    cache().insert(qkey, icon);
    return icon;
}

std::vector<std::string> icon_names() {
    std::vector<std::string> names;
    for (const auto& [name, draw] : drawings()) names.push_back(name);
    return names;
}

}  // namespace mw31
