// Real machines, rebuilt from public alsa-info.sh outputs (fixtures/machines,
// each with its SOURCE.md): what the service makes of each, against what the
// machine's own dump says (expect.json).
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <nlohmann/json.hpp>

#include "alsa_test_env.h"
#include "platform/linux/alsa/kernel_files.h"
#include "platform/linux/alsa/wave_out.h"
#include "probe/report_text.h"

namespace tivrel::alsa {
namespace {

namespace fs = std::filesystem;
using Json = nlohmann::json;

[[maybe_unused]] auto* const kEnv = ::testing::AddGlobalTestEnvironment(new testing::AlsaTestEnv);

// The record's classic format flags that a device's hardware space allows.
int32_t ClassicFlags(const Json& space) {
  const auto& formats = space["formats"];
  auto rateIn = [&](unsigned rate) {
    if (space.contains("rate_range")) {
      return space["rate_range"][0] <= rate && rate <= space["rate_range"][1];
    }
    const auto& rates = space["rates"];
    return std::find(rates.begin(), rates.end(), rate) != rates.end();
  };
  return StandardFormatFlags([&](SampleFormat f, unsigned channels, uint32_t rate) {
    const auto name = std::string(kSampleFormats[static_cast<size_t>(f)].name);
    return std::find(formats.begin(), formats.end(), name) != formats.end() &&
           space["channels"][0] <= channels && channels <= space["channels"][1] && rateIn(rate);
  });
}

// Whether any of the matrix's sample formats is among the space's.
bool AnyMatrixFormat(const Json& space) {
  return std::any_of(kSampleFormats.begin(), kSampleFormats.end(), [&](const auto& f) {
    const auto& formats = space["formats"];
    return std::find(formats.begin(), formats.end(), std::string(f.name)) != formats.end();
  });
}

class Machines : public ::testing::TestWithParam<std::string> {
 protected:
  void SetUp() override {
    dir_ = fs::path(testing::kFixtures) / "machines" / GetParam();
    expect_ = Json::parse(std::ifstream(dir_ / "expect.json"));
    Configure("");
  }
  // The tests' configuration, the machine's devices and a user's own file.
  // A file of its own each time: alsa-lib reloads a path that changes.
  void Configure(const std::string& userConf) {
    if (!conf_.empty()) fs::remove(conf_);
    conf_ = fs::temp_directory_path() /
            ("tivrel-" + GetParam() + std::to_string(::getpid()) + "-" + std::to_string(++count_));
    std::ofstream(conf_) << "<" TIVREL_ALSA_TEST_BASE_CONF ">\n<"
                         << (dir_ / "devices.conf").string()
                         << ">\n"
                         // ALSA's own defaults.pcm.card is a plain 0, as users' files expect.
                         << (userConf.empty()
                                 ? ""
                                 : "defaults.pcm.!card 0\n<" + (dir_ / userConf).string() + ">\n");
    setenv("ALSA_CONFIG_PATH", conf_.c_str(), 1);
  }
  void TearDown() override {
    setenv("ALSA_CONFIG_PATH", TIVREL_ALSA_TEST_CONF, 1);
    fs::remove(conf_);
  }
  fs::path dir_, conf_;
  int count_ = 0;
  Json expect_;

