// Token text of a VRML 1.0 file: the file cut into tokens once, with the matching brace of
// every "{" so that nodes can be skipped and DEF texts delimited without rescanning.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "faces3/faces3_large_pages.h"

namespace faces3_vrml {

inline constexpr std::size_t kNoMatch = static_cast<std::size_t>(-1);

inline constexpr std::uint32_t kNoMatch32 = UINT32_MAX;
// Largest text the token table can address.
inline constexpr std::size_t kVrmlMaxTextBytes = UINT32_MAX;

// Character classes of the tokenizer: bytes below '!' separate, '#' starts a comment, quotes
// start a string, each of ( ) , [ ] { } is a token by itself, everything else makes words.
enum VrmlCharClass : unsigned char { kVrmlSep, kVrmlWord, kVrmlPunct, kVrmlQuote, kVrmlComment };
inline constexpr std::array<unsigned char, 256> kVrmlCharClass = [] {
    std::array<unsigned char, 256> c{};
    for (int i = 0; i < 256; ++i) c[i] = i < '!' ? kVrmlSep : kVrmlWord;
    for (const unsigned char p : {'(', ')', ',', '[', ']', '{', '}'}) c[p] = kVrmlPunct;
    c['"'] = c['\''] = kVrmlQuote;
    c['#'] = kVrmlComment;
    return c;
}();

// Text of a VRML file: may be many megabytes.
using VrmlText = std::basic_string<char, std::char_traits<char>, Faces3LargeAlloc<char>>;

struct VrmlTokens {
    VrmlText source;  // the file contents; tokens point into it
    // Where each token starts. Its end follows from its first byte and the text, so the
    // table holds 4 bytes per token: lists of short numbers have a token every two or three
    // bytes, and the table is the import's largest.
    Faces3Vec<std::uint32_t> starts;
    std::size_t end = 0;  // the text is cut into tokens up to here
    // Pairs of "{" and its "}" (token indices), ordered by the "{".
    std::vector<std::pair<std::uint32_t, std::uint32_t>> braces;

    std::size_t size() const { return starts.size(); }
    std::string_view raw(std::size_t i) const {
        return std::string_view(source.data() + starts[i], length(i));
    }
    bool quoted(std::size_t i) const {
        const char c = source[starts[i]];
        return c == '"' || c == '\'';
    }
    // Index of the "}" that closes the "{" at i, or kNoMatch.
    std::size_t match(std::size_t i) const;
    // The token as the reader sees it: quotes removed.
    std::string_view value(std::size_t i) const;
    bool is(std::size_t i, std::string_view word) const {
        const std::size_t s = starts[i];
        return !word.empty() && source[s] == word[0] && !quoted(i) && length(i) == word.size() &&
               source.compare(s, word.size(), word.data(), word.size()) == 0;
    }
    // Length of token i, quotes included.
    std::size_t length(std::size_t i) const {
        const std::size_t s = starts[i];
        const char* d = source.data();
        switch (kVrmlCharClass[static_cast<unsigned char>(d[s])]) {
            case kVrmlWord: {
                std::size_t e = s + 1;
                while (e < end && kVrmlCharClass[static_cast<unsigned char>(d[e])] == kVrmlWord)
                    ++e;
                return e - s;
            }
            case kVrmlQuote: {
                const std::size_t close = source.find(d[s], s + 1);  // open: to the end
                return (close == VrmlText::npos || close >= end ? end : close + 1) - s;
            }
            default:
                return 1;
        }
    }
};

// Cuts the text (at most kVrmlMaxTextBytes; the rest is ignored) into tokens: bytes below '!'
// separate, '#' starts a comment to the end of the line, quoted strings (single or double quotes)
// are one token with their quotes, and each of ( ) , [ ] { } is a token by itself.
void vrml_tokenize(VrmlText&& text, VrmlTokens& out);
inline void vrml_tokenize(std::string_view text, VrmlTokens& out) {
    vrml_tokenize(VrmlText(text), out);
}
inline void vrml_tokenize(const char* text, VrmlTokens& out) {
    vrml_tokenize(std::string_view(text), out);
}

// The token text in its written form: every token followed by a line break.
std::string vrml_token_text(const VrmlTokens& tokens);

// Integer forms of index lists: any number of leading signs (each '-' flips), "0x" for
// hexadecimal, a leading "0" for octal (non-digits of the base are skipped), else decimal.
// Values are clamped to the int range.
int vrml_parse_int(std::string_view token);

// A floating-point number as atof reads it, independent of the locale; anything that is
// not a finite number reads as 0. Returns false when no digits were found.
bool vrml_parse_double(std::string_view token, double& value);

}  // namespace faces3_vrml
