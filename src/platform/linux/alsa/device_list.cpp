#include "platform/linux/alsa/device_list.h"

#include <alsa/asoundlib.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <charconv>
#include <cstdlib>
#include <memory>
#include <optional>
#include <system_error>

#include "platform/linux/alsa/alsa_owned.h"
#include "platform/linux/alsa/default_pcm.h"
#include "platform/linux/alsa/kernel_files.h"
#include "platform/linux/alsa/sound_server.h"

namespace tivrel::alsa {

namespace {

// Appends the devices of one card as its control device names them; 0, or
// ALSA's negative code when the card cannot be asked.
int AddControlDevices(int card, Direction stream, std::vector<CardDevice>& out) {
  snd_ctl_t* rawCtl = nullptr;
  const std::string hw = "hw:" + std::to_string(card);
  if (const int err = snd_ctl_open(&rawCtl, hw.c_str(), SND_CTL_NONBLOCK); err < 0) return err;
  const Ctl ctl(rawCtl);
  snd_ctl_card_info_t* rawCard = nullptr;
  snd_pcm_info_t* rawPcm = nullptr;
  if (snd_ctl_card_info_malloc(&rawCard) < 0) return -ENOMEM;
  const CardInfo cardInfo(rawCard);
  if (snd_pcm_info_malloc(&rawPcm) < 0) return -ENOMEM;
  const PcmInfo pcmInfo(rawPcm);
  if (const int err = snd_ctl_card_info(ctl.get(), cardInfo.get()); err < 0) return err;
  const auto text = [](const char* s) { return std::string(s ? s : ""); };
  const std::string cardName = text(snd_ctl_card_info_get_name(cardInfo.get()));
  const std::string cardId = text(snd_ctl_card_info_get_id(cardInfo.get()));
  const std::string driver = text(snd_ctl_card_info_get_driver(cardInfo.get()));
  int device = -1;
  while (snd_ctl_pcm_next_device(ctl.get(), &device) >= 0 && device >= 0) {
    snd_pcm_info_set_device(pcmInfo.get(), static_cast<unsigned>(device));
    snd_pcm_info_set_subdevice(pcmInfo.get(), 0);
    snd_pcm_info_set_stream(pcmInfo.get(), stream == Direction::kCapture ? SND_PCM_STREAM_CAPTURE
                                                                         : SND_PCM_STREAM_PLAYBACK);
    // Devices without that stream answer with an error here.
    if (snd_ctl_pcm_info(ctl.get(), pcmInfo.get()) < 0) continue;
    const std::string pcmName = text(snd_pcm_info_get_name(pcmInfo.get()));
    const std::string pcmId = text(snd_pcm_info_get_id(pcmInfo.get()));
    out.push_back({card, device, DeviceName(cardName, pcmName, pcmId), cardId, driver, pcmId,
                   IsHdmiOutput(cardId, cardName, pcmId, pcmName), -1, stream});
  }
  return 0;
}

// A card (and perhaps a device: -1 for its first) that a rule names.
struct Choice {
  int card = -1;
  int device = -1;
  std::string why;
};

// A number of ALSA's configuration; nothing where it is not one.
std::optional<int> ConfigNumber(const char* key) {
  const auto text = ConfigSetting(key);
  int number = -1;
  if (!text ||
      std::from_chars(text->data(), text->data() + text->size(), number).ec != std::errc{}) {
    return std::nullopt;
  }
  return number;
}

// What ALSA's configuration makes the default, as alsa-lib resolves it: the
// hardware device at the end of a configured pcm.!default; else the card
// that ALSA_PCM_CARD or ALSA_CARD names; else defaults.pcm.card and
// defaults.pcm.device where either is not ALSA's own 0. A default that ends
// on no hardware (a sound server's plugin, null) gives way to the rest.
std::optional<Choice> AlsaDefault(const std::vector<CardEntry>& cards, Direction stream) {
  if (const auto end = ResolveDefaultPcm(stream, cards)) {
    return Choice{end->card, end->device, end->chain};
  }
  const int device = ConfigNumber("defaults.pcm.device").value_or(0);
  for (const char* variable : {"ALSA_PCM_CARD", "ALSA_CARD"}) {
    const char* value = std::getenv(variable);
    if (value == nullptr || *value == '\0') continue;
    if (const auto index = CardIndex(value, cards)) {
      return Choice{*index, device > 0 ? device : -1, variable};
    }
  }
  const auto card = ConfigSetting("defaults.pcm.card");
  const auto index = card ? CardIndex(*card, cards) : std::nullopt;
  if (index && *index != 0) {
    if (device <= 0) return Choice{*index, -1, "defaults.pcm.card"};
    return Choice{*index, device, "defaults.pcm.card, defaults.pcm.device"};
  }
  if (device > 0) return Choice{index.value_or(0), device, "defaults.pcm.device"};
  return std::nullopt;
}

// The PCMs of one card from /proc/asound/cardN/pcmDp/info (pcmDc for capture);
// the folder's errno when it cannot be read.
int AddProcDevices(const std::filesystem::path& root, const CardEntry& card, Direction stream,
                   std::vector<CardDevice>& out) {
  const std::string name = "proc/asound/card" + std::to_string(card.index);
  std::error_code ec;
  std::filesystem::directory_iterator it(root / name, ec);
  for (const std::filesystem::directory_iterator end; !ec && it != end; it.increment(ec)) {
    // "pcm3p": playback device 3; "pcm0c" is a capture device.
    const std::string entry = it->path().filename().string();
    if (entry.size() < 5 || entry.compare(0, 3, "pcm") != 0 ||
        entry.back() != StreamLetter(stream)) {
      continue;
    }
    int device = -1;
    const char* last = entry.data() + entry.size() - 1;
    const auto parsed = std::from_chars(entry.data() + 3, last, device);
    if (parsed.ec != std::errc{} || parsed.ptr != last || device < 0) continue;
    const auto info = ReadSmallFile(it->path() / "info");
    const std::string pcmName = info ? ProcField(*info, "name").value_or("") : "";
    const std::string pcmId = info ? ProcField(*info, "id").value_or("") : "";
    out.push_back({card.index, device, DeviceName(card.name, pcmName, pcmId), card.id, card.driver,
                   pcmId, IsHdmiOutput(card.id, card.name, pcmId, pcmName), -1, stream});
  }
  return ec.value();
}

// The cards that could not be read and left no device in the list.
void KeepUnlisted(const std::vector<CardDevice>& devices, std::vector<UnreadCard>& unread) {
  std::erase_if(unread, [&](const UnreadCard& u) {
    return std::any_of(devices.begin(), devices.end(),
                       [&](const CardDevice& d) { return d.card == u.card; });
  });
  std::stable_sort(unread.begin(), unread.end(),
                   [](const UnreadCard& a, const UnreadCard& b) { return a.card < b.card; });
  // Each card once, by the first source that failed.
  unread.erase(
      std::unique(unread.begin(), unread.end(),
                  [](const UnreadCard& a, const UnreadCard& b) { return a.card == b.card; }),
      unread.end());
}

// The devices of every card, from /proc/asound and, for the real root, the
// control devices too; the cards that none of them could read in `unread`.
void AddAllDevices(const ListOptions& options, const std::vector<CardEntry>& cards,
                   DeviceList& list) {
  const std::filesystem::path& root = options.root;
  std::vector<CardDevice>& devices = list.devices;
  for (const auto& card : cards) {
    if (const int err = AddProcDevices(root, card, options.stream, devices); err != 0) {
      list.unread.push_back(
          {card.index, card.id, "/proc/asound/card" + std::to_string(card.index), err});
    }
  }
  if (root == "/") {
    // Where /proc/asound is missing or partial, the control devices still tell.
    std::vector<CardDevice> control;
    int card = -1;
    while (snd_card_next(&card) >= 0 && card >= 0) {
      if (const int err = AddControlDevices(card, options.stream, control); err < 0) {
        list.unread.push_back({card, "", "hw:" + std::to_string(card), -err});
      }
    }
    for (auto& d : control) {
      const bool known = std::any_of(devices.begin(), devices.end(), [&](const CardDevice& k) {
        return k.card == d.card && k.device == d.device;
      });
      if (!known) devices.push_back(std::move(d));
    }
  }
  KeepUnlisted(devices, list.unread);
}

}  // namespace

std::string DeviceName(const std::string& cardName, const std::string& pcmName,
                       const std::string& pcmId) {
  const std::string& pcm = pcmName.empty() ? pcmId : pcmName;
  if (pcm.empty()) return cardName;
  return cardName + ": " + pcm;
}

bool IsHdmiOutput(const std::string& cardId, const std::string& cardName, const std::string& pcmId,
                  const std::string& pcmName) {
  auto lower = [](std::string s) {
    for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return s;
  };
  for (const std::string& name : {cardId, cardName, pcmId, pcmName}) {
    const std::string l = lower(name);
    if (l.find("hdmi") != std::string::npos || l.find("displayport") != std::string::npos) {
      return true;
    }
  }
  // "DP1", "DP 2 (*)": a DisplayPort output named by its port.
  for (const std::string& name : {pcmId, pcmName}) {
    if (name.size() >= 3 && name.compare(0, 2, "DP") == 0 &&
        (std::isdigit(static_cast<unsigned char>(name[2])) || name[2] == ' ')) {
      return true;
    }
  }
  return false;
}

namespace {

// The chosen device, or nothing when the list has no such device.
std::vector<CardDevice>::iterator Find(std::vector<CardDevice>& devices, const Choice& choice) {
  return std::find_if(devices.begin(), devices.end(), [&](const CardDevice& d) {
    return d.card == choice.card && (choice.device < 0 || d.device == choice.device);
  });
}

// The first output of the first card whose first output is not a monitor's.
std::optional<Choice> FirstNotHdmi(const std::vector<CardDevice>& devices) {
  for (size_t i = 0; i < devices.size(); ++i) {
    const bool firstOfCard = i == 0 || devices[i - 1].card != devices[i].card;
    if (firstOfCard && !devices[i].hdmi) return Choice{devices[i].card, devices[i].device, {}};
  }
  return std::nullopt;
}

}  // namespace

DeviceList ListCardDevices(const ListOptions& options) {
  ForgetCodecFiles();
  const std::filesystem::path& root = options.root;
  DeviceList list;
  std::vector<CardDevice>& devices = list.devices;
  const std::vector<CardEntry> cards = ReadCards(root);
  AddAllDevices(options, cards, list);
  if (devices.empty()) return list;
  std::sort(devices.begin(), devices.end(), [](const CardDevice& a, const CardDevice& b) {
    return a.card != b.card ? a.card < b.card : a.device < b.device;
  });
  for (size_t i = 0, n = 0; i < devices.size(); ++i) {
    if (i > 0 && devices[i].card != devices[i - 1].card) n = 0;
    if (devices[i].hdmi) devices[i].hdmiIndex = static_cast<int>(n++);
  }
  // Device 0 by the strongest evidence there is; a rule whose device is not
  // in the list gives way to the next one.
  auto place = [&](Device0Rule rule, const std::optional<Choice>& choice) {
    const auto first = choice ? Find(devices, *choice) : devices.end();
    if (first == devices.end()) return false;
    std::rotate(devices.begin(), first, first + 1);
    list.rule = rule;
    list.why = choice->why;
    return true;
  };
  if (const auto server = AskSoundServer(kSoundServerBound, root, options.stream);
      server && server->card >= 0 &&
      place(Device0Rule::kSoundServer, Choice{server->card, server->device, server->sink})) {
    return list;
  }
  if (place(Device0Rule::kAlsaDefault, AlsaDefault(cards, options.stream)) ||
      place(Device0Rule::kFirstNotHdmi, FirstNotHdmi(devices))) {
    return list;
  }
  list.rule = Device0Rule::kFirst;
  return list;
}

}  // namespace tivrel::alsa
