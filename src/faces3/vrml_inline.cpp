// WWWInline expansion: the file is copied word by word; every WWWInline node is replaced by
// the contents of the file it names (relative to the top-level file's directory).
#include "faces3/vrml_inline.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <new>
#include <vector>

#include "faces3/faces3_large_pages.h"
#include "faces3/faces3_output.h"
#include "faces3/vrml_import.h"

namespace faces3_vrml {

namespace {

bool is_punct(unsigned char c) {
    return c == '(' || c == ')' || c == ',' || c == '[' || c == ']' || c == '{' || c == '}';
}

// Words of a VRML text as the expansion sees them: runs of characters from '!' upward,
// quoted strings whole, each bracket or comma alone, comments to the end of the line.
struct WordReader {
    const VrmlText& text;
    std::size_t pos;
    bool newline_before = false;

    // Next word into [from, to); false at the end of the text.
    bool next(std::size_t& from, std::size_t& to) {
        newline_before = false;
        while (pos < text.size() && static_cast<unsigned char>(text[pos]) < '!') {
            if (text[pos] == '\n' || text[pos] == '\r') newline_before = true;
            ++pos;
        }
        if (pos >= text.size()) return false;
        from = pos;
        const unsigned char c = static_cast<unsigned char>(text[pos]);
        if (c == '#') {
            while (pos < text.size() && text[pos] != '\n' && text[pos] != '\r') ++pos;
        } else if (c == '"' || c == '\'') {
            ++pos;
            while (pos < text.size() && text[pos] != static_cast<char>(c)) ++pos;
            if (pos < text.size()) ++pos;
        } else if (is_punct(c)) {
            ++pos;
        } else {
            while (pos < text.size()) {
                const unsigned char d = static_cast<unsigned char>(text[pos]);
                if (d < '!' || is_punct(d) || d == '#' || d == '"' || d == '\'') break;
                ++pos;
            }
        }
        to = pos;
        return true;
    }
};

std::string unquote(std::string_view w) {
    if (!w.empty() && (w[0] == '"' || w[0] == '\'')) {
        const char q = w[0];
        w.remove_prefix(1);
        if (!w.empty() && w.back() == q) w.remove_suffix(1);
    }
    return std::string(w);
}

struct Expansion {
    std::string base;  // directory of the top-level file, empty when it has none
    VrmlText& out;
    int files = 0;
    std::vector<std::string> chain;  // files being expanded, to refuse cycles
    bool failed = false;
};

void expand_text(Expansion& ex, const VrmlText& text, std::size_t from);

// Reads the node body after "WWWInline {" and returns the file name given at depth 1.
std::string inline_name(WordReader& words, bool& closed) {
    std::string name;
    int depth = 1;
    bool take_next = false;
    std::size_t a, b;
    closed = false;
    while (words.next(a, b)) {
        const std::string_view w(words.text.data() + a, b - a);
        if (w == "{") {
            ++depth;
        } else if (w == "}") {
            if (--depth == 0) {
                closed = true;
                break;
            }
        } else if (take_next) {
            name = unquote(w);
        }
        take_next = depth == 1 && w == "name";
    }
    return name;
}

void include_file(Expansion& ex, const std::string& name) {
    std::string path = ex.base.empty() ? name : ex.base + "/" + name;
    for (char& c : path)
        if (c == '\\') c = '/';
    faces3_terminal_printf("VRML wwwinline include %s\n", path.c_str());
    if (++ex.files > kVrmlMaxInlineFiles) {
        faces3_message_printf("faces3_vrml_treat_wwwinline: zu viele WWWInline-Dateien (max. %d)",
                              kVrmlMaxInlineFiles);
        ex.failed = true;
        return;
    }
    const bool cycle = std::find(ex.chain.begin(), ex.chain.end(), path) != ex.chain.end();
    if (cycle || ex.chain.size() >= static_cast<std::size_t>(kVrmlMaxInlineDepth)) {
        faces3_message_printf(
            "faces3_vrml_treat_wwwinline: %s schliesst sich selbst ein oder ist zu tief "
            "verschachtelt",
            path.c_str());
        return;  // the node is dropped
    }
    VrmlText text;
    if (!vrml_read_file(path, text)) {
        faces3_message_printf("%s Datei/File %s: kann nicht geoeffnet werden / cannot be opened",
                              "faces3_treat_wwwinline", path.c_str());
        return;
    }
    std::size_t rest = 0;
    if (!vrml_header_ok(text, rest)) {
        faces3_message_printf("faces3_vrml_do_treat_wwwinline: %s ist keine VRML1.0-Datei",
                              path.c_str());
        return;
    }
    ex.chain.push_back(path);
    expand_text(ex, text, rest);
    ex.chain.pop_back();
}

void expand_text(Expansion& ex, const VrmlText& text, std::size_t from) {
    // Without any inline the words would come out as they went in (only the blanks between
    // them may change), so the text is copied whole: large face sets pass quickly.
    if (text.find("WWWInline", from) == VrmlText::npos) {
        if (ex.out.size() + (text.size() - from) > kVrmlMaxExpandedBytes) {
            faces3_message_printf("faces3_vrml_treat_wwwinline: Text zu lang (max. %zu Bytes)",
                                  kVrmlMaxExpandedBytes);
            ex.failed = true;
            return;
        }
        ex.out += '\n';
        ex.out.append(text, from, VrmlText::npos);
        return;
    }
    WordReader words{text, from};
    std::size_t a, b;
    while (!ex.failed && words.next(a, b)) {
        const std::string_view w(text.data() + a, b - a);
        if (w == "WWWInline") {
            if (!words.next(a, b) || std::string_view(text.data() + a, b - a) != "{") {
                ex.failed = true;
                return;
            }
            bool closed = false;
            const std::string name = inline_name(words, closed);
            if (!name.empty()) include_file(ex, name);
            continue;
        }
        ex.out += words.newline_before ? '\n' : ' ';
        ex.out.append(w);
        if (ex.out.size() > kVrmlMaxExpandedBytes) {
            faces3_message_printf("faces3_vrml_treat_wwwinline: Text zu lang (max. %zu Bytes)",
                                  kVrmlMaxExpandedBytes);
            ex.failed = true;
        }
    }
}

}  // namespace

bool vrml_header_ok(std::string_view text, std::size_t& rest) {
    std::size_t end = text.find('\n');
    rest = end == std::string_view::npos ? text.size() : end + 1;
    std::string_view line(text.data(), (end == std::string_view::npos ? text.size() : end));
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    const std::string_view header(kVrmlHeader);
    if (line.substr(0, header.size()) != header) return false;
    return line.size() == header.size() || line[header.size()] == ' ' ||
           line[header.size()] == '\t';
}

bool vrml_read_file(const std::string& name, VrmlText& text) {
    // Only plain files: an inline naming a device or a pipe would never end.
    std::error_code ec;
    if (!std::filesystem::is_regular_file(name, ec)) return false;
    std::FILE* fp = std::fopen(name.c_str(), "rb");
    if (!fp) return false;
    text.clear();
    // Size the buffer once where the file can tell its size.
    if (std::fseek(fp, 0, SEEK_END) == 0) {
        const long size = std::ftell(fp);
        if (size > 0)
            // A little more, so that the text can take its new header line in place.
            faces3_reserve_large(
                text, std::min(static_cast<std::size_t>(size), kVrmlMaxExpandedBytes + 1) + 64);
        std::rewind(fp);
    }
    char buf[1 << 16];
    std::size_t got;
    // Beyond the size of an expanded text nothing could be used anyway.
    while (text.size() <= kVrmlMaxExpandedBytes && (got = std::fread(buf, 1, sizeof buf, fp)) > 0)
        text.append(buf, got);
    const bool ok = !std::ferror(fp);
    std::fclose(fp);
    return ok;
}

int vrml_expand_inlines(const std::string& source, VrmlText& out, const char* caller,
                        bool report_source_open) {
    out.clear();
    VrmlText text;
    if (!vrml_read_file(source, text)) {
        if (report_source_open)
            faces3_message_printf(
                "%s Datei/File %s: kann nicht geoeffnet werden / cannot be opened", caller,
                source.c_str());
        return 1;
    }
    std::size_t rest = 0;
    if (!vrml_header_ok(text, rest)) {
        faces3_message_printf("faces3_rcv_from_vrml: %s ist keine VRML1.0-Datei", source.c_str());
        return 1;
    }
    // Without any inline the expansion is the header line, the rest of the text after a line
    // break, and a closing line break: made in the text's own buffer rather than a copy.
    const std::string_view header(kVrmlHeader);
    if (text.size() - rest + header.size() + 1 <= kVrmlMaxExpandedBytes &&
        text.find("WWWInline", rest) == VrmlText::npos) {
        text.replace(0, rest, std::string(header) + "\n\n");
        text += '\n';
        out = std::move(text);
        return 0;
    }
    Expansion ex{std::string(), out, 0, {}, false};
    const std::size_t slash = source.find_last_of("/\\");
    if (slash != std::string::npos) ex.base = source.substr(0, slash);
    ex.chain.push_back(source);
    out.reserve(text.size() + 64);
    out = kVrmlHeader;
    out += '\n';
    expand_text(ex, text, rest);
    out += '\n';
    return ex.failed ? 1 : 0;
}

std::string vrml_temp_dir() {
    // The program's private folder comes through the environment rather than a setter, as
    // the program's platform layer makes it and that layer and this library do not link
    // each other; set but empty means the program has no folder.
    if (const char* own = std::getenv("KURVLAB_PRIVATE_TMPDIR")) return own;
    const char* t = std::getenv("TMPDIR");
    if (t && *t) return t;
    return "/tmp";
}

}  // namespace faces3_vrml

