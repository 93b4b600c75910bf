// Looks at a PDF with poppler: pdfinfo's page count and size, and the page rendered by
// pdftoppm as grey pixels without antialiasing.
#pragma once

#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace kvtest {

inline std::string run_output(const std::string& command) {
    std::string out;
    FILE* p = popen((command + " 2>&1").c_str(), "r");
    if (!p) return out;
    char buf[4096];
    size_t n;
    while ((n = fread(buf, 1, sizeof buf, p)) > 0) out.append(buf, n);
    pclose(p);
    return out;
}

// The value of one "Name: value" line of pdfinfo, trimmed.
inline std::string pdfinfo_field(const std::string& pdf, const std::string& name) {
    std::istringstream lines(run_output("pdfinfo '" + pdf + "'"));
    std::string line;
    while (std::getline(lines, line)) {
        if (line.rfind(name + ":", 0) != 0) continue;
        const size_t v = line.find_first_not_of(' ', name.size() + 1);
        return v == std::string::npos ? "" : line.substr(v);
    }
    return "";
}

struct GreyPage {
    int width = 0, height = 0;
    std::vector<unsigned char> pixels;
    int at(int x, int y) const {
        if (x < 0 || y < 0 || x >= width || y >= height) return 255;
        return pixels[size_t(y) * size_t(width) + size_t(x)];
    }
    bool ink(int x, int y) const { return at(x, y) < 128; }
};

// Page 1 at the resolution, rendered without antialiasing so that thin lines stay whole.
inline GreyPage render_page(const std::string& pdf, double dpi) {
    GreyPage page;
    const std::string base = pdf + ".render";
    run_output("pdftoppm -r " + std::to_string(dpi) +
               " -gray -aa no -aaVector no -singlefile -f 1 -l 1 '" + pdf + "' '" + base + "'");
    std::ifstream in(base + ".pgm", std::ios::binary);
    std::string magic;
    int maxval = 0;
    in >> magic >> page.width >> page.height >> maxval;
    in.get();
    if (magic != "P5" || maxval != 255 || page.width <= 0 || page.height <= 0) return GreyPage{};
    page.pixels.resize(size_t(page.width) * size_t(page.height));
    in.read(reinterpret_cast<char*>(page.pixels.data()), std::streamsize(page.pixels.size()));
    std::remove((base + ".pgm").c_str());
    return page;
}

}  // namespace kvtest
