// Formatting engine: float post-processing, locale independence, unknown directives.
#include "mw31/format.h"

#include <gtest/gtest.h>
#include <locale.h>
#include <stdlib.h>

#include <cstdio>
#include <filesystem>
#include <string>

#include "mw31/std_streams.h"
#include "support/comma_locale.h"

namespace {

using kv_test::CommaLocale;

TEST(FormatFloat, PointNotCommaWhateverTheLocale) {
    EXPECT_EQ(mw31::format_text("%lf", 1.5), "1.500000");
    CommaLocale locale;
    if (!locale.active()) GTEST_SKIP() << "no locale with a decimal comma can be had";
    char platform[32];
    std::snprintf(platform, sizeof platform, "%.1f", 1.5);
    ASSERT_STREQ(platform, "1,5") << "the locale really uses a comma";
    EXPECT_EQ(mw31::format_text("%lf", 1.5), "1.500000");
    EXPECT_EQ(mw31::format_text("x=%.3lf y=%lg z=%le", -2.25, 0.125, 1e-3),
              "x=-2.250 y=0.125 z=1.000000e-03");
    EXPECT_EQ(mw31::format_text("%'.1lf", 1234567.5), "1234567.5") << "no grouping";
    EXPECT_EQ(mw31::format_digits(2.5), "2.5");
}

TEST(FormatFloat, SingleAndDoubleArguments) {
    const float f = 0.1f;
    EXPECT_EQ(mw31::format_text("%f", f), "0.100000");
    EXPECT_EQ(mw31::format_text("%.17f", 0.1), "0.10000000000000001");
    EXPECT_EQ(mw31::format_text("%8.2f|%-8.2lf|%+e", 3.14159, 2.0, 100.0),
              "    3.14|2.00    |+1.000000e+02");
    EXPECT_EQ(mw31::format_text("%G %E", 1e-10, 12.0), "1E-10 1.200000E+01");
    EXPECT_EQ(mw31::format_text("%Lf", 1.25L), "1.250000");
}

TEST(FormatFloat, HugeValuesGiveDigits) {
    const std::string s = mw31::format_text("%5.1lf", 1e300);
    ASSERT_EQ(s.size(), 303u);
    EXPECT_EQ(s.find_first_not_of("0123456789."), std::string::npos) << s;
    EXPECT_EQ(s.substr(0, 19), "1000000000000000052");
    EXPECT_EQ(s.substr(301), ".0");
    EXPECT_EQ(mw31::format_text("%lf", -1e20), "-100000000000000000000.000000");
    EXPECT_EQ(mw31::format_text("%f|%f", 1.0 / 0.0, -1.0 / 0.0), "inf|-inf");
}

TEST(FormatFloat, DigitByDigitFallback) {
    EXPECT_EQ(mw31::format_digits(0.5), "0.5");
    EXPECT_EQ(mw31::format_digits(-0.25), "-0.25");
    EXPECT_EQ(mw31::format_digits(12.0), "12.");
    EXPECT_EQ(mw31::format_digits(0.0), "0.");
    EXPECT_EQ(mw31::format_digits(1e20), "100000000000000000000.");
    EXPECT_EQ(mw31::format_digits(-3.75), "-3.75");
    EXPECT_EQ(mw31::format_digits(0.1), "0.1");
    // A third never runs out of digits: 16 of them at most.
    const std::string third = mw31::format_digits(1.0 / 3);
    EXPECT_EQ(third.size(), 2u + 16u);
    EXPECT_EQ(third.substr(0, 12), "0.3333333333");
    EXPECT_EQ(mw31::format_digits(1.0 / 0.0), "inf");
}

TEST(FormatDirectives, IntegersCharactersStrings) {
    EXPECT_EQ(mw31::format_text("%d|%5d|%-5d|%05d|%x|%X|%o|%u", -42, 7, 7, 7, 255, 255, 8, 3u),
              "-42|    7|7    |00007|ff|FF|10|3");
    EXPECT_EQ(mw31::format_text("%ld %lld %zu", 1L << 40, -(1LL << 50), size_t(9)),
              "1099511627776 -1125899906842624 9");
    EXPECT_EQ(mw31::format_text("%c%c|%s|%.3s|%6s", 'o', 'k', "text", "abcdef", "ab"),
              "ok|text|abc|    ab");
    EXPECT_EQ(mw31::format_text("%*d|%-*.*f|", 4, 5, 6, 2, 1.0), "   5|1.00  |");
    EXPECT_EQ(mw31::format_text("100%% %s", "sure"), "100% sure");
    const char* none = nullptr;
    EXPECT_EQ(mw31::format_text("[%s]", none), "[(null)]");
}

// Unknown and unfinished directives are copied and take no argument, so the ones after
// them still get theirs.
std::string unchecked(const char* format, ...) {
    va_list args;
    va_start(args, format);
    std::string s = mw31::format_text_v(format, args);
    va_end(args);
    return s;
}

TEST(FormatDirectives, UnknownOnesReadNoArgument) {
    EXPECT_EQ(unchecked("%y"), "%y");
    EXPECT_EQ(unchecked("%"), "%");
    EXPECT_EQ(unchecked("50%"), "50%");
    EXPECT_EQ(unchecked("%5.2"), "%5.2");
    EXPECT_EQ(unchecked("%y %d", 7), "%y 7");
    EXPECT_EQ(unchecked("%1$d %d", 3), "%1$d 3");
    EXPECT_EQ(unchecked("%5% %d", 4), "%5% 4");
    EXPECT_EQ(unchecked("%Ld %hf %d", 8), "%Ld %hf 8");
    EXPECT_EQ(unchecked(nullptr), "");
    int written = -1;
    EXPECT_EQ(unchecked("ab%n%d", &written, 5), "ab5");
    EXPECT_EQ(written, -1) << "%n never writes";
}

TEST(FormatOutput, BuffersStreamsAndStandardOutput) {
    std::string buffer = "old";
    mw31::text_printf(&buffer, "%d-%s", 12, "x");
    EXPECT_EQ(buffer, "12-x");

    FILE* f = std::tmpfile();
    ASSERT_NE(f, nullptr);
    mw31::file_printf(f, "%.2lf;%d\n", 0.5, 3);
    std::rewind(f);
    char line[32] = {};
    ASSERT_NE(std::fgets(line, sizeof line, f), nullptr);
    EXPECT_STREQ(line, "0.50;3\n");
    std::fclose(f);

    // Without a terminal, text for the standard output waits for its line end.
    testing::internal::CaptureStdout();
    mw31::terminal_printf("part %d", 1);
    EXPECT_EQ(mw31::stdout_pending(), "part 1");
    mw31::file_printf(stdout, ", %s\n", "done");
    EXPECT_EQ(mw31::stdout_pending(), "");
    mw31::terminal_printf("tail");
    mw31::stdout_flush();
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "part 1, done\ntail");
}

TEST(FormatOutput, LongTextIsHandedOnAtTheCollectLimit) {
    testing::internal::CaptureStdout();
    const std::string block(mw31::kStdoutCollectLimit + 10, 'a');
    mw31::terminal_printf("%s", block.c_str());
    EXPECT_EQ(mw31::stdout_pending().size(), 10u);
    mw31::stdout_flush();
    EXPECT_EQ(testing::internal::GetCapturedStdout(), block);
}

}  // namespace
