// Any bytes as any kernel file: the parsers never read out of bounds, never
// hang and give only what the text can hold.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "platform/linux/alsa/device_list.h"
#include "platform/linux/alsa/proc_parsers.h"

using namespace tivrel::alsa;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  for (const auto& card : ParseCards(text)) {
    if (card.index < 0) __builtin_trap();
  }
  for (const char* key : {"name", "id", "subdevices_avail", "owner_pid"}) ProcField(text, key);
  for (const auto stream : {tivrel::Direction::kPlayback, tivrel::Direction::kCapture}) {
    for (const auto& alt : ParseUsbStream(text, stream)) {
      if (alt.continuous && !alt.rates.empty() && alt.rates.size() != 2) __builtin_trap();
    }
  }
  for (const auto& c : ParseHdaConverters(text)) {
    if (c.channels == 0) __builtin_trap();
  }
  const HdaOutputs outputs = ParseHdaOutputs(text);
  if (outputs.lineOuts > 5) __builtin_trap();
  for (const auto& pcm : outputs.pcms) {
    if (pcm.device < 0 || pcm.type.empty()) __builtin_trap();
  }
  if (const auto params = ParseHwParams(text);
      params && (params->channels == 0 || params->rate == 0)) {
    __builtin_trap();
  }
  ParsePciId(text);
  ParseUsbId(text);
  if (const auto version = ParseAlsaVersion(text); version && (*version < 0 || *version > 0xFFFF)) {
    __builtin_trap();
  }
  const std::string s(text);
  IsHdmiOutput(s, s, s, s);
  return 0;
}
