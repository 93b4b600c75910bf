// Lines may have any length and either line end; a "\r" before the "\n" is not content.
#include "film_model/cad_unwrap.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <map>

#include "mw31/file_services.h"
#include "mw31/format.h"

namespace film {

namespace {

std::map<std::string, std::string>& origins() {
    static std::map<std::string, std::string> copies;
    return copies;
}

}  // namespace

std::string cad_unwrap_origin(const std::string& copy) {
    const auto it = origins().find(copy);
    return it == origins().end() ? std::string() : it->second;
}

int cad_unwrap_anmneu(const std::string& source, const std::string& target,
                      const ReportFn& report) {
    FILE* in = std::fopen(source.c_str(), "rb");
    if (!in) {
        report(
            mw31::format_text("Kann Datei nicht oeffnen / Cannot open file:\n%s", source.c_str()));
        return 1;
    }
    std::string line;
    if (!mw31::read_whole_line(in, &line) || line.rfind("# CAD-", 0) != 0 ||
        line.find(" --- ") == std::string::npos) {
        std::fclose(in);
        return 1;
    }
    bool started = false;
    while (mw31::read_whole_line(in, &line))
        if (line == "# Start ANMNEU-Datei") {
            started = true;
            break;
        }
    if (!started) {
        std::fclose(in);
        report(mw31::format_text(
            "%s: kein ANMNEU-Film in der CAD-Datei / no ANMNEU film in the CAD export "
            "(\"# Start ANMNEU-Datei\" missing)",
            source.c_str()));
        return 1;
    }
    origins().erase(target);
    FILE* out = std::fopen(target.c_str(), "wb");
    if (!out) {
        const int error = errno;
        std::fclose(in);
        report(
            mw31::format_text("%s: kann den Film nicht auspacken / cannot unwrap the film:\n%s: %s",
                              source.c_str(), target.c_str(), std::strerror(error)));
        return 1;
    }
    bool ok = true;
    int error = 0;
    while (mw31::read_whole_line(in, &line) && line != "# Ende ANMNEU-Datei") {
        const std::string body = line.size() > 2 ? line.substr(2) : std::string();
        if (ok && !(std::fwrite(body.data(), 1, body.size(), out) == body.size() &&
                    std::fputc('\n', out) != EOF)) {
            ok = false;
            error = errno;
        }
    }
    std::fclose(in);
    if (std::fclose(out) != 0 && ok) {
        ok = false;
        error = errno;
    }
    if (!ok) {
        // A part of the film would play as a film of fewer frames, under the copy's name. Only
        // a file or link goes: a device named as the target stays where it is.
        struct stat st;
        if (lstat(target.c_str(), &st) == 0 && (S_ISREG(st.st_mode) || S_ISLNK(st.st_mode)))
            std::remove(target.c_str());
        report(
            mw31::format_text("%s: kann den Film nicht auspacken / cannot unwrap the film:\n%s: %s",
                              source.c_str(), target.c_str(), std::strerror(error ? error : EIO)));
        return 1;
    }
    origins()[target] = source;
    return 0;
}

}  // namespace film
