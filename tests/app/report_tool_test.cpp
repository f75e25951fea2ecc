#include "app/report_tool.h"

#include <gtest/gtest.h>

#include "support/harness.h"

namespace tivrel {
namespace {

struct ReportTool : ::testing::Test {
  int Run(std::vector<std::string> args = {}) {
    out.clear();
    err.clear();
    return RunReportTool(args, waveOut, *gbk, out, err);
  }
  test::FakeWaveOut waveOut;
  std::unique_ptr<AnsiCodec> gbk = MakeGbkCodec();
  std::string out, err;
};

TEST_F(ReportTool, PrintsTheReportInUtf8WithItsLineEnds) {
  waveOut.image = ToImage(test::Caps(u"岚铃声卡", 1, 2, 0x0501, 2, 0x0001, 0), *gbk);
  EXPECT_EQ(Run(), 0);
  EXPECT_EQ(out,
            "产品名称：岚铃声卡\r\n产品 Id：2\r\n驱动程序 Id：1\r\n驱动程序版本：5.1\r\n"
            "输出声道： 2\r\n支持格式列表及扩展输出功能列表：\r\n11.025Khz,Mono,8bit,11Kb/Ps\r\n");
  EXPECT_EQ(err, "");
  EXPECT_EQ(waveOut.sizeGiven, 50u);
}

TEST_F(ReportTool, NoDeviceAndFailedQueryHaveTheirOwnStatus) {
  waveOut.numDevs = 0;
  EXPECT_EQ(Run(), 1);
  EXPECT_EQ(out, "在您的计算机上没有发现声卡设备或声卡驱动程序未安装");
  waveOut.numDevs = 1;
  waveOut.result = kMmSysErrAllocated;
  EXPECT_EQ(Run(), 2);
  EXPECT_EQ(out, "");
  EXPECT_EQ(err, "tivrel-report: device 0: 测试失败：设备正被其他程序占用（错误代码 4）\n");
  waveOut.note = {
      .device = "hw:2,0", .holder = "pipewire", .systemText = "Device or resource busy"};
  EXPECT_EQ(Run(), 2);
  EXPECT_EQ(err,
            "tivrel-report: hw:2,0: 测试失败：设备正被其他程序（pipewire）占用（错误代码 4） "
            "(Device or resource busy)\n");
}

TEST_F(ReportTool, HelpVersionAndUnknownOptions) {
  EXPECT_EQ(Run({"--help"}), 0);
  EXPECT_NE(out.find("Usage: tivrel-report"), std::string::npos);
  EXPECT_TRUE(waveOut.log.empty()) << "--help queries nothing";
  EXPECT_EQ(Run({"--version"}), 0);
  EXPECT_EQ(out, "tivrel-report 0.0.0.730 (Tivrel Build0730)\n");
  EXPECT_EQ(Run({"--bogus"}), 64);
  EXPECT_NE(err.find("--bogus"), std::string::npos);
}

}  // namespace
}  // namespace tivrel
