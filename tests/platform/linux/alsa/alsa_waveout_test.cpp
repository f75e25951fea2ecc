#include "platform/linux/alsa/alsa_waveout.h"

#include <gtest/gtest.h>

#include <cstring>

#include "alsa_test_env.h"
#include "app/report_tool.h"
#include "framework/text.h"
#include "probe/test_command.h"

namespace tivrel::alsa {
namespace {

using testing::kFixtures;
using testing::kNullPcm;

[[maybe_unused]] auto* const kEnv = ::testing::AddGlobalTestEnvironment(new testing::AlsaTestEnv);

// A device list of our own, the null PCM for every device and a fixture root.
AlsaOptions NullOptions(const std::string& tree, std::vector<CardDevice> cards) {
  AlsaOptions o;
  o.root = kFixtures + "/" + tree;
  o.pcmName = kNullPcm;
  o.cards = std::move(cards);
  return o;
}

uint16_t U16(const CapsImage& b, size_t at) {
  return static_cast<uint16_t>(b[at] | b[at + 1] << 8);
}
uint32_t U32(const CapsImage& b, size_t at) {
  return U16(b, at) | static_cast<uint32_t>(U16(b, at + 2)) << 16;
}

class NullPcm : public ::testing::Test {
 protected:
  std::unique_ptr<AnsiCodec> gbk_ = MakeGbkCodec();
};

TEST_F(NullPcm, ProbeTakesAllTwelveFormats) {
  PcmCaps caps;
  ASSERT_EQ(ProbePcm(kNullPcm, caps), kMmSysErrNoError);
  EXPECT_EQ(caps.formats, 0x0FFF);
  // The null PCM has no channel limit to speak of: the 16-bit field is full.
  EXPECT_EQ(caps.maxChannels, 0xFFFF);
}

TEST_F(NullPcm, ProbeOfAnUnknownPcmFailsWithoutTouchingTheResult) {
  PcmCaps caps{2, 0x0F};
  EXPECT_EQ(ProbePcm("tivrel_no_such_pcm", caps), kMmSysErrBadDeviceId);
  EXPECT_EQ(caps.formats, 0);
  EXPECT_EQ(ProbePcm("hw:0,0", caps), kMmSysErrBadDeviceId) << "no card in this configuration";
}

TEST_F(NullPcm, MixerThatCannotBeOpenedGivesNoElements) {
  EXPECT_TRUE(ReadMixer("hw:0").empty());
  EXPECT_TRUE(ReadMixer("tivrel_no_such_mixer").empty());
}

TEST_F(NullPcm, ImageFieldsAtTheirOffsets) {
  AlsaWaveOut waveOut(*gbk_, NullOptions("pci", {{0, 0, "HDA Intel PCH"}}));
  ASSERT_EQ(waveOut.waveOutGetNumDevs(), 1u);
  CapsImage image;
  image.fill(0xAB);
  ASSERT_EQ(waveOut.waveOutGetDevCapsA(0, image.data(), kImageSize), kMmSysErrNoError);
  EXPECT_EQ(U16(image, kOffMid), 0x8086);
  EXPECT_EQ(U16(image, kOffPid), 0x2668);
  EXPECT_EQ(U32(image, kOffDriverVersion), 0x0601u);
  EXPECT_STREQ(reinterpret_cast<const char*>(image.data() + kOffPname), "HDA Intel PCH");
  EXPECT_EQ(image[kOffPname + 13], 0);
  EXPECT_EQ(U32(image, kOffFormats), 0x0FFFu);
  EXPECT_EQ(U16(image, kOffChannels), 0xFFFF);
  EXPECT_EQ(U32(image, kOffSupport), 0u) << "no mixer, no volume";
}

TEST_F(NullPcm, WritesNoMoreThanTheSizeGiven) {
  AlsaWaveOut waveOut(*gbk_, NullOptions("usb", {{1, 0, "USB Audio"}}));
  CapsImage image;
  image.fill(0xAB);
  ASSERT_EQ(waveOut.waveOutGetDevCapsA(0, image.data(), kQuerySize), kMmSysErrNoError);
  EXPECT_EQ(U16(image, kOffMid), 0x046D);
  EXPECT_EQ(U16(image, kOffPid), 0x0A44);
  EXPECT_EQ(U32(image, kOffDriverVersion), 0x0100u);
  EXPECT_EQ(U16(image, kOffSupport), 0);  // its upper half lies beyond the size
  EXPECT_EQ(image[50], 0xAB);
  EXPECT_EQ(image[51], 0xAB);

  image.fill(0xAB);
  ASSERT_EQ(waveOut.waveOutGetDevCapsA(0, image.data(), 3), kMmSysErrNoError);
  EXPECT_EQ(U16(image, kOffMid), 0x046D);
  EXPECT_EQ(image[2], 0x44);
  for (size_t i = 3; i < kImageSize; ++i) ASSERT_EQ(image[i], 0xAB) << i;

  image.fill(0xAB);
  ASSERT_EQ(waveOut.waveOutGetDevCapsA(0, image.data(), 0), kMmSysErrNoError);
  for (size_t i = 0; i < kImageSize; ++i) ASSERT_EQ(image[i], 0xAB) << i;
}

TEST_F(NullPcm, LongNamesAreCutToFitTheField) {
  const std::string ascii(40, 'x');
  // 17 two-byte characters: 15 fit before the NUL, the 16th would need byte 31.
  const std::string chinese = "岚铃声卡测试仪岚铃声卡测试仪岚铃声";
  AlsaWaveOut waveOut(*gbk_, NullOptions("noids", {{0, 0, ascii}, {1, 0, chinese}}));
  CapsImage image{};
  ASSERT_EQ(waveOut.waveOutGetDevCapsA(0, image.data(), kQuerySize), kMmSysErrNoError);
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(image.data() + kOffPname)),
            std::string(31, 'x'));
  image = {};
  ASSERT_EQ(waveOut.waveOutGetDevCapsA(1, image.data(), kQuerySize), kMmSysErrNoError);
  EXPECT_EQ(ProductName(FromImage(image, *gbk_)), u"岚铃声卡测试仪岚铃声卡测试仪岚");
}

