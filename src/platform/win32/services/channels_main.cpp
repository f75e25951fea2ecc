// tivrel-channels.exe: the core's channel walk on a waveform device's Core
// Audio endpoint, exclusive where allowed, else through the system's mixer.
#include <windows.h>

#include <atomic>
#include <string>
#include <vector>

#include "cli/channels_tool.h"
#include "cli/text_output.h"
#include "framework/ansi_codec.h"
#include "platform/win32/services/console_output.h"
#include "platform/win32/services/report_platform.h"
#include "platform/win32/services/services.h"
#include "platform/win32/services/utf8.h"
#include "platform/win32/services/wasapi_playback.h"

namespace {

using tivrel::win32::Utf8;
using tivrel::win32::Wide;
using tivrel::win32::WriteAll;

std::atomic<bool> interrupted{false};

BOOL WINAPI OnControl(DWORD event) {
  if (event != CTRL_C_EVENT && event != CTRL_BREAK_EVENT && event != CTRL_CLOSE_EVENT) return FALSE;
  interrupted = true;
  return TRUE;
}

class WinChannels final : public tivrel::ChannelsPlatform {
 public:
  WinChannels(tivrel::win32::WaveOutWinmm& waveOut, const tivrel::AnsiCodec& ansi)
      : devices_(waveOut, ansi) {}

  tivrel::ReportPlatform& devices() override { return devices_; }

  std::unique_ptr<tivrel::sound::PlaybackStream> Open(const tivrel::DeviceListing& device,
                                                      tivrel::sound::StreamConfig& config,
                                                      tivrel::PlayPath& path, std::string& note,
                                                      tivrel::sound::StreamError& error) override {
    const std::string name = tivrel::LocationText(device);
    const auto number = static_cast<uint32_t>(device.location.waveDevice);
    const auto endpoint = devices_.DeviceEndpoint(number, 0);
    if (!endpoint) {
      error = {static_cast<uint32_t>(HRESULT_FROM_WIN32(ERROR_NOT_FOUND)),
               name + ": it has no Core Audio endpoint"};
      return nullptr;
    }
    auto stream = std::make_unique<tivrel::win32::WasapiPlayback>(
        Wide(endpoint->id), name, [] { return interrupted.load(); });
    if ((error = stream->Open(config))) return nullptr;
    path = stream->shared() ? tivrel::PlayPath::kServer : tivrel::PlayPath::kDevice;
    if (stream->shared()) {
      char code[16];
      wsprintfA(code, "0x%08lX", static_cast<unsigned long>(stream->exclusiveRefusal()));
      note = name + " (" + endpoint->name + ") refused exclusive mode (" + code +
             "): playing through the system's mixer";
    }
    return stream;
  }

  bool Say(bool toOut, const std::string& text, std::string& why) override {
    const DWORD error = WriteAll(toOut ? STD_OUTPUT_HANDLE : STD_ERROR_HANDLE, text);
    if (error != 0) why = "Windows error " + std::to_string(error);
    return error == 0;
  }

  bool Interrupted() override { return interrupted; }

 private:
  tivrel::win32::WinReportPlatform devices_;
};

}  // namespace

int wmain(int argc, wchar_t** argv) {
  tivrel::win32::LoadDllsFromTheSystemFolderOnly();
  SetConsoleCtrlHandler(OnControl, TRUE);
  tivrel::win32::WaveOutWinmm waveOut;
  const auto ansi = tivrel::MakeSystemAnsiCodec();
  WinChannels platform(waveOut, *ansi);
  std::vector<std::string> args;
  for (int i = 1; i < argc; ++i) args.push_back(Utf8(argv[i]));
  std::string out, err;
  int status;
  try {
    status = tivrel::RunChannelsTool(args, platform, out, err);
  } catch (const std::exception& e) {
    err += std::string("tivrel-channels: ") + e.what() + "\n";
    status = tivrel::kChannelsExitSystem;
  }
  if (const DWORD error = WriteAll(STD_OUTPUT_HANDLE, out); error != 0) {
    if (tivrel::win32::ReaderGone(error)) return tivrel::kChannelsExitOutput;
    err += tivrel::OutputFailedMessage("Windows error " + std::to_string(error));
    if (status == 0) status = tivrel::kChannelsExitOutput;
  }
  WriteAll(STD_ERROR_HANDLE, err);
  return status;
}
