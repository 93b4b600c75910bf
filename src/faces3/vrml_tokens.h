// Token text of a VRML 1.0 file: the file cut into tokens once, with the matching brace of
// every "{" so that nodes can be skipped and DEF texts delimited without rescanning.
#pragma once

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

struct VrmlToken {
    std::uint32_t start;  // offset in the source
    std::uint32_t len;    // length, quotes included
};

// Text of a VRML file: may be many megabytes.
using VrmlText = std::basic_string<char, std::char_traits<char>, Faces3LargeAlloc<char>>;

struct VrmlTokens {
    VrmlText source;  // the file contents; tokens point into it
    Faces3Vec<VrmlToken> tokens;
    // Pairs of "{" and its "}" (token indices), ordered by the "{".
    std::vector<std::pair<std::uint32_t, std::uint32_t>> braces;

    std::size_t size() const { return tokens.size(); }
    std::string_view raw(std::size_t i) const {
        return std::string_view(source.data() + tokens[i].start, tokens[i].len);
    }
    bool quoted(std::size_t i) const {
        const char c = source[tokens[i].start];
        return c == '"' || c == '\'';
    }
    // Index of the "}" that closes the "{" at i, or kNoMatch.
    std::size_t match(std::size_t i) const;
    // The token as the reader sees it: quotes removed.
    std::string_view value(std::size_t i) const;
    bool is(std::size_t i, std::string_view word) const {
        return tokens[i].len == word.size() && !quoted(i) && raw(i) == word;
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
