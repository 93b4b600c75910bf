// Cutting VRML text into tokens and reading the numbers in them.
#include "faces3/vrml_tokens.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <climits>
#include <cmath>

namespace faces3_vrml {

namespace {

enum CharClass : unsigned char { kSep, kWord, kPunct, kQuote, kComment };

constexpr std::array<unsigned char, 256> make_classes() {
    std::array<unsigned char, 256> c{};
    for (int i = 0; i < 256; ++i) c[i] = i < '!' ? kSep : kWord;
    for (const unsigned char p : {'(', ')', ',', '[', ']', '{', '}'}) c[p] = kPunct;
    c['"'] = c['\''] = kQuote;
    c['#'] = kComment;
    return c;
}
constexpr std::array<unsigned char, 256> kClass = make_classes();

}  // namespace

std::string_view VrmlTokens::value(std::size_t i) const {
    std::string_view t = raw(i);
    if (quoted(i)) {
        const char q = t[0];
        t.remove_prefix(1);
        if (!t.empty() && t.back() == q) t.remove_suffix(1);
    }
    return t;
}

std::size_t VrmlTokens::match(std::size_t i) const {
    const auto it = std::lower_bound(braces.begin(), braces.end(), i,
                                     [](const std::pair<std::uint32_t, std::uint32_t>& b,
                                        std::size_t v) { return b.first < v; });
    if (it == braces.end() || it->first != i || it->second == kNoMatch32) return kNoMatch;
    return it->second;
}

void vrml_tokenize(std::string text, VrmlTokens& out) {
    out.source = std::move(text);
    out.tokens.clear();
    out.braces.clear();
    const std::string& s = out.source;
    // Offsets are 32 bits: a longer text is read up to there.
    const std::size_t n = std::min(s.size(), kVrmlMaxTextBytes);
    out.tokens.reserve(n / 5 + 16);
    // Braces waiting for their close: position in braces.
    std::vector<std::size_t> open;
    std::size_t i = 0;
    auto push = [&](std::size_t from, std::size_t to) {
        out.tokens.push_back(
            {static_cast<std::uint32_t>(from), static_cast<std::uint32_t>(to - from)});
    };
    while (i < n) {
        const unsigned char c = static_cast<unsigned char>(s[i]);
        switch (kClass[c]) {
            case kSep:
                ++i;
                break;
            case kComment:
                while (i < n && s[i] != '\n' && s[i] != '\r') ++i;
                break;
            case kQuote: {
                const std::size_t from = i++;
                const std::size_t close = s.find(static_cast<char>(c), i);
                i = (close == std::string::npos || close >= n) ? n : close + 1;  // open: to the end
                push(from, i);
                break;
            }
            case kPunct: {
                const auto idx = static_cast<std::uint32_t>(out.tokens.size());
                push(i, i + 1);
                if (c == '{') {
                    open.push_back(out.braces.size());
                    out.braces.push_back({idx, kNoMatch32});
                } else if (c == '}' && !open.empty()) {
                    out.braces[open.back()].second = idx;
                    open.pop_back();
                }
                ++i;
                break;
            }
            default: {
                const std::size_t from = i;
                while (i < n && kClass[static_cast<unsigned char>(s[i])] == kWord) ++i;
                push(from, i);
                break;
            }
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
