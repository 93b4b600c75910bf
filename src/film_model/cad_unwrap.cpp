// Lines may have any length and either line end; a "\r" before the "\n" is not content.
#include "film_model/cad_unwrap.h"

#include <cstdio>

#include "mw31/format.h"

namespace film {

namespace {

bool read_line(FILE* f, std::string* line) {
    line->clear();
    int c;
    bool any = false;
    while ((c = std::fgetc(f)) != EOF) {
        any = true;
        if (c == '\n') break;
        *line += char(c);
    }
    if (!line->empty() && line->back() == '\r') line->pop_back();
    return any;
}

}  // namespace

int cad_unwrap_anmneu(const std::string& source, const std::string& target,
                      const ReportFn& report) {
    FILE* in = std::fopen(source.c_str(), "rb");
    if (!in) {
        report(
            mw31::format_text("Kann Datei nicht oeffnen / Cannot open file:\n%s", source.c_str()));
        return 1;
    }
    std::string line;
    if (!read_line(in, &line) || line.rfind("# CAD-", 0) != 0 ||
        line.find(" --- ") == std::string::npos) {
        std::fclose(in);
        return 1;
    }
    bool started = false;
    while (read_line(in, &line))
        if (line == "# Start ANMNEU-Datei") {
            started = true;
            break;
        }
    if (!started) {
        std::fclose(in);
        return 1;
    }
    FILE* out = std::fopen(target.c_str(), "wb");
    if (!out) {
        std::fclose(in);
        return 1;
    }
    bool ok = true;
    while (read_line(in, &line) && line != "# Ende ANMNEU-Datei") {
        const std::string body = line.size() > 2 ? line.substr(2) : std::string();
        ok &= std::fwrite(body.data(), 1, body.size(), out) == body.size() &&
              std::fputc('\n', out) != EOF;
    }
    std::fclose(in);
    ok &= std::fclose(out) == 0;
    return ok ? 0 : 1;
}

}  // namespace film
