#include "platform/linux/alsa/busy_device.h"

#include <algorithm>

#include "platform/linux/alsa/kernel_files.h"
#include "platform/linux/alsa/mixer.h"
#include "platform/linux/alsa/pcm_probe.h"

namespace tivrel::alsa {

namespace {

bool Has(const std::vector<unsigned>& list, unsigned value) {
  return std::find(list.begin(), list.end(), value) != list.end();
}

// Whether a converter's sample sizes give the format on the PCM.
bool TakesFormat(const HdaConverter& c, SampleFormat format) {
  switch (format) {
    case SampleFormat::U8:
      return Has(c.bits, 8);
    case SampleFormat::S16:
      return Has(c.bits, 16);
    case SampleFormat::S32:
      return Has(c.bits, 20) || Has(c.bits, 24) || Has(c.bits, 32);
    case SampleFormat::Float:
      return c.floats;
    default:
      return false;
  }
}

bool IsSpdif(const CardDevice& device) {
  for (const char* word : {"Digital", "IEC958", "SPDIF", "S/PDIF"}) {
    if (device.pcmId.find(word) != std::string::npos) return true;
  }
  return false;
}

// The channels that a held analog output routes, as the kernel says: its
// channel map's count, else the codec's current Channel Mode, else the
// codec's line-outs (a stereo pair each); never more than its converters
// carry. Two converters are not four channels: a laptop's second one may
// feed only its headphones.
unsigned RoutedChannels(const std::filesystem::path& root, const CardDevice& device,
                        unsigned converterChannels) {
  std::optional<unsigned> routed = ChannelMapCount(device);
  if (!routed) routed = ChannelModeChannels(device.card);
  if (!routed) {
    for (const auto& codec : ReadHdaOutputs(root, device.card)) {
      if (codec.value.lineOuts == 0) continue;
      routed = 2 * codec.value.lineOuts;
      break;
    }
  }
  return routed ? std::min(*routed, converterChannels) : converterChannels;
}

}  // namespace

std::vector<HdaConverter> PcmConverters(const std::vector<HdaConverter>& codec,
                                        const CardDevice& device, unsigned& maxChannels) {
  const bool input = device.stream == Direction::kCapture;
  const bool digital = device.hdmi || IsSpdif(device);
  std::vector<HdaConverter> chosen;
  for (const auto& c : codec) {
    if (c.input == input && c.digital == digital && !c.rates.empty()) chosen.push_back(c);
  }
  if (input) {
    // Each input converter is a PCM's substream of its own.
    maxChannels = 0;
    for (const auto& c : chosen) maxChannels = std::max(maxChannels, c.channels);
  } else if (device.hdmi) {
    // An HDMI output carries up to eight channels, whatever the monitor takes.
    maxChannels = 8;
  } else if (digital) {
    maxChannels = 2;
  } else {
    // The analog outputs together: a stereo pair per converter, at most 7.1.
    unsigned sum = 0;
    for (const auto& c : chosen) sum += std::max(c.channels, 2u);
    maxChannels = std::min(sum, 8u);
  }
  return chosen;
}

CombinationTest HdaTest(const std::vector<HdaConverter>& converters, unsigned maxChannels) {
  return [converters, maxChannels](SampleFormat format, unsigned channels, uint32_t rate) {
    if (channels < 2 || channels > maxChannels || channels % 2 != 0) return false;
    return std::any_of(converters.begin(), converters.end(), [&](const HdaConverter& c) {
      return Has(c.rates, rate) && TakesFormat(c, format);
    });
  };
}

std::optional<BusyDescription> DescribeBusyDevice(const std::filesystem::path& root,
                                                  const CardDevice& device) {
  BusyDescription d;
  const PcmFiles files{root, device.card, device.device, device.stream};
  if (const auto stream = ReadUsbStream(files); stream && !stream->altsets.empty()) {
    // A USB device lists its altsets itself.
    d.accepts = StreamTest(stream->altsets);
    for (const auto& alt : stream->altsets) d.maxChannels = std::max(d.maxChannels, alt.channels);
    d.sources.push_back(stream->file);
  } else if (device.driver == "HDA-Intel") {
    // A plain HDA card: the codec's converters give its PCMs' formats.
    for (const auto& codec : ReadHdaCodecs(root, device.card)) {
      unsigned channels = 0;
      const auto converters = PcmConverters(codec.value, device, channels);
      if (converters.empty()) continue;
      if (device.stream == Direction::kPlayback && !device.hdmi && !IsSpdif(device)) {
        channels = RoutedChannels(root, device, channels);
      }
      d.accepts = HdaTest(converters, channels);
      d.maxChannels = channels;
      d.sources.push_back(codec.file);
      break;
    }
  }
  if (const auto running = ReadRunningParams(files)) {
    d.playing = running->value;
    d.sources.push_back(running->file);
    if (!d.accepts) {
      // Nothing else is known: what plays is what it takes, for certain.
      const RunningParams now = running->value;
      d.accepts = [now](SampleFormat format, unsigned channels, uint32_t rate) {
        return kSampleFormats[static_cast<size_t>(format)].name == now.format &&
               channels == now.channels && rate == now.rate;
      };
      d.maxChannels = now.channels;
    }
  }
  if (!d.accepts) return std::nullopt;
  return d;
}

}  // namespace tivrel::alsa