TEST_F(NullPcm, DeviceIdsOutsideTheListAreRefused) {
  AlsaWaveOut waveOut(*gbk_, NullOptions("pci", {{0, 0, "A"}, {0, 1, "A"}}));
  EXPECT_EQ(waveOut.waveOutGetNumDevs(), 2u);
  CapsImage image{};
  EXPECT_EQ(waveOut.waveOutGetDevCapsA(1, image.data(), kQuerySize), kMmSysErrNoError);
  image = {};
  EXPECT_EQ(waveOut.waveOutGetDevCapsA(2, image.data(), kQuerySize), kMmSysErrBadDeviceId);
  EXPECT_EQ(waveOut.waveOutGetDevCapsA(UINTPTR_MAX, image.data(), kQuerySize),
            kMmSysErrBadDeviceId);
  EXPECT_EQ(image, CapsImage{}) << "a failed query writes nothing";
  EXPECT_EQ(waveOut.waveOutGetDevCapsA(0, nullptr, kQuerySize), kMmSysErrInvalParam);
  EXPECT_EQ(waveOut.waveOutGetDevCapsA(0, nullptr, 0), kMmSysErrNoError);

  AlsaWaveOut none(*gbk_, NullOptions("pci", {}));
  EXPECT_EQ(none.waveOutGetNumDevs(), 0u);
  EXPECT_EQ(none.waveOutGetDevCapsA(0, image.data(), kQuerySize), kMmSysErrBadDeviceId);
}

TEST_F(NullPcm, DefaultPcmNameIsTheCardsHardwareDevice) {
  // With the tests' configuration there is no hw PCM, so hw:3,1 is unknown.
  AlsaOptions options = NullOptions("pci", {{3, 1, "Gone"}});
  options.pcmName.clear();
  AlsaWaveOut waveOut(*gbk_, options);
  CapsImage image{};
  EXPECT_EQ(waveOut.waveOutGetDevCapsA(0, image.data(), kQuerySize), kMmSysErrBadDeviceId);
  EXPECT_EQ(image, CapsImage{});
}

TEST_F(NullPcm, RealEnumerationMatchesTheCount) {
  // Whatever this machine has (usually no card here): the count is the list.
  AlsaWaveOut waveOut(*gbk_);
  const auto devices = EnumeratePlaybackDevices();
  EXPECT_EQ(waveOut.waveOutGetNumDevs(), devices.size());
  for (const auto& d : devices) {
    EXPECT_GE(d.card, 0);
    EXPECT_GE(d.device, 0);
  }
}

TEST_F(NullPcm, ReportLinesThroughTheCore) {
  AlsaWaveOut waveOut(*gbk_, NullOptions("pci", {{0, 0, "HDA Intel PCH"}, {1, 0, "Other"}}));
  const ProbeResult probe = ProbeDevice0(waveOut, *gbk_);
  ASSERT_TRUE(probe.Succeeded());
  std::vector<std::u16string> expected = {
      u"产品名称：HDA Intel PCH\r\n", u"产品 Id：9832\r\n",
      u"驱动程序 Id：-32634\r\n",  // 0x8086 read as a signed 16-bit number
      u"驱动程序版本：6.1\r\n",       u"输出声道：-1\r\n",  u"支持格式列表及扩展输出功能列表：\r\n",
  };
  for (auto text : kFormatTexts) expected.push_back(std::u16string(text) + u"\r\n");
  EXPECT_EQ(ReportLines(probe.caps), expected);
}

TEST_F(NullPcm, ReportToolThroughTheCore) {
  AlsaWaveOut usb(*gbk_, NullOptions("usb", {{1, 0, "USB Audio"}}));
  std::string out, err;
  EXPECT_EQ(RunReportTool({}, usb, *gbk_, out, err), kReportExitOk);
  EXPECT_EQ(err, "");
  EXPECT_EQ(out.rfind("产品名称：USB Audio\r\n产品 Id：2628\r\n驱动程序 Id：1133\r\n"
                      "驱动程序版本：1.0\r\n输出声道：-1\r\n支持格式列表及扩展输出功能列表：\r\n"
                      "11.025Khz,Mono,8bit,11Kb/Ps\r\n",
                      0),
            0u)
      << out;

  AlsaOptions missing = NullOptions("usb", {{1, 0, "USB Audio"}});
  missing.pcmName = "tivrel_no_such_pcm";
  AlsaWaveOut failing(*gbk_, missing);
  out.clear();
  err.clear();
  EXPECT_EQ(RunReportTool({}, failing, *gbk_, out, err), kReportExitQueryFailed);
  EXPECT_EQ(out, "");
  EXPECT_NE(err.find("MMSYSERR_BADDEVICEID"), std::string::npos) << err;

  AlsaWaveOut none(*gbk_, NullOptions("usb", {}));
  out.clear();
  err.clear();
  EXPECT_EQ(RunReportTool({}, none, *gbk_, out, err), kReportExitNoDevice);
  EXPECT_EQ(out, Utf16ToUtf8(kNoDeviceMessage));
}

}  // namespace
}  // namespace tivrel::alsa
