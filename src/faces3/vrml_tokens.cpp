// Cutting VRML text into tokens and reading the numbers in them.
#include "faces3/vrml_tokens.h"

#include <charconv>
#include <climits>
#include <cmath>

namespace faces3_vrml {

namespace {

bool is_punct(unsigned char c) {
    return c == '(' || c == ')' || c == ',' || c == '[' || c == ']' || c == '{' || c == '}';
}

bool is_word_char(unsigned char c) {
    return c >= '!' && !is_punct(c) && c != '#' && c != '"' && c != '\'';
}

}  // namespace

std::string_view VrmlTokens::value(std::size_t i) const {
    std::string_view t = raw(i);
    if (quoted(i)) {
        t.remove_prefix(1);
        if (!t.empty() && t.back() == source[start[i]]) t.remove_suffix(1);
    }
    return t;
}

void vrml_tokenize(std::string text, VrmlTokens& out) {
    out.source = std::move(text);
    out.start.clear();
    out.len.clear();
    out.match.clear();
    const std::string& s = out.source;
    const std::size_t n = s.size();
    std::vector<std::size_t> open;  // indices of "{" waiting for their "}"
    std::size_t i = 0;
    auto push = [&](std::size_t from, std::size_t to) {
        out.start.push_back(from);
        // A single token longer than 4 GB cannot occur in a file we could hold anyway,
        // but clamp rather than wrap.
        out.len.push_back(static_cast<std::uint32_t>(std::min<std::size_t>(to - from, UINT32_MAX)));
        out.match.push_back(kNoMatch);
    };
    while (i < n) {
        const unsigned char c = static_cast<unsigned char>(s[i]);
        if (c < '!') {
            ++i;
        } else if (c == '#') {
            while (i < n && s[i] != '\n' && s[i] != '\r') ++i;
        } else if (c == '"' || c == '\'') {
            const std::size_t from = i++;
            while (i < n && s[i] != static_cast<char>(c)) ++i;
            if (i < n) ++i;  // the closing quote; an open string runs to the end
            push(from, i);
        } else if (is_punct(c)) {
            push(i, i + 1);
            if (c == '{') {
                open.push_back(out.size() - 1);
            } else if (c == '}' && !open.empty()) {
                out.match[open.back()] = out.size() - 1;
                open.pop_back();
            }
            ++i;
        } else {
            const std::size_t from = i;
            while (i < n && is_word_char(static_cast<unsigned char>(s[i]))) ++i;
            push(from, i);
        }
    }
}

std::string vrml_token_text(const VrmlTokens& tokens) {
    std::string text;
    for (std::size_t i = 0; i < tokens.size(); ++i) {
        text += tokens.raw(i);
        text += '\n';
    }
    return text;
}

int vrml_parse_int(std::string_view t) {
    std::size_t i = 0;
    bool negative = false;
    while (i < t.size() && (t[i] == '-' || t[i] == '+')) {
        if (t[i] == '-') negative = !negative;
        ++i;
    }
    int base = 10;
    bool skip_foreign = false;
    if (i + 1 < t.size() && t[i] == '0' && (t[i + 1] == 'x' || t[i + 1] == 'X')) {
        base = 16;
        skip_foreign = true;
        i += 2;
    } else if (i < t.size() && t[i] == '0') {
        base = 8;
        skip_foreign = true;
        ++i;
    }
    // Accumulate beyond the int range only as far as needed to clamp.
    const long long limit = static_cast<long long>(INT_MAX) + 1;
    long long v = 0;
    for (; i < t.size(); ++i) {
        const char c = t[i];
        int d = -1;
        if (c >= '0' && c <= '9')
            d = c - '0';
        else if (c >= 'a' && c <= 'f')
            d = c - 'a' + 10;
        else if (c >= 'A' && c <= 'F')
            d = c - 'A' + 10;
        if (d < 0 || d >= base) {
            if (skip_foreign) continue;
            break;
        }
        v = v * base + d;
        if (v > limit) v = limit;
    }
    if (negative) return static_cast<int>(-v < INT_MIN ? INT_MIN : -v);
    return static_cast<int>(v > INT_MAX ? INT_MAX : v);
}

bool vrml_parse_double(std::string_view t, double& value) {
    value = 0.0;
    if (!t.empty() && t[0] == '+') t.remove_prefix(1);
    if (t.empty()) return false;
    const char c0 = t[0];
    if (!(c0 == '-' || c0 == '.' || (c0 >= '0' && c0 <= '9'))) return false;
    double v = 0.0;
    const auto r = std::from_chars(t.data(), t.data() + t.size(), v);
    if (r.ec != std::errc() || !std::isfinite(v)) return false;
    value = v;
    return true;
}

}  // namespace faces3_vrml