namespace {

int treat_wwwinline(const char* source, const char* target) {
    using namespace faces3_vrml;
    const std::string src = source ? source : "";
    const std::string dst = target ? target : "";
    VrmlText out;
    const int rc = vrml_expand_inlines(src, out, "faces3_vrml_treat_wwwinline", true);
    // A header that failed leaves nothing to write; an expansion that stopped early still
    // writes what it has, as the copy was made word by word.
    if (out.empty()) return 1;
    std::FILE* fp = std::fopen(dst.c_str(), "wb");
    if (!fp) {
        faces3_message_printf("%s Datei/File %s: kann nicht geoeffnet werden / cannot be opened",
                              "faces3_vrml_treat_wwwinline", dst.c_str());
        return 1;
    }
    const bool ok = std::fwrite(out.data(), 1, out.size(), fp) == out.size();
    const int write_error = ok ? 0 : errno;
    const bool closed = std::fclose(fp) == 0;
    if (!ok || !closed) {
        // A cut copy would import as a smaller body: say so; the caller does not import it.
        faces3_message_printf(
            "%s Datei/File %s: kann nicht geschrieben werden / cannot be "
            "written: %s",
            "faces3_vrml_treat_wwwinline", dst.c_str(), std::strerror(ok ? errno : write_error));
        return 1;
    }
    return rc == 0 ? 0 : 1;
}

}  // namespace

int faces3_vrml_treat_wwwinline(const char* source, const char* target) {
    try {
        return treat_wwwinline(source, target);
    } catch (const std::bad_alloc&) {
        faces3_message_printf("faces3_vrml_treat_wwwinline: kein Speicher / out of memory");
        return 1;
    }
}
