// Tokenizer of the VRML importer: separators, comments, quoted strings, the integer forms
// of index lists and locale-free reals.
#include "faces3/vrml_tokens.h"

#include <gtest/gtest.h>

#include <clocale>
#include <string>
#include <vector>

using namespace faces3_vrml;

namespace {

std::vector<std::string> cut(const std::string& text) {
    VrmlTokens t;
    vrml_tokenize(text, t);
    std::vector<std::string> out;
    for (std::size_t i = 0; i < t.size(); ++i) out.emplace_back(t.raw(i));
    return out;
}

}  // namespace

TEST(VrmlTokens, PunctuationStandsAloneAndCommentsVanish) {
    EXPECT_EQ(cut("Separator{point[1,2 3]}# rest { ignored\nCube"),
              (std::vector<std::string>{"Separator", "{", "point", "[", "1", ",", "2", "3", "]",
                                        "}", "Cube"}));
    // Control characters and CR line ends separate; a comment ends at CR as well.
    EXPECT_EQ(cut("a\tb\r#c\rd\x01"
                  "e"),
              (std::vector<std::string>{"a", "b", "d", "e"}));
    // Bytes above 127 belong to words (names with umlauts stay whole).
    EXPECT_EQ(cut("DEF Gr\xc3\xbc"
                  "n x"),
              (std::vector<std::string>{"DEF", "Gr\xc3\xbcn", "x"}));
}

TEST(VrmlTokens, QuotedStringsAreOneTokenWithTheirQuotes) {
    VrmlTokens t;
    vrml_tokenize("name \"a {b} # c\" 'it''s' \"\" \"open to the end", t);
    ASSERT_EQ(t.size(), 6u);
    EXPECT_EQ(t.raw(1), "\"a {b} # c\"");
    EXPECT_EQ(t.value(1), "a {b} # c");
    EXPECT_TRUE(t.quoted(1));
    EXPECT_EQ(t.value(2), "it");
    EXPECT_EQ(t.value(3), "s");
    EXPECT_EQ(t.value(4), "");
    EXPECT_EQ(t.value(5), "open to the end");
    // A brace inside quotes is no structure: "{" is not counted, a quoted "}" not a close.
    vrml_tokenize("A { \"}\" B { } }", t);
    EXPECT_EQ(t.match(1), t.size() - 1);
    EXPECT_FALSE(t.is(2, "}"));
}

TEST(VrmlTokens, WordsEndAtBlanksPunctuationQuotesCommentsAndTheTextEnd) {
    EXPECT_EQ(
        cut("USE\"x\"DEF'y'Cube#c\nz{w}v"),
        (std::vector<std::string>{"USE", "\"x\"", "DEF", "'y'", "Cube", "z", "{", "w", "}", "v"}));
    // A word is the whole word: "USE" is not the start of "USEful", nor a quoted "USE".
    VrmlTokens t;
    vrml_tokenize("USEful USE \"USE\" US U", t);
    ASSERT_EQ(t.size(), 5u);
    EXPECT_FALSE(t.is(0, "USE"));
    EXPECT_TRUE(t.is(1, "USE"));
    EXPECT_FALSE(t.is(2, "USE"));
    EXPECT_EQ(t.value(2), "USE");
    EXPECT_FALSE(t.is(3, "USE"));
    EXPECT_FALSE(t.is(4, "USE"));
    EXPECT_EQ(t.raw(4), "U");
    EXPECT_FALSE(t.is(4, ""));
}

TEST(VrmlTokens, BracesKnowTheirMatch) {
    VrmlTokens t;
    vrml_tokenize("a { b { } c } { d", t);
    EXPECT_EQ(t.match(1), 6u);
    EXPECT_EQ(t.match(3), 4u);
    EXPECT_EQ(t.match(7), kNoMatch);  // never closed
    EXPECT_EQ(t.match(0), kNoMatch);
    EXPECT_EQ(vrml_token_text(t), "a\n{\nb\n{\n}\nc\n}\n{\nd\n");
}

TEST(VrmlTokens, IntegerFormsSignsHexOctal) {
    EXPECT_EQ(vrml_parse_int("17"), 17);
    EXPECT_EQ(vrml_parse_int("-1"), -1);
    EXPECT_EQ(vrml_parse_int("--5"), 5);
    EXPECT_EQ(vrml_parse_int("-+-5"), 5);
    EXPECT_EQ(vrml_parse_int("---5"), -5);
    EXPECT_EQ(vrml_parse_int("0x1F"), 31);
    EXPECT_EQ(vrml_parse_int("0X1f"), 31);
    EXPECT_EQ(vrml_parse_int("-0x10"), -16);
    EXPECT_EQ(vrml_parse_int("0x1G2"), 0x12);  // foreign characters are skipped
    EXPECT_EQ(vrml_parse_int("017"), 15);
    EXPECT_EQ(vrml_parse_int("0189"), 1);  // 8 and 9 are no octal digits
    EXPECT_EQ(vrml_parse_int("0"), 0);
    EXPECT_EQ(vrml_parse_int("12abc"), 12);  // decimal stops at the first non-digit
    EXPECT_EQ(vrml_parse_int(""), 0);
    EXPECT_EQ(vrml_parse_int("99999999999999999999"), 2147483647);
    EXPECT_EQ(vrml_parse_int("-99999999999999999999"), -2147483647 - 1);
    EXPECT_EQ(vrml_parse_int("0xffffffffffffffffffff"), 2147483647);
}

TEST(VrmlTokens, RealsIgnoreTheLocaleAndRejectNonNumbers) {
    // A German locale must not turn "1.5" into 1 (when the system has one).
    const char* old = std::setlocale(LC_NUMERIC, nullptr);
    const std::string saved = old ? old : "C";
    std::setlocale(LC_NUMERIC, "de_DE.UTF-8");
    double v = -1;
    EXPECT_TRUE(vrml_parse_double("1.5", v));
    EXPECT_DOUBLE_EQ(v, 1.5);
    std::setlocale(LC_NUMERIC, saved.c_str());

    EXPECT_TRUE(vrml_parse_double("+2e3", v));
    EXPECT_DOUBLE_EQ(v, 2000);
    EXPECT_TRUE(vrml_parse_double("-.25", v));
    EXPECT_DOUBLE_EQ(v, -0.25);
    EXPECT_TRUE(vrml_parse_double("3.5mm", v));  // like atof: the leading number
    EXPECT_DOUBLE_EQ(v, 3.5);
    EXPECT_FALSE(vrml_parse_double("inf", v));
    EXPECT_FALSE(vrml_parse_double("-nan", v));
    EXPECT_FALSE(vrml_parse_double("1e999", v));
    EXPECT_EQ(v, 0.0);
    EXPECT_FALSE(vrml_parse_double("AUTO", v));
    EXPECT_FALSE(vrml_parse_double("", v));
}
