// The Test command over the Windows service, bound to a stand-in Winmm whose
// capability query fails: the box names the failure, the dialog still shows.
#include <gtest/gtest.h>
#include <windows.h>

#include "forms/form1.h"
#include "platform/win32/services/services.h"
#include "probe/report_text.h"
#include "support/harness.h"

namespace tivrel::win32 {
namespace {

TEST(StandInWinmm, AFailedQueryIsNamedInTheBoxAndTheDialogStillShows) {
  wchar_t self[MAX_PATH];
  const DWORD n = GetModuleFileNameW(nullptr, self, MAX_PATH);
  ASSERT_GT(n, 0u);
  std::wstring path(self, n);
  path = path.substr(0, path.find_last_of(L'\\') + 1) + L"tivrel_standin_winmm.dll";
  std::string narrow(path.begin(), path.end());  // the build folder's path is ASCII

  test::FakeHost host;
  WaveOutWinmm waveOut(narrow);
  test::FakeWindowMenu windowMenu(host);
  test::FakeShell shell;
  const auto gbk = MakeGbkCodec();
  App app{host, Services{waveOut, windowMenu, shell, *gbk}, ProgramForms()};
  host.app = &app;
  app.Start();
  app.Click(FormId::Form1, form1::kCommand1);
  EXPECT_EQ(host.Text(FormId::Form1), u"测试失败：设备已不存在，可能已被拔出或关闭（错误代码 2）");
  EXPECT_EQ(host.Count("MessageBox 测试完成！ | ^_^ | 64"), 1u);
  EXPECT_EQ(host.focus, "Form1.Text1");
  EXPECT_TRUE(waveOut.library().loaded());
}

}  // namespace
}  // namespace tivrel::win32
