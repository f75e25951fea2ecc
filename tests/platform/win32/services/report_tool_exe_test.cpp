// tivrel-report's Windows side: the matrix asked of waveOutOpen with
// WAVE_FORMAT_QUERY (a stand-in Winmm whose answers are known, and Wine's own
// over a null sink), and output that cannot be written.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstdlib>
#include <cstring>
#include <nlohmann/json.hpp>

#include "child_process.h"
#include "cli/report_tool.h"
#include "platform/win32/services/report_platform.h"
#include "platform/win32/services/wave_format.h"

namespace tivrel::win32 {
namespace {

using Json = nlohmann::json;

std::wstring BesideMe(const wchar_t* file) {
  wchar_t self[MAX_PATH];
  const DWORD n = GetModuleFileNameW(nullptr, self, MAX_PATH);
  const std::wstring path(self, n);
  return path.substr(0, path.find_last_of(L'\\') + 1) + file;
}

TEST(StandInFormats, TheMatrixIsWhatWaveFormatQueryAnswers) {
  const std::wstring path = BesideMe(L"tivrel_standin_formats.dll");
  WaveOutWinmm waveOut(std::string(path.begin(), path.end()));  // the build folder is ASCII
  const auto ansi = MakeSystemAnsiCodec();
  WinReportPlatform platform(waveOut, *ansi);
  std::string out, err;
  EXPECT_EQ(RunReportTool({"--all", "--formats", "--json"}, platform, out, err),
            kReportExitQueryFailed);
  const Json doc = Json::parse(out);
  ASSERT_EQ(doc["devices"].size(), 2u);
  const Json& d0 = doc["devices"][0];
  EXPECT_EQ(d0["name"], "Stand-in 扬声器") << "the Unicode record's name";
  EXPECT_EQ(d0["location"], Json::parse(R"({"wave_device": 0})"));
  EXPECT_EQ(d0["capabilities"]["product_name"], "Stand-in Speakers");
  Json accepted = Json::object();
  for (const auto& f : d0["matrix"]["formats"]) {
    for (const auto& c : f["channels"]) {
      if (!c["rates"].empty())
        accepted[f["format"].get<std::string>()][c["channels"].dump()] = c["rates"];
    }
  }
  EXPECT_EQ(accepted,
            Json::parse(R"({"S16_LE": {"2": [44100, 48000]}, "FLOAT_LE": {"1": [96000]}})"));
  EXPECT_EQ(d0["matrix"]["channels_tried"], 2);
  EXPECT_TRUE(d0["endpoint"].is_null());
  EXPECT_FALSE(platform.coreAudio().started()) << "no endpoint id, no Core Audio";

  const Json& d1 = doc["devices"][1];
  EXPECT_EQ(d1["error"]["result"], 4);
  EXPECT_EQ(d1["error"]["system_text"], "Stand-in: the device is in use.");
  EXPECT_EQ(d1["busy"]["busy"], true);
  EXPECT_EQ(err,
            "tivrel-report: device 1: 测试失败：设备正被其他程序占用（错误代码 4） (Stand-in: the "
            "device is in use.)\n");

  // Every combination asked once, as a query; nothing opened.
  const HMODULE module = GetModuleHandleW(path.c_str());
  ASSERT_NE(module, nullptr);
  using Count = unsigned(__cdecl*)();
  const auto queries = reinterpret_cast<Count>(
      reinterpret_cast<void (*)()>(GetProcAddress(module, "tivrelQueries")));
  const auto opens =
      reinterpret_cast<Count>(reinterpret_cast<void (*)()>(GetProcAddress(module, "tivrelOpens")));
  ASSERT_TRUE(queries && opens);
  EXPECT_EQ(queries(), 7u * 2u * 15u);
  EXPECT_EQ(opens(), 0u);
}

TEST(WaveFormats, AStatedFormatReadsAsTheMatrixNamesIt) {
  // Every combination the matrix asks reads back as itself.
  for (const auto& info : kSampleFormats) {
    for (unsigned channels : {1u, 2u, 3u, 6u, 8u, 32u}) {
      const WAVEFORMATEXTENSIBLE x = ExtensibleFormat(info.format, channels, 44100);
      const StreamFormat f = DescribeFormat(x.Format);
      EXPECT_EQ(f, (StreamFormat{std::string(info.name), channels, 44100, info.containerBits,
                                 info.validBits, static_cast<uint32_t>(x.dwChannelMask)}))
          << info.name << " " << channels;
    }
  }
  // The plain forms, and formats that are none of the matrix's.
  WAVEFORMATEXTENSIBLE packed = ExtensibleFormat(SampleFormat::S24_3, 2, 48000);
  packed.Samples.wValidBitsPerSample = 20;
  WAVEFORMATEXTENSIBLE unknown = ExtensibleFormat(SampleFormat::S16, 2, 48000);
  unknown.SubFormat.Data2 = 1;
  auto plain = [](WORD tag, WORD channels, DWORD rate, WORD bits) {
    WAVEFORMATEXTENSIBLE x{};
    const auto align = static_cast<WORD>(channels * bits / 8);
    x.Format = {tag, channels, rate, rate * align, align, bits, 0};
    return x;
  };
  const struct {
    WAVEFORMATEXTENSIBLE format;
    std::string name;
    unsigned validBits;
  } cases[] = {
      {plain(WAVE_FORMAT_PCM, 2, 44100, 16), "S16_LE", 16},
      {plain(WAVE_FORMAT_IEEE_FLOAT, 1, 48000, 32), "FLOAT_LE", 32},
      {plain(WAVE_FORMAT_PCM, 1, 8000, 8), "U8", 8},
      {plain(0x0092, 2, 48000, 16), "0x0092", 16},  // AC-3 over S/PDIF
      {packed, "0x0001", 20},
      {unknown, "0xFFFE", 16},
  };
  for (const auto& c : cases) {
    const StreamFormat f = DescribeFormat(c.format.Format);
    EXPECT_EQ(std::make_pair(f.format, f.validBits), std::make_pair(c.name, c.validBits));
  }
}

struct Outcome {
  DWORD status = 0xFFFFFFFF;
  std::string out;
  std::string err;
};

Outcome RunReport(const std::wstring& arguments, HANDLE out = nullptr) {
  const char* exe = std::getenv("TIVREL_REPORT_EXE");
  Outcome run;
  if (exe == nullptr) {
    ADD_FAILURE() << "TIVREL_REPORT_EXE is not set";
    return run;
  }
  test::CaptureFile capture;
  test::CaptureFile err;
  test::Child child;
  if (!child.Start(test::WindowsPath(test::Widen(exe)), arguments,
                   out != nullptr ? out : capture.handle(), err.handle())) {
    ADD_FAILURE() << "cannot start " << exe;
    return run;
  }
  EXPECT_TRUE(child.Wait(60000, &run.status)) << "tivrel-report did not end within 60 s";
  run.out = capture.Read();
  run.err = err.Read();
  return run;
}

TEST(ReportToolExe, ListAndEveryDeviceWithTheirMatrixOnWinesOwnWinmm) {
  const char* audio = std::getenv("TIVREL_AUDIO");
  if (audio == nullptr || std::strcmp(audio, "null") != 0) GTEST_SKIP() << "needs the null sink";
  const Outcome list = RunReport(L"--list");
  EXPECT_EQ(list.status, 0u) << list.err;
  EXPECT_EQ(list.out.rfind("0  waveOut 0  ", 0), 0u) << list.out;

  const Outcome all = RunReport(L"--all --formats --json");
  EXPECT_EQ(all.status, 0u) << all.err;
  const Json doc = Json::parse(all.out);
  ASSERT_GE(doc["devices"].size(), 1u);
  const Json& matrix = doc["devices"][0]["matrix"];
  EXPECT_EQ(matrix["formats"][1]["format"], "S16_LE");
  // Wine's own mixer takes CD-quality stereo whatever the sink.
  const Json& stereo16 = matrix["formats"][1]["channels"][1]["rates"];
  EXPECT_NE(std::find(stereo16.begin(), stereo16.end(), 44100), stereo16.end()) << matrix.dump();
}

TEST(ReportToolExe, CoreAudioStartsAtTheFirstEndpointAskedNotBefore) {
  const char* audio = std::getenv("TIVREL_AUDIO");
  if (audio == nullptr || std::strcmp(audio, "null") != 0) GTEST_SKIP() << "needs the null sink";
  WaveOutWinmm waveOut;
  const auto ansi = MakeSystemAnsiCodec();
  WinReportPlatform platform(waveOut, *ansi);
  std::string out, err;
  EXPECT_EQ(RunReportTool({"--list"}, platform, out, err), 0) << err;
  EXPECT_FALSE(platform.coreAudio().started()) << "--list asks no endpoint";
  out.clear();
  EXPECT_EQ(RunReportTool({"-d", "0", "--json"}, platform, out, err), 0) << err;
  EXPECT_TRUE(platform.coreAudio().started());
  EXPECT_EQ(Json::parse(out)["devices"][0]["endpoint"]["name"], "Out: default");
}

TEST(ReportToolExe, OutputThatCannotBeWrittenIsSaidAndAVanishedReaderIsNot) {
  // A standard output open for reading only: every write fails.
  wchar_t dir[MAX_PATH], name[MAX_PATH];
  GetTempPathW(MAX_PATH, dir);
  GetTempFileNameW(dir, L"tro", 0, name);
  SECURITY_ATTRIBUTES inheritable{sizeof inheritable, nullptr, TRUE};
  const HANDLE readOnly = CreateFileW(name, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                      &inheritable, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(readOnly, INVALID_HANDLE_VALUE);
  const Outcome full = RunReport(L"--help", readOnly);
  CloseHandle(readOnly);
  DeleteFileW(name);
  EXPECT_EQ(full.status, static_cast<DWORD>(kReportExitOutput));
  EXPECT_EQ(full.err.rfind("tivrel-report: the report could not be written: ", 0), 0u) << full.err;

  // A pipe whose reader has gone.
  HANDLE reader = nullptr, writer = nullptr;
  ASSERT_TRUE(CreatePipe(&reader, &writer, &inheritable, 0));
  CloseHandle(reader);
  const Outcome gone = RunReport(L"--help", writer);
  CloseHandle(writer);
  EXPECT_EQ(gone.status, static_cast<DWORD>(kReportExitOutput));
  EXPECT_EQ(gone.err, "");
}

}  // namespace
}  // namespace tivrel::win32
