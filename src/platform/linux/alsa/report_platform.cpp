#include "platform/linux/alsa/report_platform.h"

#include <algorithm>

namespace tivrel::alsa {

AlsaReportPlatform::AlsaReportPlatform(const AnsiCodec& ansi, AlsaOptions options)
    : ansi_(ansi), options_(options), waveOut_(ansi, std::move(options)) {}

std::vector<DeviceListing> AlsaReportPlatform::ListDevices() {
  // The same list, in the same order, as the service numbers its devices.
  const auto cardsText = ReadSmallFile(options_.root / "proc/asound/cards", 64 * 1024);
  const auto cards = cardsText ? ParseCards(*cardsText) : std::vector<CardEntry>{};
  std::vector<DeviceListing> list;
  for (const auto& d : EnumeratePlaybackDevices(options_.root)) {
    DeviceListing l;
    l.name = d.name;
    l.location.card = d.card;
    l.location.device = d.device;
    l.location.hw = d.HwName();
    const auto card = std::find_if(cards.begin(), cards.end(),
                                   [&](const CardEntry& c) { return c.index == d.card; });
    if (card != cards.end()) {
      l.location.cardId = card->id;
      l.location.driver = card->driver;
    }
    list.push_back(std::move(l));
  }
  devices_ = list;
  return list;
}

uint32_t AlsaReportPlatform::ProbeMatrix(uint32_t device, int channels, FormatMatrix& matrix) {
  if (device >= devices_.size()) ListDevices();
  if (device >= devices_.size()) return kMmSysErrBadDeviceId;
  const std::string hw = devices_[device].location.hw;
  const QueryNote note = waveOut_.LastQueryNote();
  if (note.device == hw && !note.source.empty()) {
    // The query found the device busy and read the kernel's description;
    // the matrix comes from the same file, never from a guess.
    const auto text = ReadSmallFile(
        options_.root / std::filesystem::path(note.source).relative_path(), 64 * 1024);
    if (!text) return kMmSysErrAllocated;
    matrix = StreamMatrix(ParseUsbStream(*text), channels);
    matrix.source = note.source;
    return kMmSysErrNoError;
  }
  return ProbePcmMatrix(hw, channels, matrix);
}

FormatMatrix StreamMatrix(const std::vector<UsbAltset>& altsets, int channels) {
  FormatMatrix matrix;
  matrix.channels = std::clamp(channels, 0, kMatrixMaxChannels);
  for (const auto& altset : altsets) {
    const auto c = static_cast<int>(altset.channels);
    if (c < 1 || c > matrix.channels) continue;
    uint16_t bits = 0;
    for (size_t r = 0; r < kMatrixRates.size(); ++r) {
      const unsigned rate = kMatrixRates[r];
      const bool listed =
          altset.continuous
              ? altset.rates.size() == 2 && rate >= altset.rates[0] && rate <= altset.rates[1]
              : std::find(altset.rates.begin(), altset.rates.end(), rate) != altset.rates.end();
      if (listed) bits = static_cast<uint16_t>(bits | (1u << r));
    }
    for (size_t f = 0; f < kSampleFormats.size(); ++f) {
      const auto& names = altset.formats;
      if (std::find(names.begin(), names.end(), kSampleFormats[f].name) != names.end()) {
        matrix.rates[f][static_cast<size_t>(c - 1)] |= bits;
      }
    }
  }
  return matrix;
}

}  // namespace tivrel::alsa
