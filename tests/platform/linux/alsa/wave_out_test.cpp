#include "platform/linux/alsa/wave_out.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <filesystem>
#include <fstream>

#include "alsa_test_env.h"
#include "framework/text.h"
#include "platform/linux/alsa/mixer.h"
#include "platform/linux/alsa/pcm_probe.h"
#include "probe/report_text.h"

namespace tivrel::alsa {

void PrintTo(const CardDevice& d, std::ostream* os) {
  *os << d.HwName() << " \"" << d.name << "\" " << d.cardId << " " << d.driver;
}

namespace {

using testing::kFixtures;
using testing::kMachine;
namespace fs = std::filesystem;

[[maybe_unused]] auto* const kEnv = ::testing::AddGlobalTestEnvironment(new testing::AlsaTestEnv);

uint16_t U16(const CapsImage& b, size_t at) {
  return static_cast<uint16_t>(b[at] | b[at + 1] << 8);
}
uint32_t U32(const CapsImage& b, size_t at) {
  return U16(b, at) | static_cast<uint32_t>(U16(b, at + 2)) << 16;
}

class Machine : public ::testing::Test {
 protected:
  void TearDown() override {
    unsetenv("TIVREL_TEST_CARD");
    unsetenv("ALSA_CARD");
  }
  std::unique_ptr<AnsiCodec> gbk_ = MakeGbkCodec();
  AlsaWaveOut waveOut_{*gbk_, AlsaOptions{kMachine}};
};

TEST_F(Machine, DevicesAsTheKernelListsThemDeviceZeroByTheStrongestEvidence) {
  const std::vector<CardDevice> inOrder = {
      {0, 3, "HDA ATI HDMI: HDMI 0", "HDMI", "HDA-Intel", "HDMI 0", true, 0},
      {1, 0, "HDA Intel PCH: ALC892 Analog", "PCH", "HDA-Intel",
       "ALC892 Analog"},  // not its capture
      {2, 0, "Logitech USB Headset: USB Audio", "Headset", "USB-Audio", "USB Audio"},
      {3, 0, "Äudio 声卡: USB Audio", "Audio", "USB-Audio", "USB Audio"},
      {4, 0, "HDA Intel Locked: ALC269 Analog", "Locked", "HDA-Intel", "ALC269 Analog"},  // listed
      {5, 0, "Stubborn USB: USB Audio", "Stubborn", "USB-Audio", "USB Audio"},
  };
  // ALSA's configuration as users set it: a card number or id in
  // defaults.pcm.card or the environment, or a pcm.!default of type hw. Its
  // own 0, or a card that does not exist, says nothing: then the first card
  // whose first output is not the monitor's (here card 0 is HDMI).
  const fs::path conf = fs::temp_directory_path() / ("tivrel-conf-" + std::to_string(::getpid()));
  std::ofstream(conf) << std::ifstream(TIVREL_ALSA_TEST_CONF).rdbuf()
                      << "pcm.!default { type hw card Headset device 0 }\n";
  const struct {
    const char* variable;
    const char* value;
    size_t first;
    Device0Rule rule;
  } cases[] = {
      {nullptr, nullptr, 1, Device0Rule::kFirstNotHdmi},
      {"TIVREL_TEST_CARD", "3", 3, Device0Rule::kAlsaDefault},
      {"TIVREL_TEST_CARD", "Headset", 2, Device0Rule::kAlsaDefault},
      {"TIVREL_TEST_CARD", "0", 1, Device0Rule::kFirstNotHdmi},
      {"TIVREL_TEST_CARD", "9", 1, Device0Rule::kFirstNotHdmi},
      {"ALSA_CARD", "0", 0, Device0Rule::kAlsaDefault},
      {"ALSA_CARD", "Stubborn", 5, Device0Rule::kAlsaDefault},
      {"ALSA_CONFIG_PATH", conf.c_str(), 2, Device0Rule::kAlsaDefault},
  };
  for (const auto& c : cases) {
    if (c.variable) setenv(c.variable, c.value, 1);
    auto expected = inOrder;
    std::rotate(expected.begin(), expected.begin() + static_cast<long>(c.first),
                expected.begin() + static_cast<long>(c.first) + 1);
    const DeviceList list = ListCardDevices({kMachine});
    EXPECT_EQ(list.devices, expected) << (c.variable ? c.value : "(unset)");
    EXPECT_EQ(list.rule, c.rule) << (c.variable ? c.value : "(unset)");
    EXPECT_EQ(waveOut_.waveOutGetNumDevs(), expected.size());
    if (c.variable) unsetenv(c.variable);
  }
  setenv("ALSA_CONFIG_PATH", TIVREL_ALSA_TEST_CONF, 1);
  fs::remove(conf);
  EXPECT_TRUE(EnumeratePlaybackDevices(kFixtures + "/noids").empty()) << "no cards file";
}

TEST_F(Machine, ImageFieldsAtTheirOffsetsAndNoMoreThanTheSizeGiven) {
  CapsImage image;
  image.fill(0xAB);
  QueryNote note;
  ASSERT_EQ(waveOut_.QueryDevCaps(0, image.data(), kImageSize, note), kMmSysErrNoError);
  EXPECT_EQ(U16(image, kOffMid), 0x8086);
  EXPECT_EQ(U16(image, kOffPid), 0xA170);
  EXPECT_EQ(U32(image, kOffDriverVersion), 0x0601u);
  EXPECT_STREQ(reinterpret_cast<const char*>(image.data() + kOffPname),
               "HDA Intel PCH: ALC892 Analog");
  EXPECT_EQ(U32(image, kOffFormats), 0x0800u);
  EXPECT_EQ(U16(image, kOffChannels), 8);
  EXPECT_EQ(U32(image, kOffSupport), 0u) << "no mixer, no volume";
  EXPECT_EQ(note.device, "hw:1,0");

  for (const uint32_t size : {kQuerySize, 3u, 0u}) {
    image.fill(0xAB);
    ASSERT_EQ(waveOut_.waveOutGetDevCapsA(0, image.data(), size), kMmSysErrNoError);
    EXPECT_EQ(size == 0 ? 0xABAB : U16(image, kOffMid), size == 0 ? 0xABAB : 0x8086);
    for (size_t i = size; i < kImageSize; ++i) ASSERT_EQ(image[i], 0xAB) << size << " " << i;
  }
}

TEST_F(Machine, DeviceIdsOutsideTheListAreRefused) {
  CapsImage image{};
  EXPECT_EQ(waveOut_.waveOutGetDevCapsA(6, image.data(), kQuerySize), kMmSysErrBadDeviceId);
  EXPECT_EQ(waveOut_.waveOutGetDevCapsA(UINTPTR_MAX, image.data(), kQuerySize),
            kMmSysErrBadDeviceId);
  QueryNote note;
  EXPECT_EQ(waveOut_.QueryDevCaps(1, image.data(), kQuerySize, note), kMmSysErrAllocated);
  EXPECT_EQ(note.holder, "pipewire");
  EXPECT_EQ(image, CapsImage{}) << "a failed query writes nothing";
  EXPECT_EQ(waveOut_.waveOutGetDevCapsA(0, nullptr, kQuerySize), kMmSysErrInvalParam);
  EXPECT_EQ(waveOut_.QueryDevCaps(0, nullptr, 0, note), kMmSysErrNoError);
  EXPECT_EQ(note.holder, "") << "each query says afresh";
}

// What each device of the machine answers is checked through tivrel-report.
TEST_F(Machine, LongNamesAreCutToFitTheFieldAndUnknownDevicesAreGone) {
  const fs::path root = fs::temp_directory_path() / ("tivrel-names-" + std::to_string(::getpid()));
  fs::create_directories(root / "proc/asound/card1/pcm0p");
  fs::create_directories(root / "proc/asound/card3/pcm0p");
  fs::create_directories(root / "proc/asound/card7/pcm0p");
  // 40 letters; 17 two-byte characters, of which 15 fit before the NUL.
  std::ofstream(root / "proc/asound/cards")
      << " 1 [Long   ]: HDA-Intel - " << std::string(40, 'x') << "\n 3 [China  ]: USB-Audio - "
      << "岚铃声卡测试仪岚铃声卡测试仪岚铃声\n 7 [Gone   ]: USB-Audio - Gone\n";
  AlsaWaveOut waveOut(*gbk_, AlsaOptions{root});
  CapsImage image{};
  ASSERT_EQ(waveOut.waveOutGetDevCapsA(0, image.data(), kQuerySize), kMmSysErrNoError);
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(image.data() + kOffPname)),
            std::string(31, 'x'));
  image = {};
  ASSERT_EQ(waveOut.waveOutGetDevCapsA(1, image.data(), kQuerySize), kMmSysErrNoError);
  EXPECT_EQ(ProductName(FromImage(image, *gbk_)), u"岚铃声卡测试仪岚铃声卡测试仪岚");
  // Listed, but hw:7,0 does not open: no such device.
  QueryNote note;
  EXPECT_EQ(waveOut.QueryDevCaps(2, image.data(), kQuerySize, note), kMmSysErrBadDeviceId);
  EXPECT_EQ(note.device, "hw:7,0");
  fs::remove_all(root);
}

