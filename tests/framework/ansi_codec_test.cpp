// The ANSI code page codecs of both platforms behave alike where the program
// relies on them.
#include "framework/ansi_codec.h"

#include <gtest/gtest.h>

namespace tivrel {
namespace {

TEST(GbkCodec, RoundTripsChineseAndAscii) {
  auto gbk = MakeGbkCodec();
  const std::u16string text = u"岚铃声卡测试仪 Build0730";
  const std::string bytes = gbk->Encode(text);
  EXPECT_EQ(bytes.size(), 14u + 10u);
  EXPECT_EQ(bytes.substr(0, 2), "\xE1\xB0");
  EXPECT_EQ(gbk->Decode(bytes), text);
  EXPECT_EQ(gbk->Encode(u""), "");
  EXPECT_EQ(gbk->Decode(""), u"");
}

TEST(GbkCodec, WhatTheCodePageLacksBecomesAQuestionMark) {
  auto gbk = MakeGbkCodec();
  EXPECT_EQ(gbk->Encode(u"a\u0E01b"), "a?b");  // a Thai letter
}

TEST(GbkCodec, EachUndecodableByteBecomesOneReplacementCharacterAndNothingElseIsLost) {
  auto gbk = MakeGbkCodec();
  const struct {
    std::string bytes;
    std::u16string text;
  } cases[] = {
      {"\xB0\x20x", u"\uFFFD x"},                     // a lead byte before a blank
      {"ab\xB0", u"ab\uFFFD"},                        // a lead byte at the end
      {"\x81\x7F", u"\uFFFD\x7F"},                    // a trail byte out of range
      {"\xE1\xB0\xB0\x0A\xE1\xB0", u"岚\uFFFD\n岚"},  // good text on both sides
  };
  for (const auto& c : cases) {
    EXPECT_EQ(gbk->Decode(c.bytes), c.text) << testing::PrintToString(c.bytes);
  }
}

TEST(SystemCodec, CarriesAsciiUnchanged) {
  auto ansi = MakeSystemAnsiCodec();
  const std::u16string uri = u"mailto:lanling@example.com";
  EXPECT_EQ(ansi->Encode(uri), "mailto:lanling@example.com");
  EXPECT_EQ(ansi->Decode("Speakers"), u"Speakers");
}

}  // namespace
}  // namespace tivrel
