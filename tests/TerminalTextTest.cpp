#include "os/TerminalText.h"

#include <gtest/gtest.h>

#include <string>

namespace brevane {
namespace {

TEST(TerminalTextTest, PrintableTextPassesUnchanged) {
    for (const std::string text :
         {"", "plain ASCII ~!@#$%^&*()_+{}|:<>?", "caf\xC3\xA9", "\xE2\x82\xAC 5",
          "\xF0\x9F\x82\xA1 ace", "\xC2\xA0no-break", "\xEF\xBF\xBD"}) {
        EXPECT_EQ(PrintableText(text), text);
    }
}

TEST(TerminalTextTest, EachControlCharacterBecomesOneMark) {
    EXPECT_EQ(PrintableText("a\nb\tc\rd"), "a?b?c?d");
    EXPECT_EQ(PrintableText(std::string("nul\0end", 7)), "nul?end");
    EXPECT_EQ(PrintableText("\x1B[31mred\x1B[0m"), "?[31mred?[0m");
    EXPECT_EQ(PrintableText("del\x7F"), "del?");
    // C1 controls in UTF-8: U+0085 (next line) and U+009B (control sequence introducer).
    EXPECT_EQ(PrintableText("x\xC2\x85y\xC2\x9B"
                            "2J"),
              "x?y?2J");
}

TEST(TerminalTextTest, EachByteOutsideValidUtf8BecomesOneMark) {
    EXPECT_EQ(PrintableText("\x9B"
                            "2J"),
              "?2J");                                      // a lone C1 byte
    EXPECT_EQ(PrintableText("\xC0\xAF"), "??");            // overlong '/'
    EXPECT_EQ(PrintableText("\xE0\x80\xAF"), "???");       // overlong '/'
    EXPECT_EQ(PrintableText("\xED\xA0\x80"), "???");       // a surrogate
    EXPECT_EQ(PrintableText("\xF4\x90\x80\x80"), "????");  // above U+10FFFF
    EXPECT_EQ(PrintableText("cut \xE2\x82"), "cut ??");    // sequence cut short
    EXPECT_EQ(PrintableText("\xC3(\xFF"), "?(?");          // lead without follower
}

}  // namespace
}  // namespace brevane