TEST_F(Machine, RecordCodecKeepsNamesUnderTheCLocale) {
  const char* saved = std::getenv("LC_ALL");
  const std::string restore = saved ? saved : "";
  setenv("LC_ALL", "C", 1);
  const auto codec = MakeRecordCodec();
  EXPECT_EQ(codec->Decode(codec->Encode(u"Äudio 声卡")), u"Äudio 声卡");
  saved ? setenv("LC_ALL", restore.c_str(), 1) : unsetenv("LC_ALL");
  std::setlocale(LC_CTYPE, "");
}

TEST(SupportFlags, EachOutputCountsItsOwnVolumeControls) {
  // An Intel HDA card with an analog codec and three HDMI outputs, as its
  // control device lists them; one HDMI output with a volume of its own.
  const std::vector<MixerControl> card = {
      {"Master Playback Volume", 0, 0, 1, true},
      {"Master Playback Switch", 0, 0, 1, false},
      {"Headphone Playback Volume", 0, 0, 2, true},
      {"PCM Playback Volume", 0, 0, 2, true},
      {"Capture Volume", 0, 0, 2, false},
      {"IEC958 Playback Switch", 0, 0, 1, false},
      {"IEC958 Playback Switch", 1, 0, 1, false},
      {"ELD", 0, 3, 1, false},
      {"HDMI Playback Volume", 1, 0, 2, true},
      {"Speaker Playback Volume", 0, 7, 2, true},  // an analog name is never an HDMI output's
  };
  const struct {
    CardDevice output;
    std::vector<MixerControl> controls;
    int32_t flags;
  } cases[] = {
      {{.card = 0, .device = 0, .pcmId = "ALC892 Analog"}, card, 0xC},
      {{.card = 0, .device = 3, .pcmId = "HDMI 0", .hdmi = true, .hdmiIndex = 0}, card, 0},
      {{.card = 0, .device = 7, .pcmId = "HDMI 1", .hdmi = true, .hdmiIndex = 1}, card, 0xC},
      {{.card = 0, .device = 0, .pcmId = "ALC892 Analog"}, {card[0]}, 0x4},  // one knob for both
      {{.card = 0, .device = 0, .pcmId = "ALC892 Analog"}, {card[1], card[4]}, 0},
      {{.card = 0, .device = 0, .pcmId = "ALC892 Analog"}, {}, 0},
  };
  for (const auto& c : cases)
    EXPECT_EQ(SupportFlags(c.controls, c.output), c.flags) << c.output.pcmId;
}

