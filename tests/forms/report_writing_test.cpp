// The Test command: its report, its three paths and the order of its steps.
#include <gtest/gtest.h>

#include "probe/report_text.h"
#include "support/harness.h"

namespace tivrel {
namespace {

using test::Caps;
using test::Harness;

class TestCommandTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(h.Start()); }
  void Device(const WAVEOUTCAPS& caps) { h.waveOut.image = ToImage(caps, *h.gbk); }
  std::u16string& Report() { return h.host.Text(FormId::Form1); }
  Harness h;
};

const WAVEOUTCAPS kExample = Caps(u"Example Audio Device", 321, 55, 0x050A, 2, 0x0889, 0x002C);

TEST_F(TestCommandTest, WorkedExampleGivesTwelveLinesExactly) {
  Device(kExample);
  ASSERT_TRUE(h.ClickTest());
  EXPECT_EQ(Report(),
            u"产品名称：Example Audio Device\r\n"
            u"产品 Id：55\r\n"
            u"驱动程序 Id：321\r\n"
            u"驱动程序版本：5.10\r\n"
            u"输出声道： 2\r\n"
            u"支持格式列表及扩展输出功能列表：\r\n"
            u"11.025Khz,Mono,8bit,11Kb/Ps\r\n"
            u"11.025Khz,Stereo,16bit,43Kb/Ps\r\n"
            u"22.05Khz,Stereo,16bit,86Kb/Ps\r\n"
            u"44.1Khz,Stereo,16bit,172Kb/Ps\r\n"
            u"Support Volume Control\r\n"
            u"Support Left-Right Channels\r\n");
}

TEST_F(TestCommandTest, QueriesDeviceZeroWithTheSize50AndAZeroedImage) {
  Device(kExample);
  h.waveOut.numDevs = 3;  // only device 0 is ever asked
  ASSERT_TRUE(h.ClickTest());
  EXPECT_EQ(h.waveOut.log, (std::vector<std::string>{"waveOutGetNumDevs", "waveOutGetDevCapsA"}));
  EXPECT_EQ(h.waveOut.deviceAsked, 0u);
  EXPECT_EQ(h.waveOut.sizeGiven, 50u);
  EXPECT_EQ(h.waveOut.imageBeforeCall, CapsImage{});
}

TEST_F(TestCommandTest, UpperBytesOfSupportAreNeverWrittenAndReadZero) {
  WAVEOUTCAPS c = kExample;
  c.dwSupport = static_cast<int32_t>(0xFFFF0004);  // what a careless driver might leave
  Device(c);
  ASSERT_TRUE(h.ClickTest());
  EXPECT_NE(Report().find(u"Support Volume Control\r\n"), std::u16string::npos);
  EXPECT_EQ(Report().find(u"Support Pitch"), std::u16string::npos);
}

TEST_F(TestCommandTest, WritesLineByLineEachWriteTheBoxTextPlusOneLine) {
  Device(Caps(u"X", 1, 1, 0x0100, 2, 0x0001, 0x0004));
  ASSERT_TRUE(h.ClickTest());
  // 8 lines: the first write replaces, seven more each read, then write.
  const auto texts = h.host.Calls("GetText Text1");
  const auto writes = h.host.Calls("SetText Text1");
  EXPECT_EQ(writes.size(), 8u);
  EXPECT_EQ(texts.size(), 7u);
  const size_t first = h.host.IndexOf("SetText Text1");
  EXPECT_EQ(h.host.log[first + 1], "GetText Text1");
  EXPECT_EQ(h.host.log[first + 2], "SetText Text1");
}

TEST_F(TestCommandTest, CommonEndingPutsFalseThenShowsTheDialogThenFocusesTheReport) {
  Device(kExample);
  ASSERT_TRUE(h.ClickTest());
  const size_t put = h.host.IndexOf("PutBoolProperty Command1(2) 0x6803000F false");
  const size_t box = h.host.IndexOf("MessageBox 测试完成！ | ^_^ | 64");
  const size_t focus = h.host.IndexOf("SetFocus Form1.Text1");
  ASSERT_NE(put, std::string::npos);
  EXPECT_GT(put, h.host.IndexOf("SetText"));
  EXPECT_LT(put, box);
  EXPECT_LT(box, focus);
  EXPECT_EQ(focus, h.host.log.size() - 1);
  EXPECT_EQ(h.host.focus, "Form1.Text1");
}

