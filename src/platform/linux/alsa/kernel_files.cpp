#include "platform/linux/alsa/kernel_files.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <map>
#include <system_error>

namespace tivrel::alsa {

namespace {

std::filesystem::path CardDir(const std::filesystem::path& root, const char* base, int card) {
  return root / base / ("card" + std::to_string(card));
}

}  // namespace

std::optional<std::string> ReadSmallFile(const std::filesystem::path& path, size_t limit) {
  // Non-blocking and checked to be a regular file before any read: a FIFO or
  // a device node in its place must not hang the probe.
  const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
  if (fd < 0) return std::nullopt;
  struct stat st {};
  std::optional<std::string> result;
  if (::fstat(fd, &st) == 0 && S_ISREG(st.st_mode)) {
    // One byte more than allowed tells a long file from one that just fits;
    // sysfs files report a size of 4096 whatever they hold, so read, don't stat.
    std::string data(limit + 1, '\0');
    size_t got = 0;
    for (;;) {
      const ssize_t n = ::read(fd, data.data() + got, data.size() - got);
      if (n < 0 && errno == EINTR) continue;
      if (n < 0) {
        got = SIZE_MAX;
        break;
      }
      if (n == 0 || (got += static_cast<size_t>(n)) == data.size()) break;
    }
    if (got <= limit) {
      data.resize(got);
      result = std::move(data);
    }
  }
  ::close(fd);
  return result;
}

CardIds ReadCardIds(const std::filesystem::path& root, int card) {
  if (card < 0) return {};
  // The walk stays inside the root's sysfs, wherever its links point.
  std::error_code ec;
  const auto sys = std::filesystem::weakly_canonical(root / "sys", ec);
  auto at = std::filesystem::canonical(CardDir(root, "sys/class/sound", card) / "device", ec);
  for (; !ec && at != sys && at.has_relative_path(); at = at.parent_path()) {
    const auto [in, _] = std::mismatch(sys.begin(), sys.end(), at.begin(), at.end());
    if (in != sys.end()) break;
    // A PCI function has vendor and device files, a USB device idVendor and idProduct.
    if (const auto vendor = ReadSmallFile(at / "vendor")) {
      if (const auto v = ParsePciId(*vendor)) {
        const auto device = ReadSmallFile(at / "device");
        return {*v, device ? ParsePciId(*device).value_or(0) : uint16_t{0}};
      }
    }
    const auto usbVendor = ReadSmallFile(at / "idVendor");
    const auto usbProduct = ReadSmallFile(at / "idProduct");
    if (usbVendor && usbProduct) {
      const auto v = ParsePciId(*usbVendor);
      const auto p = ParsePciId(*usbProduct);
      if (v && p) return {*v, *p};
    }
  }
  if (const auto usbid = ReadSmallFile(CardDir(root, "proc/asound", card) / "usbid")) {
    if (const auto id = ParseUsbId(*usbid)) return {id->vendor, id->product};
  }
  return {};
}

int32_t ReadDriverVersion(const std::filesystem::path& root) {
  const auto text = ReadSmallFile(root / "proc/asound/version");
  return text ? ParseAlsaVersion(*text).value_or(0) : 0;
}

std::vector<CardEntry> ReadCards(const std::filesystem::path& root) {
  const auto text = ReadSmallFile(root / "proc/asound/cards", 64 * 1024);
  return text ? ParseCards(*text) : std::vector<CardEntry>{};
}

std::filesystem::path PcmFiles::Dir() const {
  return CardDir(root, "proc/asound", card) /
         ("pcm" + std::to_string(device) + StreamLetter(stream));
}

std::string PcmFiles::Name(const std::string& file) const {
  return "/proc/asound/card" + std::to_string(card) + "/pcm" + std::to_string(device) +
         StreamLetter(stream) + "/" + file;
}

bool NoFreeSubstream(const PcmFiles& pcm) {
  const auto info = ReadSmallFile(pcm.Dir() / "info");
  return info && ProcField(*info, "subdevices_avail") == "0";
}

std::string ReadHolder(const PcmFiles& pcm) {
  // owner_pid of the first substream, then that process's command name.
  const auto status = ReadSmallFile(pcm.Dir() / "sub0/status");
  const auto pid = status ? ProcField(*status, "owner_pid") : std::nullopt;
  if (!pid || pid->empty() || pid->find_first_not_of("0123456789") != std::string::npos) return {};
  const auto comm = ReadSmallFile(pcm.root / "proc" / *pid / "comm");
  if (!comm) return {};
  std::string name = *comm;
  while (!name.empty() && (name.back() == '\n' || name.back() == '\0')) name.pop_back();
  return name;
}

std::optional<UsbStream> ReadUsbStream(const PcmFiles& pcm) {
  const std::string file =
      "/proc/asound/card" + std::to_string(pcm.card) + "/stream" + std::to_string(pcm.device);
  const auto text = ReadSmallFile(pcm.root / file.substr(1), 64 * 1024);
  if (!text) return std::nullopt;
  return UsbStream{file, ParseUsbStream(*text, pcm.stream)};
}

namespace {

// The codec files of the cards asked about since the device list was last
// made, by root and card. They describe the hardware, which holds still for
// as long as one list is used: the description and the flags of a device
// read each file once, not once a question.
std::map<std::pair<std::string, int>, std::vector<Described<std::string>>>& CodecTexts() {
  static std::map<std::pair<std::string, int>, std::vector<Described<std::string>>> texts;
  return texts;
}

const std::vector<Described<std::string>>& ReadCodecTexts(const std::filesystem::path& root,
                                                          int card) {
  auto [at, added] = CodecTexts().try_emplace({root.string(), card});
  if (!added) return at->second;
  // Codec addresses run from 0 to 15 on an HDA link.
  for (int address = 0; address < 16; ++address) {
    const std::string name = "codec#" + std::to_string(address);
    auto text = ReadSmallFile(CardDir(root, "proc/asound", card) / name, 256 * 1024);
    if (!text) continue;
    at->second.push_back(
        {"/proc/asound/card" + std::to_string(card) + "/" + name, std::move(*text)});
  }
  return at->second;
}

// Each codec file of the card, codec#0 on, parsed.
template <typename T, typename Parse>
std::vector<Described<T>> ReadCodecFiles(const std::filesystem::path& root, int card, Parse parse) {
  std::vector<Described<T>> codecs;
  for (const auto& text : ReadCodecTexts(root, card))
    codecs.push_back({text.file, parse(text.value)});
  return codecs;
}

}  // namespace

void ForgetCodecFiles() { CodecTexts().clear(); }

std::vector<Described<std::vector<HdaConverter>>> ReadHdaCodecs(const std::filesystem::path& root,
                                                                int card) {
  return ReadCodecFiles<std::vector<HdaConverter>>(root, card, ParseHdaConverters);
}

std::vector<Described<HdaOutputs>> ReadHdaOutputs(const std::filesystem::path& root, int card) {
  return ReadCodecFiles<HdaOutputs>(root, card, ParseHdaOutputs);
}

std::optional<Described<RunningParams>> ReadRunningParams(const PcmFiles& pcm) {
  const auto text = ReadSmallFile(pcm.Dir() / "sub0/hw_params");
  const auto params = text ? ParseHwParams(*text) : std::nullopt;
  if (!params) return std::nullopt;
  return Described<RunningParams>{pcm.Name("sub0/hw_params"), *params};
}

}  // namespace tivrel::alsa