TEST(ClampChannels, SixteenBitField) {
  EXPECT_EQ(ClampChannels(0), 0);
  EXPECT_EQ(ClampChannels(2), 2);
  EXPECT_EQ(ClampChannels(65535), 65535);
  EXPECT_EQ(ClampChannels(65536), 65535);
  EXPECT_EQ(ClampChannels(UINT_MAX), 65535);
}

TEST(OpenErrorResult, MapsErrnoToResults) {
  EXPECT_EQ(OpenErrorResult(0), kMmSysErrNoError);
  EXPECT_EQ(OpenErrorResult(-EBUSY), kMmSysErrAllocated);
  EXPECT_EQ(OpenErrorResult(-EAGAIN), kMmSysErrAllocated);
  EXPECT_EQ(OpenErrorResult(-ENOENT), kMmSysErrBadDeviceId);
  EXPECT_EQ(OpenErrorResult(-ENODEV), kMmSysErrBadDeviceId);
  EXPECT_EQ(OpenErrorResult(-ENXIO), kMmSysErrBadDeviceId);
  EXPECT_EQ(OpenErrorResult(-ENOMEM), kMmSysErrNoMem);
  EXPECT_EQ(OpenErrorResult(-EACCES), kMmSysErrError);
  EXPECT_EQ(OpenErrorResult(-EINVAL), kMmSysErrError);
}

TEST(FailureResult, TheCodeThatAlsaGaveIsTheOneTold) {
  using Cause = QueryNote::Cause;
  const struct {
    PcmError error;
    uint32_t result;
    Cause cause;
  } cases[] = {
      {{-EACCES}, kMmSysErrError, Cause::kPermission},
      {{-ENODEV}, kMmSysErrBadDeviceId, Cause::kNone},
      {{-EINVAL, true}, kMmSysErrError, Cause::kHardwareParams},
      // Opened, then gone or broken before its parameters could be asked.
      {{-ENODEV, true}, kMmSysErrBadDeviceId, Cause::kNone},
      {{-EIO, true}, kMmSysErrError, Cause::kNone},
  };
  for (const auto& c : cases) {
    QueryNote note;
    EXPECT_EQ(FailureResult(c.error, note), c.result) << c.error.code;
    EXPECT_EQ(note.cause, c.cause) << c.error.code;
    EXPECT_EQ(note.systemText, snd_strerror(c.error.code));
  }
}

TEST(RealSystem, EnumerationMatchesTheCount) {
  // Whatever this machine has (usually no card here): the count is the list.
  const auto gbk = MakeGbkCodec();
  AlsaWaveOut waveOut(*gbk);
  const auto devices = EnumeratePlaybackDevices();
  EXPECT_EQ(waveOut.waveOutGetNumDevs(), devices.size());
  for (const auto& d : devices) {
    EXPECT_GE(d.card, 0);
    EXPECT_GE(d.device, 0);
  }
}

}  // namespace
}  // namespace tivrel::alsa