TEST_F(TestCommandTest, NoDeviceReplacesTheBoxWithTheMessageWithoutLineEnd) {
  // Zero, and counts that read negative as signed, mean no device.
  for (uint32_t count : {0u, 0x80000000u, 0xFFFFFFFFu}) {
    Device(kExample);
    h.waveOut.numDevs = 1;
    ASSERT_TRUE(h.ClickTest());  // a report in the box first
    h.waveOut.numDevs = count;
    h.ClearLog();
    h.waveOut.log.clear();
    ASSERT_TRUE(h.ClickTest());
    EXPECT_EQ(Report(), u"在您的计算机上没有发现声卡设备或声卡驱动程序未安装") << count;
    EXPECT_EQ(h.waveOut.log, std::vector<std::string>{"waveOutGetNumDevs"}) << count;
    EXPECT_EQ(h.host.Count("MessageBox 测试完成！"), 1u) << count;
  }
}

TEST_F(TestCommandTest, FailedQueryReplacesTheBoxWithItsReasonAndStillEnds) {
  using Cause = QueryNote::Cause;
  struct Case {
    uint32_t result;
    QueryNote note;
    std::u16string_view text;
  };
  const Case cases[] = {
      {4, {}, u"测试失败：设备正被其他程序占用（错误代码 4）"},
      {4, {.holder = "pipewire"}, u"测试失败：设备正被其他程序（pipewire）占用（错误代码 4）"},
      {2, {}, u"测试失败：设备已不存在，可能已被拔出或关闭（错误代码 2）"},
      {6, {}, u"测试失败：没有可用的设备驱动程序（错误代码 6）"},
      {7, {}, u"测试失败：内存不足（错误代码 7）"},
      {1, {.cause = Cause::kPermission}, u"测试失败：没有使用该设备的权限（错误代码 1）"},
      {1, {.cause = Cause::kHardwareParams}, u"测试失败：设备拒绝了所有播放参数（错误代码 1）"},
      {1, {}, u"测试失败：发生了未指明的错误（错误代码 1）"},
      {0xFFFFFFFF, {}, u"测试失败：发生了未指明的错误（错误代码 4294967295）"},
  };
  for (const Case& c : cases) {
    Device(kExample);
    ASSERT_TRUE(h.ClickTest());  // a stale report in the box first
    h.waveOut.result = c.result;
    h.waveOut.note = c.note;
    h.ClearLog();
    ASSERT_TRUE(h.ClickTest());
    EXPECT_EQ(Report(), c.text) << c.result;
    EXPECT_EQ(h.host.Count("SetText"), 1u) << "one write, no line by line";
    const size_t put = h.host.IndexOf("PutBoolProperty Command1(2) 0x6803000F false");
    ASSERT_NE(put, std::string::npos);
    EXPECT_GT(put, h.host.IndexOf("SetText Text1"));
    EXPECT_LT(put, h.host.IndexOf("MessageBox 测试完成！ | ^_^ | 64"));
    EXPECT_EQ(h.host.focus, "Form1.Text1");
    h.waveOut.result = 0;
    h.waveOut.note = {};
  }
}

TEST_F(TestCommandTest, ValuesReadInsteadOfMeasuredEndWithTheirSources) {
  Device(kExample);
  const std::string card1 = "/proc/asound/card1/";
  const struct {
    QueryNote note;
    std::u16string_view last;
  } cases[] = {
      {{.holder = "pipewire", .sources = {card1 + "stream0"}},
       u"测试时设备正被其他程序（pipewire）占用，以上格式读自 /proc/asound/card1/stream0\r\n"},
      {{.sources = {card1 + "codec#0", card1 + "pcm0p/sub0/hw_params"},
        .playing = QueryNote::Playing{"S32_LE", 2, 48000}},
       u"测试时设备正被其他程序占用，以上格式读自 "
       u"/proc/asound/card1/codec#0、/proc/asound/card1/pcm0p/sub0/hw_params\r\n"
       u"正在播放 S32_LE 2 声道 48000 Hz\r\n"},
  };
  for (const auto& c : cases) {
    h.waveOut.note = c.note;
    ASSERT_TRUE(h.ClickTest());
    const std::u16string last = u"Support Left-Right Channels\r\n" + std::u16string(c.last);
    ASSERT_GE(Report().size(), last.size());
    EXPECT_EQ(Report().substr(Report().size() - last.size()), last);
  }
}

