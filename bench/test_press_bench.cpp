// One press of Test against an in-memory device and window framework: the
// cost of the command itself, report composition and the line-by-line writes.
#include <benchmark/benchmark.h>

#include <cstring>

#include "forms/form1.h"
#include "forms/program.h"
#include "framework/app.h"
#include "probe/report_text.h"

namespace tivrel {
namespace {

class MemoryHost final : public Host {
 public:
  std::u16string text;
  void CreateForm(const FormDesign&) override {}
  void DestroyForm(FormId) override {}
  void ShowForm(FormId) override {}
  std::u16string GetText(FormId, ControlRef) override { return text; }
  void SetText(FormId, ControlRef, std::u16string_view t) override { text = t; }
  std::u16string GetSelText(FormId, ControlRef) override { return {}; }
  void SetEnabled(FormId, ControlRef, bool) override {}
  void SetFontSize(FormId, ControlRef, float) override {}
  void SetFocus(FormId, ControlRef) override {}
  bool HasFocus(FormId, ControlRef) override { return false; }
  void SetMenuEnabled(FormId, std::string_view, bool) override {}
  void PutBoolProperty(FormId, ControlRef, int32_t, bool) override {}
  void PopupMenu(FormId, std::string_view) override {}
  void MessageBox(std::u16string_view, std::u16string_view, int) override {}
  void Beep() override {}
  bool PrevInstance() override { return false; }
  void ClipboardClear() override {}
  void ClipboardSetText(std::u16string_view) override {}
  void ShowErrorBox(std::u16string_view, std::u16string_view) override {}
  [[noreturn]] void EndProcess() override { std::abort(); }
  void QuitEventLoop() override {}
};

class MemoryWaveOut final : public WaveOutApi {
 public:
  CapsImage image{};
  uint32_t waveOutGetNumDevs() override { return 1; }
  uint32_t waveOutGetDevCapsA(uintptr_t, void* caps, uint32_t size) override {
    std::memcpy(caps, image.data(), size);
    return 0;
  }
};

struct NoWindowMenu final : WindowMenuApi {
  void RemoveCloseCommand(FormId) override {}
};
struct NoShell final : ShellApi {
  void OpenUri(std::string_view) override {}
};

void BM_TestPress(benchmark::State& state) {
  MemoryHost host;
  MemoryWaveOut waveOut;
  NoWindowMenu windowMenu;
  NoShell shell;
  auto ansi = MakeGbkCodec();
  WAVEOUTCAPS caps;
  const std::u16string_view name = u"Realtek High Definition Audio";
  std::copy(name.begin(), name.end(), caps.szPname.begin());
  caps.wMid = 1;
  caps.wPid = 100;
  caps.vDriverVersion = 0x050A;
  caps.wChannels = 2;
  caps.dwFormats = 0x0FFF;  // every format bit
  caps.dwSupport = 0x001F;  // every support bit
  waveOut.image = ToImage(caps, *ansi);
  App app(host, Services{waveOut, windowMenu, shell, *ansi}, ProgramForms());
  app.Load(FormId::Form1);
  for (auto _ : state) {
    app.Click(FormId::Form1, form1::kCommand1);
    benchmark::DoNotOptimize(host.text.data());
  }
  if (host.text.size() < 100) state.SkipWithError("no report written");
}
BENCHMARK(BM_TestPress)->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace tivrel

BENCHMARK_MAIN();
