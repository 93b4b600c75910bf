// Builds the text of an ANMNEU film line by line: head, info text, symbol definitions and
// frames, with numbers written short and always with a decimal point.
#pragma once

#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

namespace tools {

// v with at most `decimals` places, trailing zeros dropped; never "-0".
inline std::string short_number(double v, int decimals = 3) {
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.*f", decimals, v);
    std::string s = buf;
    if (s.find('.') != std::string::npos) {
        while (s.back() == '0') s.pop_back();
        if (s.back() == '.') s.pop_back();
    }
    if (s == "-0") s = "0";
    return s;
}

class AnmneuText {
  public:
    void head(int symbols, int frames, double xmin, double xmax, double ymin, double ymax) {
        line("ANMNEU");
        line(std::to_string(symbols));
        line(std::to_string(frames));
        for (double v : {xmin, xmax, ymin, ymax}) line(short_number(v));
    }

    void info(const std::vector<std::string>& lines) {
        line("--- Start Infotext ---");
        for (const std::string& l : lines) line(l);
        line("--- Ende Infotext ---");
    }

    void start_symbols() { line("--- Symbol-Dateien ---"); }

    // Three heading lines (name, remark, colour name), then the contour lines.
    void symbol(int n, const std::string& name, const std::string& remark,
                const std::string& colour, const std::vector<std::string>& contour) {
        line("begin " + std::to_string(n));
        line(name);
        line(remark);
        line(colour);
        for (const std::string& l : contour) line(l);
        line("end");
    }

    void frame(int i) { line("#" + std::to_string(i)); }
    // Captions are status-panel commands: "text ..." lines are what the panel draws.
    void caption(const std::string& text) { line("x text " + text); }
    void label(double x, double y, const std::string& text) {
        line("c" + short_number(x) + " " + short_number(y) + ":" + text);
    }
    // Placement of the frame's next symbol; defaults at the end are left out.
    void place(double x, double y, double phi = 0, double sx = 1, double sy = 1) {
        std::string s = short_number(x) + " " + short_number(y);
        const bool scaled = sx != 1 || sy != 1;
        if (phi != 0 || scaled) s += " " + short_number(phi, 6);
        if (scaled) s += " " + short_number(sx, 4) + " " + short_number(sy, 4);
        line(s);
    }

    void line(const std::string& l) {
        text_ += l;
        text_ += '\n';
    }

    const std::string& text() const { return text_; }

  private:
    std::string text_;
};

// Contour commands with short numbers.
inline std::string contour_point(char command, double x, double y) {
    return std::string(1, command) + " " + short_number(x) + " " + short_number(y);
}

inline std::string contour_arc(double x, double y, double r, double a1, double a2) {
    return "c " + short_number(x) + " " + short_number(y) + " " + short_number(r) + " " +
           short_number(a1) + " " + short_number(a2);
}

}  // namespace tools