TEST_F(TestCommandTest, NoStandardFormatSaysWhatTheDeviceTakesUnderTheList) {
  using F = SampleFormat;
  auto only = [](int channels, auto accepts) { return ProbeFormatMatrix(channels, accepts); };
  const struct {
    FormatMatrix native;
    std::u16string_view summary;
  } cases[] = {
      {only(2, [](F f, unsigned c, uint32_t r) { return f == F::S24_3 && c == 2 && r == 48000; }),
       u"48 kHz，24 位，立体声"},
      {only(8,
            [](F f, unsigned c, uint32_t r) {
              return (f == F::S16 || f == F::S32) && c >= 2 && r >= 44100 && r <= 192000;
            }),
       u"44.1～192 kHz，16/32 位，2～8 声道"},
      {only(2,
            [](F f, unsigned, uint32_t r) { return f == F::Float && (r == 8000 || r == 11025); }),
       u"8/11.025 kHz，32 位浮点，单声道/立体声"},
      {only(6, [](F f, unsigned c, uint32_t r) { return f == F::S16 && c % 2 == 0 && r == 96000; }),
       u"96 kHz，16 位，2/4/6 声道"},
  };
  for (const auto& c : cases) {
    Device(Caps(u"Dock", 1, 2, 0x0601, 2, 0, 0));
    h.waveOut.note = {.native = c.native};
    ASSERT_TRUE(h.ClickTest());
    EXPECT_EQ(Report(),
              u"产品名称：Dock\r\n产品 Id：2\r\n驱动程序 Id：1\r\n驱动程序版本：6.1\r\n"
              u"输出声道： 2\r\n支持格式列表及扩展输出功能列表：\r\n（本设备的原生格式：" +
                  std::u16string(c.summary) + u"）\r\n");
  }
  // A standard format listed, or nothing taken at all: no such line.
  Device(Caps(u"Dock", 1, 2, 0x0601, 2, 0x0800, 0));
  ASSERT_TRUE(h.ClickTest());
  const std::u16string listed = Report();
  h.waveOut.note = {.native = FormatMatrix{.channels = 2}};
  Device(Caps(u"Dock", 1, 2, 0x0601, 2, 0, 0));
  ASSERT_TRUE(h.ClickTest());
  EXPECT_EQ(Report().find(u"原生格式"), std::u16string::npos);
  EXPECT_EQ(listed.find(u"原生格式"), std::u16string::npos);
}

TEST_F(TestCommandTest, PressingTwiceEqualsPressingOnce) {
  Device(kExample);
  ASSERT_TRUE(h.ClickTest());
  const std::u16string once = Report();
  ASSERT_TRUE(h.ClickTest());
  EXPECT_EQ(Report(), once);
  EXPECT_EQ(h.host.Count("PutBoolProperty Command1(2) 0x6803000F false"), 2u);
}

TEST_F(TestCommandTest, EveryBitGives23LinesAndNoBitsGiveSix) {
  Device(Caps(u"All", 1, 2, 0x0100, 2, 0x0FFF, 0x001F));
  ASSERT_TRUE(h.ClickTest());
  EXPECT_EQ(ReportLines(FromImage(h.waveOut.image, *h.gbk)).size(), 23u);
  size_t lines = 0;
  for (size_t p = 0; (p = Report().find(u"\r\n", p)) != std::u16string::npos; p += 2) ++lines;
  EXPECT_EQ(lines, 23u);

  Device(Caps(u"", 1, 2, 0x0100, 2, 0, 0));
  ASSERT_TRUE(h.ClickTest());
  EXPECT_EQ(Report().substr(0, 7), u"产品名称：\r\n") << "an empty name ends right after the label";
  const std::u16string_view tail = u"支持格式列表及扩展输出功能列表：\r\n";
  ASSERT_GE(Report().size(), tail.size());
  EXPECT_EQ(Report().substr(Report().size() - tail.size()), tail);
}

TEST_F(TestCommandTest, AnErrorAbandonsTheRestButKeepsWhatWasWritten) {
  Device(kExample);
  h.host.failOn = "PutBoolProperty";
  EXPECT_FALSE(h.ClickTest());
  EXPECT_EQ(h.host.Count("ShowErrorBox"), 1u);
  EXPECT_EQ(h.host.Count("MessageBox 测试完成！"), 0u);
  EXPECT_EQ(h.host.Count("SetFocus"), 0u);
  EXPECT_EQ(Report().substr(0, 5), u"产品名称：") << "the report written so far stays";
}

}  // namespace
}  // namespace tivrel
