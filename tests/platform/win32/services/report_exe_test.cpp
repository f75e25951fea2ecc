// tivrel-report.exe as a user runs it: arguments, bytes out, exit status.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "child_process.h"
#include "cli/report_tool.h"

namespace tivrel::test {
namespace {

struct Outcome {
  DWORD status = 0xFFFFFFFF;
  std::string out;
  std::string err;
};

Outcome RunReport(const std::wstring& arguments) {
  const char* exe = std::getenv("TIVREL_REPORT_EXE");
  Outcome run;
  if (exe == nullptr) {
    ADD_FAILURE() << "TIVREL_REPORT_EXE is not set";
    return run;
  }
  CaptureFile out;
  CaptureFile err;
  Child child;
  if (!child.Start(WindowsPath(Widen(exe)), arguments, out.handle(), err.handle())) {
    ADD_FAILURE() << "cannot start " << exe << ", error " << GetLastError();
    return run;
  }
  EXPECT_TRUE(child.Wait(30000, &run.status)) << "tivrel-report did not end within 30 s";
  run.out = out.Read();
  run.err = err.Read();
  return run;
}

bool Audio(const char* mode) {
  const char* value = std::getenv("TIVREL_AUDIO");
  return value != nullptr && std::strcmp(value, mode) == 0;
}

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  size_t start = 0;
  for (size_t end; (end = text.find("\r\n", start)) != std::string::npos; start = end + 2) {
    lines.push_back(text.substr(start, end - start));
  }
  if (start != text.size()) lines.push_back(text.substr(start) + "<no CR LF>");
  return lines;
}

TEST(ReportExe, HelpAndVersionGoToStdoutAsTheyAre) {
  const Outcome help = RunReport(L"--help");
  EXPECT_EQ(help.status, 0u);
  EXPECT_EQ(help.out.rfind("Usage: tivrel-report", 0), 0u) << help.out;
  // Binary mode: a bare LF stays a bare LF.
  EXPECT_EQ(help.out.find('\r'), std::string::npos);
  EXPECT_EQ(help.err, "");

  const Outcome version = RunReport(L"-h --version");
  EXPECT_EQ(version.status, 0u);
  EXPECT_EQ(version.out.rfind("Usage:", 0), 0u) << "the first option decides";

  const Outcome v = RunReport(L"--version");
  EXPECT_EQ(v.status, 0u);
  EXPECT_EQ(v.out, "tivrel-report 0.0.0.730 (Tivrel Build0730)\n");
}

TEST(ReportExe, UnknownOptionIsAUsageErrorOnStderr) {
  const Outcome run = RunReport(L"--测试");
  EXPECT_EQ(run.status, static_cast<DWORD>(kReportExitUsage));
  EXPECT_EQ(run.out, "");
  // The option comes back in UTF-8, not in the ANSI code page.
  EXPECT_NE(run.err.find("'--测试'"), std::string::npos) << run.err;
}

TEST(ReportExe, ReportOfDevice0) {
  if (!Audio("null") && !Audio("none")) GTEST_SKIP() << "audio set-up unknown (TIVREL_AUDIO)";
  const Outcome run = RunReport(L"");
  if (Audio("none")) {
    EXPECT_EQ(run.status, static_cast<DWORD>(kReportExitNoDevice));
    EXPECT_EQ(run.out, "");
    EXPECT_EQ(run.err, "tivrel-report: 在您的计算机上没有发现声卡设备或声卡驱动程序未安装\n");
    return;
  }
  EXPECT_EQ(run.status, static_cast<DWORD>(kReportExitOk)) << run.err;
  EXPECT_EQ(run.out.find("\r\r\n"), std::string::npos) << "line ends translated twice";
  const auto lines = Lines(run.out);
  ASSERT_GE(lines.size(), 6u) << run.out;
  const char* labels[] = {"产品名称：",     "产品 Id：",   "驱动程序 Id：",
                          "驱动程序版本：", "输出声道： ", "支持格式列表及扩展输出功能列表："};
  for (size_t i = 0; i < 6; ++i) {
    EXPECT_EQ(lines[i].rfind(labels[i], 0), 0u) << "line " << i + 1 << ": " << lines[i];
  }
  EXPECT_EQ(lines[5], labels[5]);
  for (const auto& line : lines) EXPECT_EQ(line.find("<no CR LF>"), std::string::npos);
}

}  // namespace
}  // namespace tivrel::test
