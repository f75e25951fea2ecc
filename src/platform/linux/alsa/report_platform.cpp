#include "platform/linux/alsa/report_platform.h"

#include <alsa/asoundlib.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "platform/linux/alsa/pcm_probe.h"

namespace tivrel::alsa {

AlsaReportPlatform::AlsaReportPlatform(const AnsiCodec& ansi, AlsaOptions options)
    : ansi_(ansi), options_(options), waveOut_(ansi, std::move(options)) {}

std::vector<DeviceListing> AlsaReportPlatform::ListDevices() {
  std::vector<DeviceListing> list;
  for (const auto& d : waveOut_.Refresh().devices) {
    DeviceListing l;
    l.name = d.name;
    l.direction = d.stream;
    l.location = {.card = d.card,
                  .device = d.device,
                  .hw = d.HwName(),
                  .cardId = d.cardId,
                  .driver = d.driver};
    list.push_back(std::move(l));
  }
  return list;
}

uint32_t AlsaReportPlatform::ProbeMatrix(uint32_t device, int channels, FormatMatrix& matrix,
                                         std::string& systemText) {
  const auto& devices = waveOut_.Devices().devices;
  if (device >= devices.size()) return kMmSysErrBadDeviceId;
  // A device in use has its matrix from its query's answer; this one is asked.
  const CardDevice& d = devices[device];
  QueryNote note;
  const uint32_t result = ProbePcmMatrix(d.HwName(), d.stream, channels, matrix, note);
  systemText = note.systemText;
  return result;
}

std::vector<std::string> AlsaReportPlatform::Unlisted() {
  std::vector<std::string> messages;
  for (const UnreadCard& card : waveOut_.Devices().unread) {
    messages.push_back(
        "card " + std::to_string(card.card) + (card.id.empty() ? "" : " (" + card.id + ")") + ": " +
        card.what + " could not be read, its devices are not listed: " + snd_strerror(card.error));
  }
  return messages;
}

std::optional<std::string> AlsaReportPlatform::Unusable() {
  // The configuration that every hw:C,D is opened through must load, and
  // must define them: ALSA skips a file that is missing without a word.
  const char* path = std::getenv("ALSA_CONFIG_PATH");
  const std::string files = path ? path : snd_config_topdir() + std::string("/alsa.conf");
  for (size_t at = 0; path != nullptr && at <= files.size();) {
    const size_t end = std::min(files.find(':', at), files.size());
    const std::string file = files.substr(at, end - at);
    if (!file.empty() && ::access(file.c_str(), R_OK) != 0) {
      return "ALSA's configuration could not be loaded (" + file + "): " + std::strerror(errno);
    }
    at = end + 1;
  }
  snd_config_t* hw = nullptr;
  if (const int err = snd_config_update(); err < 0) {
    return "ALSA's configuration could not be loaded (" + files + "): " + snd_strerror(err);
  }
  if (snd_config == nullptr || snd_config_search(snd_config, "pcm.hw", &hw) < 0) {
    return "ALSA's configuration (" + files + ") defines no hw devices";
  }
  return std::nullopt;
}

void AlsaReportPlatform::SetDirection(Direction direction) { waveOut_.SetStream(direction); }

std::optional<Device0Reason> AlsaReportPlatform::Device0() {
  const DeviceList& list = waveOut_.Devices();
  switch (list.rule) {
    case Device0Rule::kNone:
      return std::nullopt;
    case Device0Rule::kSoundServer:
      return Device0Reason{"sound-server", list.why};
    case Device0Rule::kAlsaDefault:
      return Device0Reason{"alsa-default", list.why};
    case Device0Rule::kFirstNotHdmi:
      return Device0Reason{"first-not-hdmi", list.why};
    case Device0Rule::kFirst:
      return Device0Reason{"first", list.why};
  }
  return std::nullopt;
}

}  // namespace tivrel::alsa
