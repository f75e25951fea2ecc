#include "framework/text.h"

#include <gtest/gtest.h>

#include <cstdint>

namespace tivrel {
namespace {

TEST(NumberText, PlainDecimalHasNoBlankNoPaddingNoGrouping) {
  EXPECT_EQ(DecimalText(0), u"0");
  EXPECT_EQ(DecimalText(7), u"7");
  EXPECT_EQ(DecimalText(1000000), u"1000000");
  EXPECT_EQ(DecimalText(-1), u"-1");
  EXPECT_EQ(DecimalText(-32768), u"-32768");
  EXPECT_EQ(DecimalText(INT64_MIN), u"-9223372036854775808");
}

TEST(NumberText, SignSlotLeadsWithOneBlankUnlessNegative) {
  EXPECT_EQ(SignSlotText(2), u" 2");
  EXPECT_EQ(SignSlotText(0), u" 0");
  EXPECT_EQ(SignSlotText(-1), u"-1");
}

TEST(Utf, RoundTripsChineseAndAstralCharacters) {
  const std::u16string text = u"产品名称：Example \U0001F3B5 音频";
  EXPECT_EQ(Utf8ToUtf16(Utf16ToUtf8(text)), text);
  EXPECT_EQ(Utf16ToUtf8(u"声卡"), "\xE5\xA3\xB0\xE5\x8D\xA1");
}

TEST(Utf, IllFormedInputBecomesReplacementCharacters) {
  EXPECT_EQ(Utf8ToUtf16("a\xFF"
                        "b"),
            u"a\uFFFDb");
  EXPECT_EQ(Utf8ToUtf16("\xE5\xA3"), u"\uFFFD\uFFFD");                   // cut short
  EXPECT_EQ(Utf8ToUtf16("\xC0\xAF"), u"\uFFFD\uFFFD");                   // overlong '/'
  EXPECT_EQ(Utf8ToUtf16("\xED\xA0\x80"), u"\uFFFD");                     // encoded surrogate
  EXPECT_EQ(Utf16ToUtf8(std::u16string(1, u'\xD800')), "\xEF\xBF\xBD");  // lone surrogate
}

}  // namespace
}  // namespace tivrel
