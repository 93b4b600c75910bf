// Splits argument lists into tokens: blanks, commas and semicolons separate, quoted parts
// (double quotes or back-quotes) stay together with their quotes.
#pragma once

#include <cstddef>
#include <string>

namespace mw31 {

// The token buffer's size; longer tokens are cut to one character less.
constexpr int kTokenBufferSize = 256;

// One text being split. The text is copied in, so the caller's may go away.
struct TokenizerState {
    std::string text;
    std::size_t cursor = 0;  // index into text; left on the separator after a token
    char token[kTokenBufferSize] = {};
};

// The instance used when none is given.
TokenizerState& default_tokenizer();

// Sets the cursor to the start of the text.
void set_token_text(const std::string& text, TokenizerState& state = default_tokenizer());

// Reads the next token into the state's buffer and returns it; "" at the end of the text.
const char* next_token(TokenizerState& state = default_tokenizer());

// What the cursor has not passed yet.
std::string token_rest(const TokenizerState& state = default_tokenizer());

}  // namespace mw31
