// Reading overlay commands: items, their first word, colour escapes and progress boxes.
#include "gl3d/overlay_commands.h"

#include <cmath>
#include <cstdlib>

#include "mw31/format.h"

namespace gl3d {

namespace {

bool blank(char c) {
    return static_cast<unsigned char>(c) < '!';
}

std::string_view skip_blanks(std::string_view s) {
    size_t i = 0;
    while (i < s.size() && blank(s[i])) ++i;
    return s.substr(i);
}

// The item's first word is `word` followed by a blank or the end.
bool first_word(std::string_view item, std::string_view word, std::string_view* rest) {
    if (item.substr(0, word.size()) != word) return false;
    if (item.size() > word.size() && !blank(item[word.size()])) return false;
    *rest = item.substr(std::min(item.size(), word.size()));
    return true;
}

// Up to n numbers separated by blanks or commas; returns how many were read. A number that is
// not finite, or a word that is no number, ends the reading.
int read_numbers(std::string_view s, double* out, int n) {
    int count = 0;
    size_t i = 0;
    while (count < n) {
        while (i < s.size() && (blank(s[i]) || s[i] == ',')) ++i;
        if (i >= s.size()) break;
        size_t j = i;
        while (j < s.size() && !blank(s[j]) && s[j] != ',') ++j;
        // Longer words are no numbers we want; copying them would cost for nothing.
        if (j - i > 64) break;
        const std::string word(s.substr(i, j - i));
        char* end = nullptr;
        const double v = std::strtod(word.c_str(), &end);
        if (end == word.c_str() || !std::isfinite(v)) break;
        out[count++] = v;
        i = j;
    }
    return count;
}

int component(std::string_view digits) {
    int v = 0;
    for (char c : digits) v = v * 10 + (c >= '0' && c <= '9' ? c - '0' : 0);
    return v > 255 ? 255 : v;
}

}  // namespace

std::vector<std::string_view> split_overlay_items(std::string_view commands) {
    std::vector<std::string_view> items;
    size_t start = 0;
    bool quoted = false;
    for (size_t i = 0; i <= commands.size() && items.size() < kMaxOverlayItems; ++i) {
        if (i < commands.size() && commands[i] == '"') quoted = !quoted;
        if (i < commands.size() && (quoted || commands[i] != ';')) continue;
        const std::string_view item = skip_blanks(commands.substr(start, i - start));
        if (!item.empty()) items.push_back(item);
        start = i + 1;
    }
    return items;
}

std::vector<mw31::TextRun> text_runs(std::string_view text) {
    std::vector<mw31::TextRun> runs;
    mw31::TextRun run;
    for (size_t i = 0; i < text.size();) {
        if (text[i] == '%' && i + 1 < text.size() && text[i + 1] == 'c') {
            size_t j = i + 2;
            while (j < text.size() && j < i + 11 && text[j] >= '0' && text[j] <= '9') ++j;
            std::string digits(text.substr(i + 2, j - i - 2));
            digits.resize(9, '0');
            if (!run.text.empty()) runs.push_back(run);
            run.text.clear();
            run.colour = mw31::Rgb{uint8_t(component(std::string_view(digits).substr(0, 3))),
                                   uint8_t(component(std::string_view(digits).substr(3, 3))),
                                   uint8_t(component(std::string_view(digits).substr(6, 3)))};
            i = j;
            continue;
        }
        run.text += text[i++];
    }
    if (!run.text.empty()) runs.push_back(run);
    return runs;
}

bool ampel_runs(std::string_view text, std::vector<mw31::TextRun>* runs) {
    std::string_view rest;
    if (!first_word(text, "ampel", &rest)) return false;
    double v[3];
    if (read_numbers(rest, v, 3) < 3 || !(v[2] > 0)) return false;
    mw31::TextRun box;
    box.text = "     ";
    box.opaque = true;
    if (v[0] > v[2])
        box.background = mw31::Rgb{255, 100, 100};
    else if (v[0] > v[1])
        box.background = mw31::Rgb{0, 255, 220};
    else
        box.background = mw31::Rgb{0, 0, 200};
    const double percent = std::trunc(v[0] / v[2] * 100 + 0.5);
    const int shown = percent > 1e9 ? 1000000000 : percent < -1e9 ? -1000000000 : int(percent);
    mw31::TextRun number;
    number.text = mw31::format_text("%4d%% ", shown);
    runs->push_back(box);
    runs->push_back(number);
    return true;
}

void parse_overlay(std::string_view commands, Overlay* overlay) {
    std::string joined;  // a text line continued by a trailing backslash
    bool joining = false;
    auto finish_text = [&](std::string text) {
        OverlayTextLine line;
        if (text.size() > kMaxOverlayTextLength) text.resize(kMaxOverlayTextLength);
        if (!ampel_runs(text, &line.runs)) line.runs = text_runs(text);
        line.source = std::move(text);
        overlay->texts.push_back(std::move(line));
    };
    for (std::string_view item : split_overlay_items(commands)) {
        std::string_view rest;
        double v[9];
        if (first_word(item, "kollmarker", &rest)) {
            if (read_numbers(rest, v, 3) == 3) overlay->markers.push_back({{v[0], v[1], v[2]}});
        } else if (first_word(item, "cline", &rest)) {
            if (read_numbers(rest, v, 9) == 9)
                overlay->lines.push_back(
                    {{v[0], v[1], v[2]}, {v[3], v[4], v[5]}, {v[6], v[7], v[8]}});
        } else if (first_word(item, "text", &rest)) {
            // One blank separates the word from the text; more blanks are the text's own.
            if (!rest.empty()) rest.remove_prefix(1);
            if (joined.size() + rest.size() > kMaxOverlayTextLength)
                rest = rest.substr(
                    0, kMaxOverlayTextLength - std::min(joined.size(), kMaxOverlayTextLength));
            joined += rest;
            joining = !joined.empty() && joined.back() == '\\';
            if (joining) {
                joined.pop_back();
                continue;
            }
            finish_text(std::move(joined));
            joined.clear();
        }
    }
    if (joining) finish_text(std::move(joined));
}

}  // namespace gl3d
