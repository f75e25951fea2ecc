// The capability record, its exchange image and the decoding rules.
#include "probe/waveoutcaps.h"

#include <gtest/gtest.h>

#include <set>
#include <tuple>

#include "probe/format_matrix.h"
#include "support/harness.h"

namespace tivrel {
namespace {

using test::Caps;

class Image : public ::testing::Test {
 protected:
  std::unique_ptr<AnsiCodec> gbk = MakeGbkCodec();
};

TEST_F(Image, IntegersStandAtThePlatformOffsetsLittleEndian) {
  WAVEOUTCAPS c = Caps(u"AB", 0x0102, 0x0304, 0x05060708, 0x090A, 0x0B0C0D0E, 0x0F101112);
  const CapsImage img = ToImage(c, *gbk);
  EXPECT_EQ(img[0], 0x02);
  EXPECT_EQ(img[1], 0x01);  // wMid
  EXPECT_EQ(img[2], 0x04);
  EXPECT_EQ(img[3], 0x03);  // wPid
  EXPECT_EQ(img[4], 0x08);
  EXPECT_EQ(img[7], 0x05);  // vDriverVersion
  EXPECT_EQ(img[8], 'A');
  EXPECT_EQ(img[9], 'B');
  EXPECT_EQ(img[10], 0);  // szPname
  EXPECT_EQ(img[40], 0x0E);
  EXPECT_EQ(img[43], 0x0B);  // dwFormats
  EXPECT_EQ(img[44], 0x0A);
  EXPECT_EQ(img[45], 0x09);  // wChannels
  EXPECT_EQ(img[46], 0);
  EXPECT_EQ(img[47], 0);  // wReserved1: zero before the call
  EXPECT_EQ(img[48], 0x12);
  EXPECT_EQ(img[51], 0x0F);  // dwSupport
  EXPECT_EQ(kQuerySize, 50u);

  const WAVEOUTCAPS back = FromImage(img, *gbk);
  EXPECT_EQ(back.wMid, c.wMid);
  EXPECT_EQ(back.wPid, c.wPid);
  EXPECT_EQ(back.vDriverVersion, c.vDriverVersion);
  EXPECT_EQ(back.dwFormats, c.dwFormats);
  EXPECT_EQ(back.wChannels, c.wChannels);
  EXPECT_EQ(back.dwSupport, c.dwSupport);
  EXPECT_EQ(ProductName(back), u"AB");
}

TEST_F(Image, ReservedBytesAreIgnoredAfterTheCall) {
  CapsImage img = ToImage(WAVEOUTCAPS{}, *gbk);
  img[46] = 0xAB;
  img[47] = 0xCD;
  const WAVEOUTCAPS back = FromImage(img, *gbk);
  EXPECT_EQ(back.wChannels, 0);
  EXPECT_EQ(back.dwSupport, 0);
}

TEST_F(Image, TenChineseCharactersAreTwentyGbkBytesAndDecodeBackToTen) {
  const std::u16string name = u"岚铃测试声卡高清音频";
  ASSERT_EQ(name.size(), 10u);
  const CapsImage img = ToImage(Caps(name, 0, 0, 0, 0, 0, 0), *gbk);
  EXPECT_EQ(img[8], 0xE1);  // 岚 in GBK is E1 B0
  EXPECT_EQ(img[9], 0xB0);
  EXPECT_NE(img[8 + 19], 0);
  EXPECT_EQ(img[8 + 20], 0) << "20 bytes, then the NUL";
  EXPECT_EQ(ProductName(FromImage(img, *gbk)), name);
}

TEST_F(Image, ALongChineseNameIsCutWithoutSplittingACharacter) {
  const std::u16string name(20, u'声');  // 40 bytes in GBK: too long for 31 + NUL
  const CapsImage img = ToImage(Caps(name, 0, 0, 0, 0, 0, 0), *gbk);
  EXPECT_EQ(img[8 + 30], 0) << "15 characters = 30 bytes fit; the 16th would split";
  EXPECT_EQ(ProductName(FromImage(img, *gbk)), std::u16string(15, u'声'));
}

TEST_F(Image, ANameWithoutNulShowsAllItsThirtyTwoCharacters) {
  CapsImage img{};
  for (size_t i = 0; i < 32; ++i) img[8 + i] = static_cast<uint8_t>('a' + i % 26);
  img[40] = 0x01;  // dwFormats follows directly; it must not leak into the name
  const WAVEOUTCAPS caps = FromImage(img, *gbk);
  EXPECT_EQ(ProductName(caps), u"abcdefghijklmnopqrstuvwxyzabcdef");
  EXPECT_EQ(caps.dwFormats, 1);
}

TEST_F(Image, CharactersAfterTheFirstNulAreNeverShown) {
  CapsImage img{};
  const char raw[] = "Speakers\0Hidden";
  std::copy(std::begin(raw), std::end(raw), img.begin() + 8);
  EXPECT_EQ(ProductName(FromImage(img, *gbk)), u"Speakers");
}

TEST(Decode, ProductNameKeepsBlanksAndMayBeEmpty) {
  EXPECT_EQ(ProductName(Caps(u"EightLtr", 0, 0, 0, 0, 0, 0)), u"EightLtr");
  EXPECT_EQ(ProductName(Caps(u"  Card  ", 0, 0, 0, 0, 0, 0)), u"  Card  ");
  EXPECT_EQ(ProductName(Caps(u"", 0, 0, 0, 0, 0, 0)), u"");
}

TEST(Decode, IdentifiersReadSigned) {
  EXPECT_EQ(IdText(static_cast<int16_t>(0xFFFF)), u"-1");
  EXPECT_EQ(IdText(static_cast<int16_t>(0x8000)), u"-32768");
  EXPECT_EQ(IdText(0x7FFF), u"32767");
  EXPECT_EQ(IdText(0), u"0");
}

TEST(Decode, DriverVersionSplitsBy256TruncatingTowardZero) {
  struct Case {
    uint32_t raw;
    std::u16string major;
    int32_t minor;
  } cases[] = {
      {0x050A, u"5", 10},           {0x0501, u"5", 1},      {0x0100, u"1", 0},
      {0x00010203, u"258", 3},      {0xFFFFFFFF, u"0", -1}, {0xFFFFFEFF, u"-1", -1},
      {0x80000000, u"-8388608", 0}, {0, u"0", 0},
  };
  for (const auto& c : cases) {
    const DriverVersion v = DecodeDriverVersion(static_cast<int32_t>(c.raw));
    EXPECT_EQ(v.major, c.major) << std::hex << c.raw;
    EXPECT_EQ(v.minor, c.minor) << std::hex << c.raw;
  }
}

TEST(Decode, ChannelsHaveASignSlot) {
  EXPECT_EQ(ChannelText(2), u" 2");
  EXPECT_EQ(ChannelText(0), u" 0");
  EXPECT_EQ(ChannelText(static_cast<int16_t>(0xFFFF)), u"-1");
}

TEST(Decode, FormatListFollowsBitOrderAndIgnoresHigherBits) {
  EXPECT_TRUE(FormatList(0).empty());
  EXPECT_TRUE(FormatList(0x1000).empty());  // a 48 kHz flag
  EXPECT_TRUE(FormatList(static_cast<int32_t>(0xFFFFF000)).empty());
  // The whole table in order: bit i names row i, alone and among all.
  const std::vector<std::u16string> rows = {
      u"11.025Khz,Mono,8bit,11Kb/Ps",  u"11.025Khz,Stereo,8bit,22Kb/Ps",
      u"11.025Khz,Mono,16bit,22Kb/Ps", u"11.025Khz,Stereo,16bit,43Kb/Ps",
      u"22.05Khz,Mono,8bit,22Kb/Ps",   u"22.05Khz,Stereo,8bit,43Kb/Ps",
      u"22.05Khz,Mono,16bit,43Kb/Ps",  u"22.05Khz,Stereo,16bit,86Kb/Ps",
      u"44.1Khz,Mono,8bit,43Kb/Ps",    u"44.1Khz,Stereo,8bit,86Kb/Ps",
      u"44.1Khz,Mono,16bit,86Kb/Ps",   u"44.1Khz,Stereo,16bit,172Kb/Ps",
  };
  for (int bit = 0; bit < 12; ++bit) {
    EXPECT_EQ(FormatList(1 << bit), std::vector<std::u16string>{rows[bit]}) << "bit " << bit;
  }
  EXPECT_EQ(FormatList(0x0FFF), rows);
  EXPECT_EQ(FormatList(0x0889),
            (std::vector<std::u16string>{
                u"11.025Khz,Mono,8bit,11Kb/Ps", u"11.025Khz,Stereo,16bit,43Kb/Ps",
                u"22.05Khz,Stereo,16bit,86Kb/Ps", u"44.1Khz,Stereo,16bit,172Kb/Ps"}));
  EXPECT_EQ(FormatList(-1).size(), 12u);  // every bit set, read signed
}

TEST(Decode, SupportListReadsBitsZeroToFourOnly) {
  EXPECT_EQ(SupportList(0x002C), (std::vector<std::u16string>{u"Support Volume Control",
                                                              u"Support Left-Right Channels"}));
  EXPECT_EQ(SupportList(0x1F), (std::vector<std::u16string>{
                                   u"Support Pitch", u"Support Playback", u"Support Volume Control",
                                   u"Support Left-Right Channels", u"Support Synchronization"}));
  EXPECT_TRUE(SupportList(static_cast<int32_t>(0xFFFFFFE0)).empty());
}

TEST(StandardFormatFlags, BitOrderFollowsTheFormatTable) {
  std::set<std::tuple<uint32_t, unsigned, SampleFormat>> asked;
  EXPECT_EQ(StandardFormatFlags([&](SampleFormat f, unsigned ch, uint32_t rate) {
              asked.insert({rate, ch, f});
              return true;
            }),
            0x0FFF);
  EXPECT_EQ(asked.size(), 12u) << "every combination is asked once on its own";

  // 8-bit is U8, 16-bit S16_LE.
  auto only = [](auto pred) {
    return StandardFormatFlags([&](SampleFormat f, unsigned c, uint32_t r) {
      return f <= SampleFormat::S16 && pred(r, c, f == SampleFormat::U8 ? 8u : 16u);
    });
  };
  EXPECT_EQ(only([](unsigned r, unsigned c, unsigned b) { return r == 11025 && c == 1 && b == 8; }),
            0x001);
  EXPECT_EQ(
      only([](unsigned r, unsigned c, unsigned b) { return r == 44100 && c == 2 && b == 16; }),
      0x800);
  EXPECT_EQ(only([](unsigned, unsigned c, unsigned b) { return c == 2 && b == 8; }), 0x222);
  EXPECT_EQ(only([](unsigned, unsigned, unsigned b) { return b == 16; }), 0xCCC);
  EXPECT_EQ(only([](unsigned, unsigned c, unsigned) { return c == 1; }), 0x555);
  EXPECT_EQ(only([](unsigned r, unsigned, unsigned) { return r == 22050; }), 0x0F0);
  EXPECT_EQ(only([](unsigned, unsigned, unsigned) { return false; }), 0);
}

}  // namespace
}  // namespace tivrel