  // "card name: PCM name", or the PCM's id where it has no name, as aplay -l.
  std::string Name(const Json& pcm) const {
    const std::string id = pcm["pcm_id"], name = pcm["pcm_name"];
    std::string card;
    for (const Json& c : expect_["cards"]) {
      if (c["card"] == pcm["card"]) card = c["name"];
    }
    return card + ": " + (name.empty() ? id : name);
  }
};

TEST_P(Machines, DevicesNamedAsAplayShowsThemDeviceZeroNotAMonitor) {
  for (const auto stream : {Direction::kPlayback, Direction::kCapture}) {
    const Json& pcms = expect_[stream == Direction::kPlayback ? "playback" : "capture"];
    const DeviceList list = ListCardDevices({dir_, stream});
    ASSERT_EQ(list.devices.size(), pcms.size());
    for (const Json& pcm : pcms) {
      const auto d = std::find_if(
          list.devices.begin(), list.devices.end(),
          [&](const CardDevice& d) { return d.card == pcm["card"] && d.device == pcm["device"]; });
      ASSERT_NE(d, list.devices.end()) << pcm;
      EXPECT_EQ(d->name, Name(pcm)) << pcm;
      if (stream == Direction::kPlayback) {
        EXPECT_EQ(d->hdmi, pcm["hdmi"].get<bool>()) << pcm;
      }
    }
    if (stream == Direction::kCapture) continue;
    // With no sound server and nothing configured: the desktop's card, never
    // a monitor (on SOF and ASoC cards its first output, the jack, may stand
    // before the speakers that expect.json names).
    const CardDevice& first = list.devices.front();
    EXPECT_EQ(first.card, expect_["desktop"]["card"]);
    EXPECT_FALSE(first.hdmi);
    EXPECT_EQ(list.rule, Device0Rule::kFirstNotHdmi);
  }
  // A user's asound.conf, as alsa-lib resolves its default.
  for (const Json& configured : expect_.value("configured", Json::array())) {
    Configure(configured["file"]);
    for (const auto stream : {Direction::kPlayback, Direction::kCapture}) {
      const bool capture = stream == Direction::kCapture;
      if (capture && !configured.contains("capture")) continue;
      const Json& want = capture ? configured["capture"] : configured;
      const DeviceList list = ListCardDevices({dir_, stream});
      const CardDevice& first = list.devices.front();
      EXPECT_EQ(std::vector<int>({first.card, first.device}),
                want["device0"].get<std::vector<int>>())
          << configured;
      const bool alsa = want.value("rule", "alsa-default") == "alsa-default";
      EXPECT_EQ(list.rule, alsa ? Device0Rule::kAlsaDefault : Device0Rule::kFirstNotHdmi);
      EXPECT_EQ(list.why, want["why"].get<std::string>()) << configured;
    }
  }
}

TEST_P(Machines, EachOutputAsTheRecordHoldsIt) {
  const auto gbk = MakeGbkCodec();
  AlsaWaveOut waveOut(*gbk, AlsaOptions{dir_});
  const auto& devices = waveOut.Refresh().devices;
  for (const Json& pcm : expect_["playback"]) {
    const auto d = std::find_if(devices.begin(), devices.end(), [&](const CardDevice& d) {
      return d.card == pcm["card"] && d.device == pcm["device"];
    });
    ASSERT_NE(d, devices.end());
    const std::string at = d->HwName();
    EXPECT_EQ(ReadCardIds(dir_, d->card), (CardIds{pcm["vendor"], pcm["product"]})) << at;
    WAVEOUTCAPS caps;
    QueryNote note;
    const uint32_t result = waveOut.QueryCaps(*d, caps, note);
    if (pcm.contains("open_error")) {
      EXPECT_EQ(result, kMmSysErrBadDeviceId) << at;
      continue;
    }
    ASSERT_EQ(result, kMmSysErrNoError) << at << " " << note.systemText;
    if (pcm.contains("busy")) {
      // Described from the kernel's files, never measured.
      const Json& busy = pcm["busy"];
      EXPECT_EQ(note.holder, busy["holder"].get<std::string>()) << at;
      EXPECT_EQ(note.sources, busy["files"].get<std::vector<std::string>>()) << at;
      ASSERT_TRUE(note.playing) << at;
      EXPECT_EQ(note.playing->format, busy["format"].get<std::string>()) << at;
      EXPECT_EQ(note.playing->channels, busy["channels"]) << at;
      EXPECT_EQ(note.playing->rate, busy["rate"]) << at;
    } else {
      EXPECT_TRUE(note.sources.empty()) << at;
      EXPECT_EQ(caps.dwFormats, ClassicFlags(pcm["space"])) << at;
    }
    // Held or not, no more channels than the hardware routes.
    EXPECT_EQ(caps.wChannels, pcm["space"]["channels"][1]) << at;
    // A monitor's output has no volume of its own; an analog one does where
    // the dump shows its controls.
    if (pcm.contains("own_volume")) {
      const Json& own = pcm["own_volume"];
      const int32_t want =
          own.is_boolean() ? 0 : (own["volume"] ? 0x4 : 0) | (own["left_right"] ? 0x8 : 0);
      EXPECT_EQ(caps.dwSupport, want) << at;
    }
    // No classic format (48 kHz or 24-bit only, say): one line says what it takes.
    const ProbeResult probe{.deviceCount = 1, .caps = caps, .note = note};
    bool nativeLine = false;
    for (const auto& line : ReportLines(probe))
      nativeLine |= line.find(u"本设备的原生格式") != line.npos;
    const Json& space = pcm["space"];
    EXPECT_EQ(nativeLine, ClassicFlags(space) == 0 && AnyMatrixFormat(space)) << at;
  }
}

std::vector<std::string> MachineNames() {
  std::vector<std::string> names;
  for (const auto& e : fs::directory_iterator(fs::path(testing::kFixtures) / "machines")) {
    if (e.is_directory()) names.push_back(e.path().filename().string());
  }
  std::sort(names.begin(), names.end());
  return names;
}

INSTANTIATE_TEST_SUITE_P(Real, Machines, ::testing::ValuesIn(MachineNames()), [](const auto& info) {
  std::string name = info.param;
  std::replace(name.begin(), name.end(), '-', '_');
  return name;
});

}  // namespace
}  // namespace tivrel::alsa
