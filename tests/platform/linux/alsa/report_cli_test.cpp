// tivrel-report as a program: exit codes and the exact bytes it writes.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "alsa_test_env.h"
#include "app/version.h"
#include "cli/report_tool.h"
#include "platform/linux/alsa/wave_out.h"

namespace tivrel::alsa {
namespace {

using testing::kFixtures;

struct Outcome {
  int code = -1;
  std::string out;
  std::string err;
};

// `env` is a list of NAME=value words for env(1); values hold no quotes.
Outcome RunReport(const std::string& env, const std::string& args = "") {
  const auto errFile =
      std::filesystem::temp_directory_path() / ("tivrel-report-err-" + std::to_string(::getpid()));
  // Bounded: a probe that waits for anything fails here instead of hanging.
  const std::string command = "env -u TIVREL_ALSA_ROOT -u TIVREL_TEST_CARD -u ALSA_CARD " + env +
                              " timeout 20 '" TIVREL_REPORT_BIN "' " + args + " 2>'" +
                              errFile.string() + "'";
  Outcome run;
  std::FILE* pipe = ::popen(command.c_str(), "r");
  if (!pipe) return run;
  char buffer[4096];
  size_t n = 0;
  while ((n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) run.out.append(buffer, n);
  const int status = ::pclose(pipe);
  run.code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  std::ifstream in(errFile, std::ios::binary);
  run.err.assign(std::istreambuf_iterator<char>(in), {});
  std::filesystem::remove(errFile);
  return run;
}

// The fixture machine as a user's system: its /proc and /sys, and hw:C,D
// through the tests' ALSA configuration.
std::string MachineEnv(const std::string& card, const std::string& root = testing::kMachine) {
  return std::string("LC_ALL=C.UTF-8 ALSA_CONFIG_PATH='") + TIVREL_ALSA_TEST_CONF +
         "' TIVREL_ALSA_ROOT='" + root + "' TIVREL_TEST_CARD=" + card + " ";
}

TEST(ReportCli, HelpAndVersion) {
  const Outcome help = RunReport("", "--help");
  EXPECT_EQ(help.code, 0);
  EXPECT_EQ(help.out.rfind("Usage: tivrel-report", 0), 0u) << help.out;
  EXPECT_EQ(help.err, "");

  const Outcome version = RunReport("", "--version");
  EXPECT_EQ(version.code, 0);
  EXPECT_EQ(version.out, "tivrel-report " TIVREL_VERSION_DOTTED " (" TIVREL_PRODUCT_NAME ")\n");

  const Outcome bad = RunReport("", "--frobnicate");
  EXPECT_EQ(bad.code, kReportExitUsage);
  EXPECT_EQ(bad.out, "");
  EXPECT_NE(bad.err.find("--frobnicate"), std::string::npos);
}

TEST(ReportCli, NoSoundCardOnThisMachine) {
  if (!EnumeratePlaybackDevices().empty()) GTEST_SKIP() << "this machine has a sound card";
  // The system's own ALSA configuration, as a user would run it.
  const Outcome run = RunReport("-u ALSA_CONFIG_PATH LC_ALL=C.UTF-8");
  EXPECT_EQ(run.code, kReportExitNoDevice);
  EXPECT_EQ(run.out, "");
  EXPECT_EQ(run.err, "tivrel-report: 在您的计算机上没有发现声卡设备或声卡驱动程序未安装\n");
}

TEST(ReportCli, EachDeviceOfTheMachineAsDevice0) {
  const std::string head = "支持格式列表及扩展输出功能列表：\r\n";
  const struct {
    std::string env;
    int code;
    std::string out;
    std::string err;
  } cases[] = {
      {MachineEnv("1"), kReportExitOk,
       "产品名称：HDA Intel PCH: ALC892 Analog\r\n产品 Id：-24208\r\n驱动程序 Id：-32634\r\n"
       "驱动程序版本：6.1\r\n输出声道： 8\r\n" +
           head + "44.1Khz,Stereo,16bit,172Kb/Ps\r\n",
       ""},
      {MachineEnv("Headset"), kReportExitOk,
       "产品名称：Logitech USB Headset: USB Audio\r\n产品 Id：2628\r\n驱动程序 Id：1133\r\n"
       "驱动程序版本：6.1\r\n输出声道： 2\r\n" +
           head +
           "11.025Khz,Mono,8bit,11Kb/Ps\r\n22.05Khz,Mono,8bit,22Kb/Ps\r\n"
           "44.1Khz,Stereo,16bit,172Kb/Ps\r\nSupport Volume Control\r\n"
           "Support Left-Right Channels\r\n"
           "测试时设备正被其他程序（pipewire）占用，以上格式读自 /proc/asound/card2/stream0\r\n",
       "tivrel-report: hw:2,0: in use by pipewire, described from /proc/asound/card2/stream0, not "
       "measured\n"},
      // The C locale's ASCII cannot hold the name; the report still shows it whole.
      {"LC_ALL=C " + MachineEnv("3"), kReportExitOk,
       "产品名称：Äudio 声卡: USB Audio\r\n产品 Id：20\r\n驱动程序 Id：3468\r\n"
       "驱动程序版本：6.1\r\n输出声道： 1\r\n" +
           head +
           "11.025Khz,Mono,16bit,22Kb/Ps\r\n22.05Khz,Mono,16bit,43Kb/Ps\r\n"
           "44.1Khz,Mono,16bit,86Kb/Ps\r\n",
       ""},
      {"ALSA_CARD=0 " + MachineEnv("0"), kReportExitQueryFailed, "",
       "tivrel-report: hw:0,3: 测试失败：设备正被其他程序（pipewire）占用（错误代码 4） "
       "(Device or resource busy)\n"},
      {MachineEnv("4"), kReportExitQueryFailed, "",
       "tivrel-report: hw:4,0: 测试失败：没有使用该设备的权限（错误代码 1） (Permission denied)\n"},
      {MachineEnv("5"), kReportExitQueryFailed, "",
       "tivrel-report: hw:5,0: 测试失败：设备拒绝了所有播放参数（错误代码 1） (Invalid "
       "argument)\n"},
      {MachineEnv("0", kFixtures + "/noids"), kReportExitNoDevice, "",
       "tivrel-report: 在您的计算机上没有发现声卡设备或声卡驱动程序未安装\n"},
  };
  // Byte for byte what the window holds, CR LF included.
  for (const auto& c : cases) {
    const Outcome run = RunReport(c.env, "--crlf");
    EXPECT_EQ(run.code, c.code) << c.env;
    EXPECT_EQ(run.out, c.out) << c.env;
    EXPECT_EQ(run.err, c.err) << c.env;
  }
}

TEST(ReportCli, FifosInTheKernelTreesAreNeverWaitedFor) {
  // The machine again, with FIFOs in place of every file the busy USB headset's
  // query reads: the report must end (as "in use"), not hang.
  const auto root =
      std::filesystem::temp_directory_path() / ("tivrel-fifo-" + std::to_string(::getpid()));
  std::filesystem::copy(testing::kMachine, root, std::filesystem::copy_options::recursive);
  for (const char* file : {"proc/asound/card2/pcm0p/info", "proc/asound/card2/pcm0p/sub0/status",
                           "proc/asound/card2/stream0", "proc/asound/card2/usbid",
                           "proc/asound/version", "proc/4242/comm"}) {
    std::filesystem::remove(root / file);
    ASSERT_EQ(::mkfifo((root / file).c_str(), 0600), 0) << file;
  }
  Outcome run = RunReport(MachineEnv("2", root.string()));
  EXPECT_EQ(run.code, kReportExitQueryFailed);
  EXPECT_EQ(run.err,
            "tivrel-report: hw:2,0: 测试失败：设备正被其他程序占用（错误代码 4） "
            "(Device or resource busy)\n");
  std::filesystem::remove(root / "proc/asound/cards");
  ASSERT_EQ(::mkfifo((root / "proc/asound/cards").c_str(), 0600), 0);
  run = RunReport(MachineEnv("2", root.string()));
  EXPECT_EQ(run.code, kReportExitNoDevice) << "no list of cards, no card";
  std::filesystem::remove_all(root);
}

TEST(ReportCli, ACardThatCannotBeReadIsNamed) {
  // The kernel lists card 3, but its folder is gone (unplugged while read).
  const auto root =
      std::filesystem::temp_directory_path() / ("tivrel-unread-" + std::to_string(::getpid()));
  std::filesystem::copy(testing::kMachine, root, std::filesystem::copy_options::recursive);
  std::filesystem::remove_all(root / "proc/asound/card3");
  const Outcome run = RunReport(MachineEnv("1", root.string()), "--list");
  EXPECT_EQ(run.code, kReportExitOk);
  EXPECT_EQ(run.out.find("hw:3,0"), std::string::npos) << run.out;
  EXPECT_EQ(run.err,
            "tivrel-report: card 3 (Audio): /proc/asound/card3 could not be read, its devices are "
            "not listed: No such file or directory\n");
  std::filesystem::remove_all(root);
}

}  // namespace
}  // namespace tivrel::alsa
