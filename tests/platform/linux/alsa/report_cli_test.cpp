// tivrel-report as a program: exit codes and the exact bytes it writes.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "alsa_test_env.h"
#include "app/report_tool.h"
#include "app/version.h"
#include "platform/linux/alsa/alsa_waveout.h"

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
  const std::string command = "env -u TIVREL_ALSA_ROOT -u TIVREL_ALSA_PCM -u TIVREL_ALSA_CARDS " +
                              env + " '" TIVREL_REPORT_BIN "' " + args + " 2>'" + errFile.string() +
                              "'";
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

const std::string kNullEnv = std::string("LC_ALL=C.UTF-8 ALSA_CONFIG_PATH='") +
                             TIVREL_ALSA_TEST_CONF + "' TIVREL_ALSA_PCM=tivrel_null ";

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
  EXPECT_EQ(run.out, "在您的计算机上没有发现声卡设备或声卡驱动程序未安装");
  EXPECT_EQ(run.err, "");
}

TEST(ReportCli, FixtureCardOnTheNullPcm) {
  const Outcome run = RunReport(kNullEnv + "TIVREL_ALSA_ROOT='" + kFixtures +
                                "/pci' 'TIVREL_ALSA_CARDS=0,0,HDA Intel PCH'");
  EXPECT_EQ(run.code, kReportExitOk) << run.err;
  std::string expected =
      "产品名称：HDA Intel PCH\r\n产品 Id：9832\r\n驱动程序 Id：-32634\r\n"
      "驱动程序版本：6.1\r\n输出声道：-1\r\n支持格式列表及扩展输出功能列表：\r\n";
  for (const char* line :
       {"11.025Khz,Mono,8bit,11Kb/Ps", "11.025Khz,Stereo,8bit,22Kb/Ps",
        "11.025Khz,Mono,16bit,22Kb/Ps", "11.025Khz,Stereo,16bit,43Kb/Ps",
        "22.05Khz,Mono,8bit,22Kb/Ps", "22.05Khz,Stereo,8bit,43Kb/Ps", "22.05Khz,Mono,16bit,43Kb/Ps",
        "22.05Khz,Stereo,16bit,86Kb/Ps", "44.1Khz,Mono,8bit,43Kb/Ps", "44.1Khz,Stereo,8bit,86Kb/Ps",
        "44.1Khz,Mono,16bit,86Kb/Ps", "44.1Khz,Stereo,16bit,172Kb/Ps"}) {
    expected += std::string(line) + "\r\n";
  }
  EXPECT_EQ(run.out, expected);
  EXPECT_EQ(run.err, "");
}

TEST(ReportCli, QueryFailureIsExplainedOnStandardError) {
  const Outcome run =
      RunReport(kNullEnv + "TIVREL_ALSA_PCM=tivrel_no_such_pcm TIVREL_ALSA_CARDS=0,0,X");
  EXPECT_EQ(run.code, kReportExitQueryFailed);
  EXPECT_EQ(run.out, "");
  EXPECT_EQ(run.err,
            "tivrel-report: the capability query of device 0 failed: no such device "
            "(MMSYSERR_BADDEVICEID), code 2\n");
}

TEST(ReportCli, EmptyCardListIsNoDevice) {
  const Outcome run = RunReport(kNullEnv + "TIVREL_ALSA_CARDS=");
  EXPECT_EQ(run.code, kReportExitNoDevice);
  EXPECT_EQ(run.err, "");
}

TEST(ReportCli, MalformedCardListIsAUsageError) {
  const Outcome run = RunReport(kNullEnv + "TIVREL_ALSA_CARDS=zero");
  EXPECT_EQ(run.code, kReportExitUsage);
  EXPECT_EQ(run.out, "");
  EXPECT_NE(run.err.find("TIVREL_ALSA_CARDS"), std::string::npos);
}

}  // namespace
}  // namespace tivrel::alsa
