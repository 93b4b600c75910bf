// Cutting VRML text into tokens and reading the numbers in them.
#include "faces3/vrml_tokens.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <climits>
#include <cmath>
#include <new>

#include "faces3/faces3_large_pages.h"

namespace faces3_vrml {

namespace {

constexpr unsigned char kSep = kVrmlSep, kWord = kVrmlWord, kPunct = kVrmlPunct,
                        kQuote = kVrmlQuote, kComment = kVrmlComment;
constexpr const std::array<unsigned char, 256>& kClass = kVrmlCharClass;

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

void vrml_tokenize(VrmlText&& text, VrmlTokens& out) {
    out.source = std::move(text);
    out.starts.clear();
    out.braces.clear();
    const VrmlText& s = out.source;
    // Offsets are 32 bits: a longer text is read up to there.
    const std::size_t n = std::min(s.size(), kVrmlMaxTextBytes);
    out.end = n;
    // There are never more tokens than bytes; reserving that many costs only address space
    // (untouched pages are never mapped in) and saves regrowing a table of millions of tokens.
    // Where even the address space is refused, a smaller guess is taken.
    faces3_reserve_large(out.starts, n + 16);
    if (out.starts.capacity() < n + 16) faces3_reserve_large(out.starts, n / 5 + 16);
    // Braces waiting for their close: position in braces.
    std::vector<std::size_t> open;
    std::size_t i = 0;
    auto push = [&](std::size_t from) { out.starts.push_back(static_cast<std::uint32_t>(from)); };
    while (i < n) {
        const unsigned char c = static_cast<unsigned char>(s[i]);
        const unsigned char cls = kClass[c];
        // Blanks and words are most of any file: handled before the general dispatch.
        if (cls == kSep) {
            ++i;
            continue;
        }
        if (cls == kWord) {
            const std::size_t from = i++;
            const char* const d = s.data();
            while (i < n && kClass[static_cast<unsigned char>(d[i])] == kWord) ++i;
            push(from);
            continue;
        }
        switch (cls) {
            case kComment:
                while (i < n && s[i] != '\n' && s[i] != '\r') ++i;
                break;
            case kQuote: {
                const std::size_t from = i++;
                const std::size_t close = s.find(static_cast<char>(c), i);
                i = (close == VrmlText::npos || close >= n) ? n : close + 1;  // open: to the end
                push(from);
                break;
            }
            case kPunct: {
                const auto idx = static_cast<std::uint32_t>(out.starts.size());
                push(i);
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
            default:
                break;  // blanks and words were taken above
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
    // The usual index: an optional '-' and up to nine decimal digits without a leading 0.
    if (!t.empty()) {
        const bool minus = t[0] == '-';
        const std::size_t from = minus ? 1 : 0;
        if (t.size() > from && t.size() - from <= 9 && t[from] >= '1' && t[from] <= '9') {
            int v = 0;
            std::size_t k = from;
            for (; k < t.size() && t[k] >= '0' && t[k] <= '9'; ++k) v = v * 10 + (t[k] - '0');
            if (k == t.size()) return minus ? -v : v;
        }
    }
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
    // Plain decimals of up to 15 digits: the digits as an integer and the power of ten are both
    // exact doubles, so one division rounds exactly as from_chars does.
    {
        static constexpr double kPow10[] = {1e0, 1e1, 1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                                            1e8, 1e9, 1e10, 1e11, 1e12, 1e13, 1e14, 1e15};
        const bool minus = c0 == '-';
        std::size_t k = minus ? 1 : 0;
        long long m = 0;
        int digits = 0, frac = -1;
        for (; k < t.size(); ++k) {
            const char c = t[k];
            if (c >= '0' && c <= '9') {
                m = m * 10 + (c - '0');
                ++digits;
                if (frac >= 0) ++frac;
            } else if (c == '.' && frac < 0) {
                frac = 0;
            } else {
                break;
            }
            if (digits > 15) break;
        }
        if (k == t.size() && digits > 0) {
            const double x = static_cast<double>(m) / kPow10[frac < 0 ? 0 : frac];
            value = minus ? -x : x;
            return true;
        }
    }
    double v = 0.0;
    const auto r = std::from_chars(t.data(), t.data() + t.size(), v);
    if (r.ec != std::errc() || !std::isfinite(v)) return false;
    value = v;
    return true;
}

}  // namespace faces3_vrml
