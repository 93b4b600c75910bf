// Parsing and drawing of the status panel's text commands.
#include "mw31/status_panel.h"

#include <charconv>
#include <cmath>
#include <cstring>

#include "mw31/format.h"

namespace mw31 {

namespace {

constexpr Rgb kWhite{255, 255, 255};
constexpr Rgb kBlack{0, 0, 0};

// Reads a number after blanks; locale-independent.
bool read_number(const std::string& s, std::size_t* pos, double* value) {
    std::size_t i = *pos;
    while (i < s.size() && s[i] == ' ') ++i;
    const char* begin = s.data() + i;
    const auto [end, ec] = std::from_chars(begin, s.data() + s.size(), *value);
    if (ec != std::errc() || !std::isfinite(*value)) return false;
    *pos = std::size_t(end - s.data());
    return true;
}

int percentage(double a, double c) {
    const double p = std::trunc(a / c * 100 + 0.5);
    // Keeps the conversion defined for absurd rates.
    if (!(p > -1e9)) return -1000000000;
    if (p > 1e9) return 1000000000;
    return int(p);
}

// Nine characters RRRGGGBBB; a non-digit counts as 0, each part is clamped to 255.
Rgb read_colour(const std::string& s, std::size_t* pos) {
    int part[3] = {0, 0, 0};
    std::size_t i = *pos;
    for (int p = 0; p < 3; ++p) {
        for (int d = 0; d < 3 && i < s.size(); ++d, ++i) {
            const char c = s[i];
            part[p] = part[p] * 10 + ((c >= '0' && c <= '9') ? c - '0' : 0);
        }
        if (part[p] > 255) part[p] = 255;
    }
    *pos = i;
    return Rgb{uint8_t(part[0]), uint8_t(part[1]), uint8_t(part[2])};
}

void draw_line(Canvas& canvas, int width, int top, const std::string& line) {
    canvas.fill_rect(Rect{0, top, width, top + kStatusBarHeight}, Brush{kWhite, false});
    const int y = top + 1;
    int x = kStatusTextX;
    auto put = [&](const std::string& piece) {
        canvas.text_out(x, y, piece);
        x += canvas.text_width(piece);
    };
    canvas.set_text_colour(kBlack);
    canvas.set_text_background(kWhite);

    std::size_t i = 0;
    if (line.compare(0, 6, "ampel ") == 0) {
        std::size_t pos = 6;
        double a = 0, b = 0, c = 0;
        if (read_number(line, &pos, &a) && read_number(line, &pos, &b) &&
            read_number(line, &pos, &c)) {
            while (pos < line.size() && line[pos] == ' ') ++pos;
            i = pos;
            if (c > 0) {
                canvas.set_text_background(c < a ? kAmpelRed : a > b ? kAmpelYellow : kAmpelGreen);
                put("     ");
                canvas.set_text_background(kWhite);
                put(format_text("%4d%% ", percentage(a, c)));
            }
        }
    }
    while (i < line.size()) {
        if (line[i] == '%' && i + 1 < line.size() && line[i + 1] == 'c') {
            i += 2;
            canvas.set_text_colour(read_colour(line, &i));
            continue;
        }
        put(std::string(1, line[i]));
        ++i;
    }
}

}  // namespace

std::vector<std::string> status_commands(const std::string& text) {
    std::vector<std::string> commands;
    std::string current;
    bool quoted = false;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '"') quoted = !quoted;
        if (c == ';' && !quoted) {
            commands.push_back(current);
            current.clear();
            while (i + 1 < text.size() && text[i + 1] == ' ') ++i;
            continue;
        }
        current += c;
    }
    if (!current.empty()) commands.push_back(current);
    return commands;
}

std::vector<std::string> status_lines(const std::string& text) {
    std::vector<std::string> lines;
    std::string pending;
    bool joining = false;
    for (const std::string& command : status_commands(text)) {
        if (command.compare(0, 5, "text ") != 0) continue;
        pending += command.substr(5);
        joining = !pending.empty() && pending.back() == '\\';
        if (joining) {
            pending.pop_back();
            continue;
        }
        lines.push_back(pending);
        pending.clear();
    }
    if (joining) lines.push_back(pending);
    return lines;
}

void draw_status_panel(Canvas& canvas, int client_width, int client_height,
                       const std::string& text) {
    const std::vector<std::string> lines = status_lines(text);
    for (std::size_t k = 0; k < lines.size(); ++k) {
        const int top = client_height - kStatusBarHeight * int(k + 1);
        draw_line(canvas, client_width, top, lines[k]);
    }
}

void draw_status_panel(const Window& window, Canvas& canvas, const std::string& text) {
    const Rect client = window.client_rect();
    draw_status_panel(canvas, client.width(), client.height(), text);
}

}  // namespace mw31
