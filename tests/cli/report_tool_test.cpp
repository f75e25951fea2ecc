#include "cli/report_tool.h"

#include <gtest/gtest.h>

#include <cstring>
#include <nlohmann/json.hpp>

#include "cli/text_output.h"
#include "support/harness.h"

namespace tivrel {
namespace {

// Devices as a platform lists and answers them; the matrix accepts what
// `accepts` says.
struct FakePlatform : ReportPlatform, WaveOutApi {
  struct Device {
    DeviceListing listing;
    WAVEOUTCAPS caps;
    uint32_t result = 0;
    QueryNote note;
  };
  std::vector<Device> devices;
  std::unique_ptr<AnsiCodec> gbk = MakeGbkCodec();
  CombinationTest accepts = [](SampleFormat, unsigned, uint32_t) { return false; };
  uint32_t matrixResult = 0;
  bool mixer = false;
  std::vector<std::optional<Endpoint>> endpoints;  // by device number
  std::vector<std::string> log;

  bool crlf = true;
  Direction direction = Direction::kPlayback;
  std::optional<std::string> unusable;

  void SetDirection(Direction d) override { direction = d; }
  bool LinesEndWithCrLf() const override { return crlf; }
  std::optional<std::string> Unusable() override { return unusable; }
  WaveOutApi& waveOut() override { return *this; }
  const AnsiCodec& ansi() override { return *gbk; }
  std::vector<DeviceListing> ListDevices() override {
    log.push_back("list");
    std::vector<DeviceListing> list;
    for (const auto& d : devices) list.push_back(d.listing);
    return list;
  }
  uint32_t ProbeMatrix(uint32_t device, int channels, FormatMatrix& matrix,
                       std::string& /*systemText*/) override {
    log.push_back("matrix " + std::to_string(device) + " " + std::to_string(channels));
    matrix = ProbeFormatMatrix(channels, accepts);
    return matrixResult;
  }
  bool MatrixIsTheMixers() const override { return mixer; }
  std::optional<Endpoint> DeviceEndpoint(uint32_t device, int channels) override {
    log.push_back("endpoint " + std::to_string(device) + " " + std::to_string(channels));
    if (device >= endpoints.size() || !endpoints[device]) return std::nullopt;
    Endpoint e = *endpoints[device];
    if (channels > 0 && e.exclusiveResult == 0) e.exclusive = ProbeFormatMatrix(channels, accepts);
    return e;
  }
  std::string SystemText(uint32_t result) override {
    return result == kMmSysErrBadDeviceId ? "The device ID is out of range." : "";
  }
  uint32_t waveOutGetNumDevs() override { return static_cast<uint32_t>(devices.size()); }
  uint32_t waveOutGetDevCapsA(uintptr_t id, void* caps, uint32_t size) override {
    log.push_back("caps " + std::to_string(id) + " " + std::to_string(size));
    if (id >= devices.size()) return kMmSysErrBadDeviceId;
    if (devices[id].result != 0) return devices[id].result;
    const CapsImage image = ToImage(devices[id].caps, *gbk);
    std::memcpy(caps, image.data(), size);
    return 0;
  }
  uint32_t QueryDevCaps(uintptr_t id, void* caps, uint32_t size, QueryNote& note) override {
    if (id < devices.size()) note = devices[id].note;
    return waveOutGetDevCapsA(id, caps, size);
  }
};

DeviceLocation Hw(int card, int device, std::string id) {
  return {.card = card,
          .device = device,
          .hw = "hw:" + std::to_string(card) + "," + std::to_string(device),
          .cardId = std::move(id),
          .driver = "HDA-Intel"};
}

struct ReportTool : ::testing::Test {
  int Run(std::vector<std::string> args = {}) {
    out.clear();
    err.clear();
    platform.log.clear();
    return RunReportTool(args, platform, out, err);
  }
  void TwoDevices() {
    platform.devices = {
        {{"HDA Intel PCH: ALC892 Analog", Hw(0, 0, "PCH")},
         test::Caps(u"HDA Intel PCH: ALC892 Analog", -32634, 9832, 0x0601, 8, 0x0800, 0x000C)},
        {{"USB Headset: Audio", Hw(1, 0, "Headset")},
         {},
         kMmSysErrAllocated,
         {.device = "hw:1,0", .holder = "pipewire", .systemText = "Device or resource busy"}},
    };
  }
  FakePlatform platform;
  std::string out, err;
};

TEST(ReportOptionsParse, EveryArgumentIsReadBeforeAnythingIsDone) {
  using Mode = ReportOptions::Mode;
  struct Case {
    std::vector<std::string> args;
    Mode mode;
    std::string device;
    bool formats, json, capture = false, crlf = false;
    std::string error = "";  // non-empty: refused with words containing this
  };
  const Case cases[] = {
      {{}, Mode::Device0, "", false, false},
      {{"--list"}, Mode::List, "", false, false},
      {{"-lj"}, Mode::List, "", false, true},
      {{"--device", "3"}, Mode::Device, "3", false, false},
      {{"--device=12", "--formats"}, Mode::Device, "12", true, false},
      {{"-fd7"}, Mode::Device, "7", true, false},
      {{"-d", "0", "-j"}, Mode::Device, "0", false, true},
      {{"-D", "hw:1,0"}, Mode::Device, "hw:1,0", false, false},
      {{"-DPCH", "-c"}, Mode::Device, "PCH", false, false, true},
      {{"--device=-1"}, Mode::Device, "-1", false, false},
      {{"--all", "--formats", "--json"}, Mode::All, "", true, true},
      {{"-afj", "--"}, Mode::All, "", true, true},
      {{"--json", "--crlf"}, Mode::Device0, "", false, true, false, true},
      {{"--capture", "--list"}, Mode::List, "", false, false, true},
      {{"-h", "--version"}, Mode::Help, "", false, false},
      {{"--version", "--all"}, Mode::Version, "", false, false},
      {{"--version", "--frob"},
       Mode::Device0,
       "",
       false,
       false,
       false,
       false,
       "unknown option '--frob'"},
      {{"--frob=1"}, Mode::Device0, "", false, false, false, false, "unknown option '--frob'"},
      {{"-lx"}, Mode::Device0, "", false, false, false, false, "unknown option '-x'"},
      {{"--list", "--all"}, Mode::Device0, "", false, false, false, false, "only one of"},
      {{"--list", "--formats"}, Mode::Device0, "", false, false, false, false, "not to --list"},
      // --help answers only a command line that is right in every other way.
      {{"-h", "-l", "-f"}, Mode::Device0, "", false, false, false, false, "not to --list"},
      {{"-h", "-l", "-a"}, Mode::Device0, "", false, false, false, false, "only one of"},
      {{"--device"}, Mode::Device0, "", false, false, false, false, "needs a device"},
      {{"--device="}, Mode::Device0, "", false, false, false, false, "needs a device"},
      {{"--all=yes"}, Mode::Device0, "", false, false, false, false, "takes no value"},
      {{"--crlf=1"}, Mode::Device0, "", false, false, false, false, "takes no value"},
      {{"report"}, Mode::Device0, "", false, false, false, false, "unexpected argument 'report'"},
      {{"--", "--list"}, Mode::Device0, "", false, false, false, false, "unexpected argument"},
      {{"--\x1b[2J\\\xff"}, Mode::Device0, "", false, false, false, false, "'--\\x1B[2J\\\\\\xFF'"},
  };
  for (const auto& c : cases) {
    std::string error;
    const auto options = ParseReportOptions(c.args, error);
    std::string at;
    for (const auto& a : c.args) at += a + " ";
    if (!c.error.empty()) {
      EXPECT_FALSE(options) << at;
      EXPECT_NE(error.find(c.error), std::string::npos) << at << ": " << error;
      continue;
    }
    ASSERT_TRUE(options) << at << ": " << error;
    EXPECT_EQ(options->mode, c.mode) << at;
    EXPECT_EQ(options->device, c.device) << at;
    EXPECT_EQ(options->formats, c.formats) << at;
    EXPECT_EQ(options->json, c.json) << at;
    EXPECT_EQ(options->direction == Direction::kCapture, c.capture) << at;
    EXPECT_EQ(options->crlf, c.crlf) << at;
  }
}

TEST(ReportText, ControlCharactersAreEscaped) {
  const std::pair<std::string, std::string> cases[] = {
      {"HDA Intel PCH", "HDA Intel PCH"},
      {"声卡 Äudio", "声卡 Äudio"},
      {"a\tb\r\n\x7f", "a\\x09b\\x0D\\x0A\\x7F"},
      {"\xc2\x9b"
       "31m",
       "\\xC2\\x9B31m"},           // C1 CSI
      {"\xe5\xa3", "\\xE5\\xA3"},  // cut sequence
      {"\xc0\xaf", "\\xC0\\xAF"},  // overlong
      {"back\\slash", "back\\\\slash"},
      {"\x04\xc2", "\\x04\\xC2"},  // a lead byte at the very end, as a kernel's cut can leave
  };
  for (const auto& [in, want] : cases) EXPECT_EQ(EscapeControls(in), want);
}

TEST(ReportText, MatrixLinesJoinRunsOfRatesAndEqualChannelCounts) {
  // S16 takes 44.1 to 192 kHz at 2 to 8 channels; U8 mono 8 kHz and 16 kHz
  // (not 11025 between them) and 48 kHz.
  const FormatMatrix m = ProbeFormatMatrix(8, [](SampleFormat f, unsigned ch, uint32_t rate) {
    if (f == SampleFormat::S16) return ch >= 2 && rate >= 44100 && rate <= 192000;
    if (f == SampleFormat::U8) return ch == 1 && (rate == 8000 || rate == 16000 || rate == 48000);
    return false;
  });
  std::string text;
  for (const auto& line : MatrixLines(m)) text += Utf16ToUtf8(line);
  EXPECT_EQ(text,
            "原生格式（采样格式 声道数：采样率 Hz）：\r\n"
            "U8 1：8000, 16000, 48000\r\n"
            "S16_LE 2-8：44100-192000\r\n");

  std::string none;
  for (const auto& line : MatrixLines(ProbeFormatMatrix(2, [](auto...) { return false; })))
    none += Utf16ToUtf8(line);
  EXPECT_EQ(none, "原生格式（采样格式 声道数：采样率 Hz）：\r\n（无）\r\n");
  EXPECT_EQ(MatrixChannels(0), 1);
  EXPECT_EQ(MatrixChannels(8), 8);
  EXPECT_EQ(MatrixChannels(65535), 32);
}

TEST_F(ReportTool, Device0ReportIsTheTestButtonsText) {
  platform.devices = {{{}, test::Caps(u"岚铃声卡", 1, 2, 0x0501, 2, 0x0001, 0)}};
  EXPECT_EQ(Run(), 0);
  EXPECT_EQ(out,
            "产品名称：岚铃声卡\r\n产品 Id：2\r\n驱动程序 Id：1\r\n驱动程序版本：5.1\r\n"
            "输出声道： 2\r\n支持格式列表及扩展输出功能列表：\r\n11.025Khz,Mono,8bit,11Kb/Ps\r\n");
  EXPECT_EQ(err, "");
  EXPECT_EQ(platform.log, std::vector<std::string>{"caps 0 50"});
  // --device 0 writes the same bytes.
  const std::string device0 = out;
  EXPECT_EQ(Run({"--device", "0"}), 0);
  EXPECT_EQ(out, device0);
}

TEST_F(ReportTool, NoDeviceAndFailedQueryHaveTheirOwnStatus) {
  // Nothing on standard output but the JSON document; the sentence, ended,
  // on standard error; whatever device is named, none is there.
  const std::string none = "tivrel-report: 在您的计算机上没有发现声卡设备或声卡驱动程序未安装\n";
  const struct {
    std::vector<std::string> args;
    int status;
    std::string err;
  } cases[] = {
      {{}, 1, none},
      {{"--all"}, 1, none},
      {{"-l"}, 1, none},
      {{"-d1"}, 1, none},
      {{"-D", "hw:0,0"}, 1, none},
      {{"--capture", "--list"}, 1, "tivrel-report: no input device was found\n"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(Run(c.args), c.status);
    EXPECT_EQ(out, "");
    EXPECT_EQ(err, c.err);
  }
  for (const auto& args : {std::vector<std::string>{"--json"}, {"-d0", "--json"}}) {
    EXPECT_EQ(Run(args), 1);
    EXPECT_EQ(nlohmann::json::parse(out)["devices"], nlohmann::json::array());
    EXPECT_EQ(err, "");
  }

  platform.devices = {{{}, {}, kMmSysErrAllocated}};
  EXPECT_EQ(Run(), 2);
  EXPECT_EQ(out, "");
  EXPECT_EQ(err, "tivrel-report: device 0: 测试失败：设备正被其他程序占用（错误代码 4）\n");
  platform.devices[0].note = {
      .device = "hw:2,0", .holder = "pipewire", .systemText = "Device or resource busy"};
  EXPECT_EQ(Run(), 2);
  EXPECT_EQ(err,
            "tivrel-report: hw:2,0: 测试失败：设备正被其他程序（pipewire）占用（错误代码 4） "
            "(Device or resource busy)\n");
}

TEST_F(ReportTool, ListAllAndOneDevice) {
  TwoDevices();
  EXPECT_EQ(Run({"--list"}), 0);
  EXPECT_EQ(out,
            "0  hw:0,0 PCH  HDA Intel PCH: ALC892 Analog\r\n"
            "1  hw:1,0 Headset  USB Headset: Audio\r\n");
  EXPECT_EQ(platform.log, std::vector<std::string>{"list"}) << "--list opens no device";

  EXPECT_EQ(Run({"--all"}), 2);
  EXPECT_EQ(out.rfind("设备 0（hw:0,0 PCH）：\r\n产品名称：HDA Intel PCH: ALC892 Analog\r\n", 0),
            0u)
      << out;
  EXPECT_NE(out.find("Support Left-Right Channels\r\n\r\n设备 1（hw:1,0 Headset）：\r\n"
                     "测试失败：设备正被其他程序（pipewire）占用（错误代码 4）\r\n"),
            std::string::npos)
      << out;
  EXPECT_EQ(err,
            "tivrel-report: hw:1,0: 测试失败：设备正被其他程序（pipewire）占用（错误代码 4） "
            "(Device or resource busy)\n");

  EXPECT_EQ(Run({"-d", "1"}), 2);
  EXPECT_EQ(out, "");
  EXPECT_EQ(Run({"-d", "2"}), 64);
  EXPECT_EQ(err,
            "tivrel-report: no device '2': there are 2 output devices, 0 to 1 (see tivrel-report "
            "--list)\n");

  EXPECT_EQ(Run({"-d", "0", "--formats"}), 0);
  EXPECT_NE(out.find("Support Left-Right Channels\r\n原生格式（"), std::string::npos) << out;
  EXPECT_EQ(platform.log.back(), "matrix 0 8") << "channels 1 to the record's maximum";

  platform.matrixResult = kMmSysErrAllocated;
  EXPECT_EQ(Run({"-d", "0", "--formats"}), 2);
  EXPECT_EQ(err,
            "tivrel-report: the format matrix of hw:0,0: 测试失败：设备正被其他程序占用（错误代码 "
            "4）\n");
}

TEST_F(ReportTool, JsonHoldsEveryDeviceWithItsMatrixAndErrors) {
  TwoDevices();
  platform.accepts = [](SampleFormat f, unsigned ch, uint32_t rate) {
    return f == SampleFormat::S32 && ch == 2 && rate == 48000;
  };
  EXPECT_EQ(Run({"--all", "--formats", "--json"}), 2);
  const auto doc = nlohmann::json::parse(out);
  EXPECT_EQ(doc["schema"], 2);
  EXPECT_EQ(doc["tool"]["version"], "0.0.0.730");
  ASSERT_EQ(doc["devices"].size(), 2u);
  const auto& d0 = doc["devices"][0];
  EXPECT_EQ(d0["location"], nlohmann::json::parse(R"({"card":0,"device":0,"hw":"hw:0,0",
      "card_id":"PCH","driver":"HDA-Intel"})"));
  const auto& caps = d0["capabilities"];
  EXPECT_EQ(caps["manufacturer_id"], 0x8086);
  EXPECT_EQ(caps["product_id"], 9832);
  EXPECT_EQ(caps["driver_version"]["text"], "6.1");
  EXPECT_EQ(caps["max_channels"], 8);
  EXPECT_EQ(caps["formats"]["texts"], nlohmann::json::array({"44.1Khz,Stereo,16bit,172Kb/Ps"}));
  EXPECT_EQ(caps["support"]["flags"], 12);
  EXPECT_TRUE(d0["error"].is_null());
  const auto& s32 = d0["matrix"]["formats"][4];
  EXPECT_EQ(s32["format"], "S32_LE");
  EXPECT_EQ(s32["channels"].size(), 8u);
  EXPECT_EQ(s32["channels"][1]["rates"], nlohmann::json::array({48000}));
  EXPECT_EQ(s32["channels"][0]["rates"], nlohmann::json::array());

  const auto& d1 = doc["devices"][1];
  EXPECT_TRUE(d1["capabilities"].is_null());
  EXPECT_FALSE(d1.contains("matrix"));
  EXPECT_EQ(d1["busy"], nlohmann::json::parse(R"({"busy":true,"holder":"pipewire"})"));
  EXPECT_EQ(d1["error"]["result"], 4);
  EXPECT_EQ(d1["error"]["system_text"], "Device or resource busy");

  EXPECT_EQ(Run({"--list", "--json"}), 0);
  const auto list = nlohmann::json::parse(out);
  EXPECT_FALSE(list["devices"][1].contains("capabilities")) << "--list queries nothing";
}

TEST_F(ReportTool, TheEndpointsAnswerBesideTheMixers) {
  TwoDevices();
  platform.mixer = true;
  platform.accepts = [](SampleFormat f, unsigned ch, uint32_t rate) {
    return f == SampleFormat::Float && ch == 2 && rate == 48000;
  };
  const Endpoint speakers{.id = "{0.0.0.00000000}.{1}",
                          .name = "Speakers (Realtek(R) Audio)\x1b[2J",
                          .isDefault = true,
                          .mixFormat = StreamFormat{"FLOAT_LE", 2, 48000, 32, 32, 3}};
  const std::string mixer =
      "系统混音器接受的格式（采样格式 声道数：采样率 Hz）：\r\nFLOAT_LE 2：48000\r\n";
  const std::string exclusive =
      "端点独占模式接受的格式（采样格式 声道数：采样率 Hz）：\r\nFLOAT_LE 2：48000\r\n";
  Endpoint unread = speakers, held = speakers;
  unread.isDefault = false;
  unread.mixFormat.reset();
  held.exclusiveResult = 0x8889000A;  // AUDCLNT_E_DEVICE_IN_USE
  const struct {
    std::optional<Endpoint> endpoint;
    std::vector<std::string> args;
    int status;
    std::string tail, err;  // what follows the report's last line
  } cases[] = {
      {speakers,
       {"-d0"},
       0,
       "端点名称：Speakers (Realtek(R) Audio)\\x1B[2J\r\n默认端点：是\r\n"
       "共享模式混音格式：FLOAT_LE 2 声道 48000 Hz\r\n",
       ""},
      {speakers,
       {"-d0", "-f"},
       0,
       mixer +
           "端点名称：Speakers (Realtek(R) Audio)\\x1B[2J\r\n默认端点：是\r\n"
           "共享模式混音格式：FLOAT_LE 2 声道 48000 Hz\r\n" +
           exclusive,
       ""},
      {unread,
       {"-d0"},
       0,
       "端点名称：Speakers (Realtek(R) Audio)\\x1B[2J\r\n默认端点：否\r\n"
       "共享模式混音格式：（无法读取）\r\n",
       ""},
      {held,
       {"-d0", "-f"},
       2,
       mixer + "端点名称：Speakers (Realtek(R) Audio)\\x1B[2J\r\n默认端点：是\r\n"
               "共享模式混音格式：FLOAT_LE 2 声道 48000 Hz\r\n",
       "tivrel-report: the exclusive-mode matrix of hw:0,0 PCH: 设备正被其他程序独占使用 "
       "(0x8889000A)\n"},
      {std::nullopt, {"-d0", "-f"}, 0, mixer, ""},
  };
  for (const auto& c : cases) {
    platform.endpoints = {c.endpoint};
    EXPECT_EQ(Run(c.args), c.status);
    EXPECT_EQ(out.substr(out.find("Support Left-Right Channels\r\n") + 29), c.tail);
    EXPECT_EQ(err, c.err);
    // Asked with the channel counts of the waveform matrix, or none.
    EXPECT_EQ(platform.log.at(2), c.args.size() > 1 ? "endpoint 0 8" : "endpoint 0 0");
  }

  platform.endpoints = {speakers};
  EXPECT_EQ(Run({"--all", "--json"}), 2);
  auto doc = nlohmann::json::parse(out);
  EXPECT_EQ(doc["devices"][0]["endpoint"], nlohmann::json::parse(R"({"id":"{0.0.0.00000000}.{1}",
      "name":"Speakers (Realtek(R) Audio)\u001b[2J","default":true,"mix_format":{"format":
      "FLOAT_LE","channels":2,"rate":48000,"bits":32,"valid_bits":32,"channel_mask":3},
      "exclusive":null})"));
  EXPECT_TRUE(doc["devices"][1]["endpoint"].is_null()) << "a failed query asks no endpoint";
  EXPECT_EQ(Run({"--list", "--json"}), 0);
  EXPECT_FALSE(nlohmann::json::parse(out)["devices"][0].contains("endpoint"));
  platform.endpoints = {held};
  EXPECT_EQ(Run({"-d0", "-f", "-j"}), 2);
  doc = nlohmann::json::parse(out)["devices"][0]["endpoint"];
  EXPECT_TRUE(doc["exclusive"].is_null());
  EXPECT_EQ(doc["exclusive_error"]["result"], 0x8889000Au);
  EXPECT_EQ(doc["exclusive_error"]["reason"], "设备正被其他程序独占使用");
}

TEST_F(ReportTool, TerminalManners) {
  TwoDevices();
  // Names, holders and system texts come from the system: never raw on a terminal.
  platform.devices[0].listing.name = "Evil\x1b]0;pwned\x07";
  platform.devices[0].caps = test::Caps(u"Evil\x1b[2J", 1, 2, 0x0601, 2, 0, 0);
  platform.devices[1].note.holder = "evil\nname\x1b[2J";
  const struct {
    std::vector<std::string> args;
    bool crlf;  // the platform's own line ends
    int status;
    std::string out, err;
  } cases[] = {
      {{"-l"},
       false,
       0,
       "0  hw:0,0 PCH  Evil\\x1B]0;pwned\\x07\n1  hw:1,0 Headset  USB Headset: Audio\n",
       ""},
      {{"-l", "--crlf"},
       false,
       0,
       "0  hw:0,0 PCH  Evil\\x1B]0;pwned\\x07\r\n1  hw:1,0 Headset  USB Headset: Audio\r\n",
       ""},
      {{"-D", "hw:0,0"},
       false,
       0,
       "产品名称：Evil\\x1B[2J\n产品 Id：2\n驱动程序 Id：1\n驱动程序版本：6.1\n输出声道： 2\n"
       "支持格式列表及扩展输出功能列表：\n",
       ""},
      {{"-D", "Headset"},
       true,
       2,
       "",
       "tivrel-report: hw:1,0: 测试失败：设备正被其他程序（evil\\x0Aname\\x1B[2J）占用（错误代码 "
       "4） "
       "(Device or resource busy)\n"},
      {{"--device", "42"},
       true,
       64,
       "",
       "tivrel-report: no device '42': there are 2 output devices, 0 to 1 (see tivrel-report "
       "--list)\n"},
      {{"--device", "hw:9,0"},
       true,
       64,
       "",
       "tivrel-report: no device 'hw:9,0': there are 2 output devices, 0 to 1 (see tivrel-report "
       "--list)\n"},
  };
  for (const auto& c : cases) {
    platform.crlf = c.crlf;
    EXPECT_EQ(Run(c.args), c.status) << c.args[1];
    EXPECT_EQ(out, c.out) << c.args[1];
    EXPECT_EQ(err, c.err) << c.args[1];
  }
  // The JSON holds the exact text.
  EXPECT_EQ(Run({"-l", "-j"}), 0);
  EXPECT_EQ(nlohmann::json::parse(out)["devices"][0]["name"], "Evil\x1b]0;pwned\x07");

  platform.unusable = "ALSA's configuration could not be loaded: /etc/asound\x1b.conf";
  EXPECT_EQ(Run({"--all"}), 3);
  EXPECT_EQ(out, "");
  EXPECT_EQ(err,
            "tivrel-report: ALSA's configuration could not be loaded: /etc/asound\\x1B.conf\n");
  EXPECT_EQ(Run({"--version"}), 0) << "--version needs no audio library";

  platform.unusable.reset();
  platform.devices = {{{}, test::Caps(u"USB Mic", 1, 2, 0x0601, 1, 0x0400, 0)}};
  EXPECT_EQ(Run({"--capture"}), 0);
  EXPECT_EQ(platform.direction, Direction::kCapture);
  EXPECT_NE(out.find("输入声道： 1\r\n"), std::string::npos) << out;
}

TEST_F(ReportTool, HelpVersionAndUsageErrors) {
  EXPECT_EQ(Run({"--help"}), 0);
  for (const char* word : {"Usage: tivrel-report", "--list", "--device=DEVICE", "--all",
                           "--capture", "--crlf", "--formats", "--json", "--version", "\n  0 ",
                           "\n  1 ", "\n  2 ", "\n  3 ", "\n  64 ", "\n  74 "}) {
    EXPECT_NE(out.find(word), std::string::npos) << word;
  }
  EXPECT_TRUE(platform.log.empty()) << "--help queries nothing";
  EXPECT_EQ(Run({"--version"}), 0);
  EXPECT_EQ(out, "tivrel-report 0.0.0.730 (Tivrel Build0730)\n");
  EXPECT_EQ(Run({"--version", "--bogus"}), 64);
  EXPECT_EQ(out, "");
  EXPECT_EQ(err,
            "tivrel-report: unknown option '--bogus'\n"
            "Try 'tivrel-report --help' for more information.\n");
}

}  // namespace
}  // namespace tivrel
