// Tokenizer: separators, quoted parts, the cursor and over-long tokens.
#include "mw31/tokenizer.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

std::vector<std::string> all_tokens(const std::string& text, mw31::TokenizerState& state) {
    mw31::set_token_text(text, state);
    std::vector<std::string> tokens;
    for (int guard = 0; guard < 100; ++guard) {
        const std::string token = mw31::next_token(state);
        if (token.empty()) break;
        tokens.push_back(token);
    }
    return tokens;
}

TEST(Tokenizer, SeparatorsAndQuotedParts) {
    mw31::TokenizerState s;
    EXPECT_EQ(all_tokens("a, \"b c\";d", s), (std::vector<std::string>{"a", "\"b c\"", "d"}));
    EXPECT_EQ(all_tokens("  ,;one;;two ,three  ", s),
              (std::vector<std::string>{"one", "two", "three"}));
    EXPECT_EQ(all_tokens("x`p;q,r`y z", s), (std::vector<std::string>{"x`p;q,r`y", "z"}));
    // A back-quote inside double quotes is an ordinary character.
    EXPECT_EQ(all_tokens("\"a`b\" c", s), (std::vector<std::string>{"\"a`b\"", "c"}));
    EXPECT_TRUE(all_tokens("", s).empty());
    EXPECT_TRUE(all_tokens(" ;, ", s).empty());
}

TEST(Tokenizer, MissingClosingQuoteIsSupplied) {
    mw31::TokenizerState s;
    EXPECT_EQ(all_tokens("a \"b c", s), (std::vector<std::string>{"a", "\"b c\""}));
    EXPECT_EQ(all_tokens("`", s), (std::vector<std::string>{"``"}));
}

TEST(Tokenizer, CursorStopsOnTheSeparator) {
    mw31::set_token_text("first;second");
    EXPECT_STREQ(mw31::next_token(), "first");
    EXPECT_EQ(mw31::token_rest(), ";second");
    EXPECT_STREQ(mw31::next_token(), "second");
    EXPECT_EQ(mw31::token_rest(), "");
    EXPECT_STREQ(mw31::next_token(), "");
    EXPECT_STREQ(mw31::next_token(), "");
}

TEST(Tokenizer, LongTokensAreCutButPassed) {
    mw31::TokenizerState s;
    const std::string longword(1000, 'w');
    const std::vector<std::string> tokens = all_tokens(longword + " next", s);
    ASSERT_EQ(tokens.size(), 2u);
    EXPECT_EQ(tokens[0], std::string(mw31::kTokenBufferSize - 1, 'w'));
    EXPECT_EQ(tokens[1], "next");

    const std::string quoted = "\"" + std::string(600, 'q') + " x\";after";
    const std::vector<std::string> q = all_tokens(quoted, s);
    ASSERT_EQ(q.size(), 2u);
    EXPECT_EQ(q[0].size(), size_t(mw31::kTokenBufferSize - 1));
    EXPECT_EQ(q[1], "after");
}

TEST(Tokenizer, StatesAreIndependentAndOwnTheirText) {
    mw31::TokenizerState a, b;
    {
        std::string gone = "one two";
        mw31::set_token_text(gone, a);
    }
    mw31::set_token_text("x y", b);
    EXPECT_STREQ(mw31::next_token(a), "one");
    EXPECT_STREQ(mw31::next_token(b), "x");
    EXPECT_STREQ(mw31::next_token(a), "two");
    EXPECT_STREQ(mw31::next_token(b), "y");
}

}  // namespace
