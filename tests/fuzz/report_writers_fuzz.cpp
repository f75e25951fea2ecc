// Any names, holders, system texts and records through every writer of
// tivrel-report: text for a terminal never carries a control character or a
// byte that is not UTF-8, and the JSON document always parses.
#include <cstddef>
#include <cstdint>
#include <nlohmann/json.hpp>
#include <string>
#include <string_view>

#include "cli/json_output.h"
#include "cli/text_output.h"
#include "framework/text.h"
#include "probe/report_text.h"

using namespace tivrel;

namespace {

// Takes the input apart: a length byte, then that many bytes.
class Pieces {
 public:
  Pieces(const uint8_t* data, size_t size) : data_(data), size_(size) {}
  std::string Next() {
    if (at_ >= size_) return {};
    const size_t length = data_[at_++];
    const size_t n = std::min(length, size_ - at_);
    std::string s(reinterpret_cast<const char*>(data_ + at_), n);
    at_ += n;
    return s;
  }
  uint32_t Number() {
    uint32_t v = 0;
    for (int i = 0; i < 4 && at_ < size_; ++i) v = v << 8 | data_[at_++];
    return v;
  }

 private:
  const uint8_t* data_;
  size_t size_;
  size_t at_ = 0;
};

// No C0 control but the line ends, no DEL, no C1, nothing that is not UTF-8.
void CheckTerminalSafe(const std::string& text) {
  if (Utf16ToUtf8(Utf8ToUtf16(text)) != text) __builtin_trap();
  for (size_t i = 0; i < text.size(); ++i) {
    const auto b = static_cast<unsigned char>(text[i]);
    if ((b < 0x20 && b != '\r' && b != '\n') || b == 0x7F) __builtin_trap();
    if (b == 0xC2 && i + 1 < text.size() && static_cast<unsigned char>(text[i + 1]) < 0xA0) {
      __builtin_trap();
    }
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  Pieces in(data, size);
  DeviceReport d;
  d.queried = true;
  d.listing.name = in.Next();
  d.listing.location = {.card = 1, .device = 0, .hw = "hw:1,0", .cardId = in.Next(), .driver = "x"};
  d.probe.deviceCount = 1;
  d.probe.queryResult = in.Number() % 8;
  d.probe.note.device = in.Next();
  d.probe.note.holder = in.Next();
  d.probe.note.systemText = in.Next();
  if (const std::string source = in.Next(); !source.empty()) d.probe.note.sources = {source};
  d.probe.caps.dwFormats = static_cast<int32_t>(in.Number());
  const std::string name = in.Next();
  const std::u16string wide = Utf8ToUtf16(name);
  std::copy_n(wide.begin(), std::min<size_t>(wide.size(), 31), d.probe.caps.szPname.begin());
  d.probe.caps.wChannels = static_cast<int16_t>(in.Number());
  d.probe.caps.dwSupport = static_cast<int32_t>(in.Number());
  FormatMatrix matrix;
  matrix.channels = static_cast<int>(in.Number() % 3);
  for (auto& format : matrix.rates) {
    for (int c = 0; c < matrix.channels; ++c) format[static_cast<size_t>(c)] = in.Number() & 0x7FFF;
  }
  d.matrix = matrix;
  d.mixerMatrix = (in.Number() & 1) != 0;
  // An endpoint's name comes from the system too.
  if (const uint32_t e = in.Number(); e & 1) {
    d.endpoint = Endpoint{.id = in.Next(), .name = in.Next(), .isDefault = (e & 2) != 0};
    if (e & 4) d.endpoint->mixFormat = StreamFormat{in.Next(), in.Number(), in.Number()};
    if (e & 8) d.endpoint->exclusive = matrix;
    d.endpoint->exclusiveResult = e & 16 ? in.Number() : 0;
  }
  const DeviceReports reports{.devices = {d}, .device0 = Device0Reason{"alsa-default", in.Next()}};

  std::string out, err;
  WriteAllText(reports.devices, out, err);
  CheckTerminalSafe(out);
  CheckTerminalSafe(err);
  CheckTerminalSafe(ListText(reports));
  CheckTerminalSafe(TerminalText(ReportLines(d.probe)));
  if (!nlohmann::json::accept(ReportJson(reports))) __builtin_trap();
  return 0;
}
