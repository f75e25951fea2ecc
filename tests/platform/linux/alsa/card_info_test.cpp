#include <gtest/gtest.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <filesystem>
#include <fstream>
#include <set>
#include <tuple>

#include "alsa_test_env.h"
#include "platform/linux/alsa/alsa_waveout.h"

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

TEST(ParseCardList, EntriesAndNames) {
  EXPECT_EQ(ParseCardList(""), std::vector<CardDevice>{});
  EXPECT_EQ(ParseCardList("0,0,HDA Intel PCH"), (std::vector<CardDevice>{{0, 0, "HDA Intel PCH"}}));
  EXPECT_EQ(ParseCardList("0,3,A;2,0,B, with, commas;"),
            (std::vector<CardDevice>{{0, 3, "A"}, {2, 0, "B, with, commas"}}));
  EXPECT_EQ(ParseCardList("1,0,"), (std::vector<CardDevice>{{1, 0, ""}}));
  for (const char* text : {"0,0", "x,0,A", "0,x,A", "-1,0,A", "0,-2,A", ",0,A", "0 ,0,A",
                           "99999999999,0,A", "0,0,A;;"}) {
    EXPECT_EQ(ParseCardList(text), std::nullopt) << text;
  }
}

TEST(FormatFlags, BitOrderFollowsTheFormatTable) {
  std::set<std::tuple<unsigned, unsigned, unsigned>> asked;
  EXPECT_EQ(FormatFlags([&](unsigned rate, unsigned ch, unsigned bits) {
              asked.insert({rate, ch, bits});
              return true;
            }),
            0x0FFF);
  EXPECT_EQ(asked.size(), 12u) << "every combination is asked once on its own";

  auto only = [](auto pred) {
    return FormatFlags([&](unsigned r, unsigned c, unsigned b) { return pred(r, c, b); });
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

TEST(SupportFlags, VolumeAndLeftRightOnly) {
  EXPECT_EQ(SupportFlags({}), 0);
  // A capture-only element, a switch without volume.
  EXPECT_EQ(SupportFlags({{false, false, true}}), 0);
  EXPECT_EQ(SupportFlags({{true, false, false}}), 0x4) << "mono volume";
  EXPECT_EQ(SupportFlags({{true, true, true}}), 0x4) << "one knob for both sides";
  EXPECT_EQ(SupportFlags({{true, false, true}}), 0xC);
  EXPECT_EQ(SupportFlags({{true, true, true}, {false, false, true}, {true, false, true}}), 0xC);
  // A stereo element without volume does not make left-right.
  EXPECT_EQ(SupportFlags({{false, false, true}, {true, false, false}}), 0x4);
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

TEST_F(ScratchTree, DirectoryInPlaceOfFile) {
  fs::create_directories(root_ / "sys/class/sound/card0/device/vendor");
  fs::create_directories(root_ / "proc/asound/version");
  EXPECT_EQ(ReadCardIds(root_, 0), (CardIds{}));
  EXPECT_EQ(ReadDriverVersion(root_), 0);
}

}  // namespace
}  // namespace tivrel::alsa
