#include "platform/linux/alsa/kernel_files.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "alsa_test_env.h"
#include "platform/linux/alsa/pcm_probe.h"

namespace tivrel::alsa {
namespace {

using testing::kFixtures;
namespace fs = std::filesystem;

TEST(ParsePciId, AcceptsSysfsForms) {
  EXPECT_EQ(ParsePciId("0x8086\n"), 0x8086);
  EXPECT_EQ(ParsePciId("0x2668"), 0x2668);
  EXPECT_EQ(ParsePciId("0X10DE\n"), 0x10DE);
  EXPECT_EQ(ParsePciId("  0x10ec \r\n"), 0x10EC);
  EXPECT_EQ(ParsePciId("8086"), 0x8086);
  EXPECT_EQ(ParsePciId("0x0000"), 0);
  EXPECT_EQ(ParsePciId("0xffff"), 0xFFFF);
  EXPECT_EQ(ParsePciId("0x00008086"), 0x8086);
}

TEST(ParsePciId, RefusesGarbage) {
  for (const char* text : {"", "\n", "0x", "intel", "0x80 86", "-0x1", "+0x1", "0x10000",
                           "0x123456789abcdef0123456789", "0x8086h", "0x0x8086"}) {
    EXPECT_EQ(ParsePciId(text), std::nullopt) << text;
  }
  EXPECT_EQ(ParsePciId(std::string_view("0x8086\0zz", 9)), std::nullopt);
  EXPECT_EQ(ParsePciId(std::string(100000, '0') + "1"), 1) << "leading zeros only";
  EXPECT_EQ(ParsePciId(std::string(100000, 'f')), std::nullopt);
}

TEST(ParseUsbId, AcceptsProcForm) {
  EXPECT_EQ(ParseUsbId("046d:0a44\n"), (UsbId{0x046D, 0x0A44}));
  EXPECT_EQ(ParseUsbId("046D:0A44"), (UsbId{0x046D, 0x0A44}));
  EXPECT_EQ(ParseUsbId("46d:a44"), (UsbId{0x046D, 0x0A44}));
  EXPECT_EQ(ParseUsbId("ffff:0000\n"), (UsbId{0xFFFF, 0}));
}

TEST(ParseUsbId, RefusesGarbage) {
  for (const char* text :
       {"", ":", "046d:", ":0a44", "046d0a44", "046d-0a44", "046d:0a44:ffff", "0x46d:0xa44",
        "1046d:0a44", "046d:00a44", "046d:0a44 x", "g46d:0a44", "046d :0a44"}) {
    EXPECT_EQ(ParseUsbId(text), std::nullopt) << text;
  }
}

TEST(ParseAlsaVersion, KernelAndOldDriverReleases) {
  const std::string head = "Advanced Linux Sound Architecture Driver Version ";
  EXPECT_EQ(ParseAlsaVersion(head + "k6.1.0-13-amd64.\n"), 0x0601);
  EXPECT_EQ(ParseAlsaVersion(head + "k6.10.5-arch1-1.\n"), 0x060A);
  EXPECT_EQ(ParseAlsaVersion(head + "k5.4.0"), 0x0504);
  EXPECT_EQ(ParseAlsaVersion(head + "1.0.25.\n"), 0x0100);
  EXPECT_EQ(ParseAlsaVersion(head + "k255.255"), 0xFFFF);
  EXPECT_EQ(ParseAlsaVersion("Version k0.0"), 0);
}

TEST(ParseAlsaVersion, RefusesWhatItCannotRead) {
  const std::string head = "Advanced Linux Sound Architecture Driver Version ";
  for (const std::string& text :
       {std::string(), std::string("garbage"), head, head + "k", head + "k6", head + "k6.",
        head + "kX.Y-amd64.", head + "k256.1", head + "k6.256", head + "k6.1000",
        head + "k4294967302.1", head + "k-6.1", std::string("k6.1.0")}) {
    EXPECT_EQ(ParseAlsaVersion(text), std::nullopt) << text;
  }
}

TEST(ProcFiles, CardsPcmInfoAndStatus) {
  EXPECT_EQ(ParseCards(" 0 [PCH            ]: HDA-Intel - HDA Intel PCH\n"
                       "                      HDA Intel PCH at 0xf7f10000 irq 32\n"
                       "12 [Ä_1 ]: USB-Audio - Äudio - 声卡 \n"
                       " x [Bad]: USB-Audio - Bad\n 3 [NoName]: USB-Audio\n-1 [Neg]: A - B\n"),
            (std::vector<CardEntry>{{0, "PCH", "HDA Intel PCH", "HDA-Intel"},
                                    {12, "Ä_1", "Äudio - 声卡", "USB-Audio"}}));
  EXPECT_TRUE(ParseCards("--- no soundcards ---\n").empty());

  const std::string info =
      "card: 1\ndevice: 0\nid: ALC892 Analog\nname: ALC892 Analog\n"
      "subname: subdevice #0\nsubdevices_avail: 0\n";
  EXPECT_EQ(ProcField(info, "name"), "ALC892 Analog");
  EXPECT_EQ(ProcField(info, "subdevices_avail"), "0");
  EXPECT_EQ(ProcField(info, "nam"), std::nullopt);
  EXPECT_EQ(ProcField("state: RUNNING\nowner_pid   : 4242\n", "owner_pid"), "4242");
  EXPECT_EQ(ProcField("closed\n", "owner_pid"), std::nullopt);
}

TEST(ProcFiles, UsbStreamPlaybackAltsets) {
  // The fixture machine's stream0 shows the usual file; here the odd forms.
  const auto altsets = ParseUsbStream(
      "Playback:\n  Interface 1\n    Format: S16_LE U8\n    Channels: 1\n    Rates: 11025\n"
      "  Interface 1\n    Format: U8\n    Channels: 2\n    Rates: 8000 - (continuous)\n"
      "Capture:\n  Interface 2\n    Format: U8\n    Channels: 2\n    Rates: 11025\n");
  EXPECT_EQ(altsets,
            (std::vector<UsbAltset>{{{"S16_LE", "U8"}, 1, {11025}, false}, {{"U8"}, 2, {}, true}}));
  // Both mono formats at 11.025 kHz; a range without its end allows nothing.
  EXPECT_EQ(StandardFormatFlags(StreamTest(altsets)), 0x0005);
}

TEST(ProcFiles, HdaCodecConverters) {
  // Real codec files: an ALC892 (its own PCM caps per node, a digital output
  // and inputs) and a GeForce's HDMI codec (8-channel digital converters).
  const std::string msi = kFixtures + "/machines/msi-ms7752/proc/asound/";
  const auto alc892 = ParseHdaConverters(ReadSmallFile(msi + "card0/codec#0", 1 << 20).value());
  ASSERT_EQ(alc892.size(), 10u);
  const std::vector<unsigned> rates = {44100, 48000, 96000, 192000};
  EXPECT_EQ(alc892[0], (HdaConverter{0x02, false, false, 2, rates, {16, 20, 24}, false}));
  EXPECT_EQ(
      alc892[4],
      (HdaConverter{
          0x06, false, true, 2, {32000, 44100, 48000, 88200, 96000, 192000}, {16, 20, 24}, false}));
  EXPECT_TRUE(alc892[5].input);
  const auto hdmi = ParseHdaConverters(ReadSmallFile(msi + "card1/codec#0", 1 << 20).value());
  ASSERT_FALSE(hdmi.empty());
  EXPECT_EQ(hdmi[0].channels, 8u);
  EXPECT_TRUE(hdmi[0].digital);
  // A node without caps of its own takes the codec's; a count the kernel
  // never writes ("0-Channels", found by fuzzing) is no count.
  const auto odd = ParseHdaConverters(
      "Default PCM:\n    rates [0x40]: 48000\n    bits [0x2]: 16\n    formats [0x1]: PCM\n"
      "Node 0x02 [Audio Output] wcaps 0x0: 0-Channels\n"
      "Node 0x03 [Audio Output] wcaps 0x0: Mono Amp-Out\n  PCM:\n    rates [0x0]:\n"
      "Node 0x04 [Pin Complex] wcaps 0x0: Stereo\n");
  ASSERT_EQ(odd.size(), 2u);
  EXPECT_EQ(odd[0], (HdaConverter{0x02, false, false, 1, {48000}, {16}, false}));
  EXPECT_EQ(odd[1], (HdaConverter{0x03, false, false, 1, {48000}, {16}, false}));
}

TEST(ReadCardIds, FixtureTrees) {
  EXPECT_EQ(ReadCardIds(kFixtures + "/pci", 0), (CardIds{0x8086, 0x2668}));
  EXPECT_EQ(ReadCardIds(kFixtures + "/pci", 1), (CardIds{0x1002, 0})) << "bad device file";
  EXPECT_EQ(ReadCardIds(kFixtures + "/usb", 1), (CardIds{0x046D, 0x0A44}));
  EXPECT_EQ(ReadCardIds(kFixtures + "/noids", 0), (CardIds{}));
  EXPECT_EQ(ReadCardIds(kFixtures + "/pci", 7), (CardIds{})) << "no such card";
  EXPECT_EQ(ReadCardIds(kFixtures + "/pci", -1), (CardIds{}));
  EXPECT_EQ(ReadCardIds(kFixtures + "/does-not-exist", 0), (CardIds{}));
}

TEST(ReadCardIds, GarbageGivesZeros) {
  // Non-hex, empty, too large, binary vendor files; malformed and binary usbid files.
  for (int card = 0; card <= 7; ++card) {
    EXPECT_EQ(ReadCardIds(kFixtures + "/garbage", card), (CardIds{})) << "card" << card;
  }
}

TEST(ReadDriverVersion, FixtureTrees) {
  EXPECT_EQ(ReadDriverVersion(kFixtures + "/pci"), 0x0601);
  EXPECT_EQ(ReadDriverVersion(kFixtures + "/usb"), 0x0100);
  EXPECT_EQ(ReadDriverVersion(kFixtures + "/noids"), 0) << "no version file";
  EXPECT_EQ(ReadDriverVersion(kFixtures + "/garbage"), 0);
}

class ScratchTree : public ::testing::Test {
 protected:
  void SetUp() override {
    root_ = fs::temp_directory_path() /
            ("tivrel-alsa-" + std::to_string(::getpid()) + "-" +
             ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::create_directories(root_ / "sys/class/sound/card0/device");
    fs::create_directories(root_ / "proc/asound");
  }
  void TearDown() override { fs::remove_all(root_); }
  void Write(const std::string& relative, const std::string& bytes) {
    std::ofstream(root_ / relative, std::ios::binary) << bytes;
  }
  fs::path root_;
};

TEST_F(ScratchTree, HugeFilesAreRefusedNotRead) {
  Write("sys/class/sound/card0/device/vendor", "0x8086" + std::string(1 << 20, ' '));
  Write("proc/asound/version",
        "Advanced Linux Sound Architecture Driver Version k6.1." + std::string(1 << 20, 'x'));
  EXPECT_EQ(ReadCardIds(root_, 0), (CardIds{}));
  EXPECT_EQ(ReadDriverVersion(root_), 0);
}

TEST_F(ScratchTree, FileOfExactlyTheLimitIsRead) {
  Write("sys/class/sound/card0/device/vendor", "0x8086" + std::string(4096 - 6, '\n'));
  Write("sys/class/sound/card0/device/device", "0x2668" + std::string(4097 - 6, '\n'));
  EXPECT_EQ(ReadCardIds(root_, 0), (CardIds{0x8086, 0}));
}

TEST_F(ScratchTree, DirectoryOrFifoInPlaceOfFile) {
  fs::create_directories(root_ / "sys/class/sound/card0/device/vendor");
  ASSERT_EQ(::mkfifo((root_ / "proc/asound/version").c_str(), 0600), 0);
  EXPECT_EQ(ReadCardIds(root_, 0), (CardIds{}));
  EXPECT_EQ(ReadDriverVersion(root_), 0) << "a FIFO without a writer is not waited for";
}

}  // namespace
}  // namespace tivrel::alsa
