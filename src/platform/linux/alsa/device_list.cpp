#include "platform/linux/alsa/device_list.h"

#include <alsa/asoundlib.h>

#include <algorithm>
#include <charconv>
#include <cstdlib>
#include <memory>
#include <system_error>

#include "platform/linux/alsa/kernel_files.h"

namespace tivrel::alsa {

namespace {

// Every ALSA object is released on every path, including the early returns.
struct CtlClose {
  void operator()(snd_ctl_t* p) const { snd_ctl_close(p); }
};
struct CardInfoFree {
  void operator()(snd_ctl_card_info_t* p) const { snd_ctl_card_info_free(p); }
};
struct PcmInfoFree {
  void operator()(snd_pcm_info_t* p) const { snd_pcm_info_free(p); }
};
struct ConfigDelete {
  void operator()(snd_config_t* p) const { snd_config_delete(p); }
};
using Ctl = std::unique_ptr<snd_ctl_t, CtlClose>;
using CardInfo = std::unique_ptr<snd_ctl_card_info_t, CardInfoFree>;
using PcmInfo = std::unique_ptr<snd_pcm_info_t, PcmInfoFree>;

// Appends the playback devices of one card as its control device names them;
// a card that cannot be asked is skipped.
void AddControlDevices(int card, std::vector<CardDevice>& out) {
  snd_ctl_t* rawCtl = nullptr;
  if (snd_ctl_open(&rawCtl, ("hw:" + std::to_string(card)).c_str(), SND_CTL_NONBLOCK) < 0) return;
  const Ctl ctl(rawCtl);
  snd_ctl_card_info_t* rawCard = nullptr;
  snd_pcm_info_t* rawPcm = nullptr;
  if (snd_ctl_card_info_malloc(&rawCard) < 0) return;
  const CardInfo cardInfo(rawCard);
  if (snd_pcm_info_malloc(&rawPcm) < 0) return;
  const PcmInfo pcmInfo(rawPcm);
  if (snd_ctl_card_info(ctl.get(), cardInfo.get()) < 0) return;
  const auto text = [](const char* s) { return std::string(s ? s : ""); };
  const std::string cardName = text(snd_ctl_card_info_get_name(cardInfo.get()));
  const std::string cardId = text(snd_ctl_card_info_get_id(cardInfo.get()));
  const std::string driver = text(snd_ctl_card_info_get_driver(cardInfo.get()));
  int device = -1;
  while (snd_ctl_pcm_next_device(ctl.get(), &device) >= 0 && device >= 0) {
    snd_pcm_info_set_device(pcmInfo.get(), static_cast<unsigned>(device));
    snd_pcm_info_set_subdevice(pcmInfo.get(), 0);
    snd_pcm_info_set_stream(pcmInfo.get(), SND_PCM_STREAM_PLAYBACK);
    // Capture-only devices answer with an error here.
    if (snd_ctl_pcm_info(ctl.get(), pcmInfo.get()) < 0) continue;
    const std::string pcmName = text(snd_pcm_info_get_name(pcmInfo.get()));
    out.push_back({card, device, DeviceName(cardName, pcmName), cardId, driver});
  }
}

// ALSA's default card as configured: a number, a card id, or a function of
// the configuration (an environment variable) that gives one. -1: none.
int ConfiguredDefaultCard(const std::vector<CardEntry>& cards) {
  if (snd_config_update() < 0 || snd_config == nullptr) return -1;
  snd_config_t* node = nullptr;
  if (snd_config_search(snd_config, "defaults.pcm.card", &node) < 0) return -1;
  snd_config_t* rawExpanded = nullptr;
  if (snd_config_expand(node, snd_config, nullptr, nullptr, &rawExpanded) < 0) return -1;
  const std::unique_ptr<snd_config_t, ConfigDelete> expanded(rawExpanded);
  char* rawText = nullptr;
  if (snd_config_get_ascii(expanded.get(), &rawText) < 0) return -1;
  const std::string text = rawText;
  std::free(rawText);
  int number = -1;
  const auto parsed = std::from_chars(text.data(), text.data() + text.size(), number);
  if (parsed.ec == std::errc{} && parsed.ptr == text.data() + text.size()) return number;
  for (const auto& card : cards) {
    if (card.id == text) return card.index;
  }
  return -1;
}

// The playback PCMs of one card from /proc/asound/cardN/pcmDp/info.
void AddProcDevices(const std::filesystem::path& root, const CardEntry& card,
                    std::vector<CardDevice>& out) {
  const auto dir = root / "proc/asound" / ("card" + std::to_string(card.index));
  std::error_code ec;
  for (std::filesystem::directory_iterator it(dir, ec), end; !ec && it != end; it.increment(ec)) {
    // "pcm3p": playback device 3; "pcm0c" is a capture device.
    const std::string entry = it->path().filename().string();
    if (entry.size() < 5 || entry.compare(0, 3, "pcm") != 0 || entry.back() != 'p') continue;
    int device = -1;
    const char* last = entry.data() + entry.size() - 1;
    const auto parsed = std::from_chars(entry.data() + 3, last, device);
    if (parsed.ec != std::errc{} || parsed.ptr != last || device < 0) continue;
    const auto info = ReadSmallFile(it->path() / "info");
    const auto pcmName = info ? ProcField(*info, "name") : std::nullopt;
    out.push_back(
        {card.index, device, DeviceName(card.name, pcmName.value_or("")), card.id, card.driver});
  }
}

}  // namespace

std::string DeviceName(const std::string& cardName, const std::string& pcmName) {
  if (pcmName.empty()) return cardName;
  return cardName + ": " + pcmName;
}

std::vector<CardDevice> EnumeratePlaybackDevices(const std::filesystem::path& root) {
  std::vector<CardDevice> devices;
  const std::vector<CardEntry> cards = ReadCards(root);
  for (const auto& card : cards) AddProcDevices(root, card, devices);
  if (root == "/") {
    // Where /proc/asound is missing or partial, the control devices still tell.
    std::vector<CardDevice> control;
    int card = -1;
    while (snd_card_next(&card) >= 0 && card >= 0) AddControlDevices(card, control);
    for (auto& d : control) {
      const bool known = std::any_of(devices.begin(), devices.end(), [&](const CardDevice& k) {
        return k.card == d.card && k.device == d.device;
      });
      if (!known) devices.push_back(std::move(d));
    }
  }
  std::sort(devices.begin(), devices.end(), [](const CardDevice& a, const CardDevice& b) {
    return a.card != b.card ? a.card < b.card : a.device < b.device;
  });
  int preferred = ConfiguredDefaultCard(cards);
  if (preferred < 0) preferred = 0;
  const auto first = std::find_if(devices.begin(), devices.end(),
                                  [&](const CardDevice& d) { return d.card == preferred; });
  if (first != devices.end()) std::rotate(devices.begin(), first, first + 1);
  return devices;
}

}  // namespace tivrel::alsa
