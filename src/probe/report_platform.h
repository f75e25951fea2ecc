// What tivrel-report asks of the platform it runs on, beyond the Test
// command's two waveform calls: the devices with where they live, the native
// format matrix, the system's words for a code and, where there is one, each
// device's own endpoint. Each platform implements it; the tool's portable
// part (cli/) only calls it.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "framework/ansi_codec.h"
#include "framework/platform_api.h"
#include "probe/direction.h"
#include "probe/format_matrix.h"

namespace tivrel {

// Where a device lives, as its platform names it; fields that the platform
// does not have stay empty or -1.
struct DeviceLocation {
  // Linux: ALSA's card and device numbers, "hw:C,D", the card's id and driver.
  int card = -1;
  int device = -1;
  std::string hw;
  std::string cardId;
  std::string driver;
  // Windows: the waveform device number.
  int64_t waveDevice = -1;
};

struct DeviceListing {
  std::string name;  // UTF-8, whole (the record holds 31 bytes of it)
  DeviceLocation location;
  Direction direction = Direction::kPlayback;
};

// A stream format as the system states it.
struct StreamFormat {
  std::string format;  // kSampleFormats' name, else the format tag, e.g. "0x0092"
  unsigned channels = 0;
  uint32_t rate = 0;
  unsigned bits = 0;         // per sample in the stream, padding included
  unsigned validBits = 0;    // of those, the ones that carry the sample
  uint32_t channelMask = 0;  // the speaker positions, where the format names them
  bool operator==(const StreamFormat&) const = default;
};

// The system's own audio endpoint behind a waveform device (Core Audio on
// Windows). Waveform audio answers for the system's mixer, which converts;
// the endpoint's exclusive mode answers for the device itself.
struct Endpoint {
  std::string id;
  std::string name;                       // whole
  bool isDefault = false;                 // the system's default endpoint of its direction
  std::optional<StreamFormat> mixFormat;  // what shared mode mixes into; nothing when unread
  // With --formats: what exclusive mode accepts, or the code (an HRESULT)
  // that kept it from being asked.
  std::optional<FormatMatrix> exclusive;
  uint32_t exclusiveResult = 0;
};

// Why device 0 is the device it is, where the platform chooses it.
struct Device0Reason {
  std::string rule;    // "sound-server", "alsa-default", "first-not-hdmi" or "first"
  std::string detail;  // the sink's name, or the setting that named the device
};

class ReportPlatform {
 public:
  virtual ~ReportPlatform() = default;
  // Why the system's audio library cannot be used at all (a configuration
  // that does not load, say); nothing when it can.
  virtual std::optional<std::string> Unusable() { return std::nullopt; }
  // Whether the devices listed and queried from now on are inputs.
  virtual void SetDirection(Direction direction) = 0;
  // The capability query of the current direction: the waveform calls' shape
  // serves input devices too, whose records have no support flags.
  virtual WaveOutApi& waveOut() = 0;
  virtual const AnsiCodec& ansi() = 0;
  // Whether the system's text files end their lines with CR LF.
  virtual bool LinesEndWithCrLf() const { return false; }
  // Every output device, indexed by device number. A command asks once: the
  // waveform queries and the matrices that follow are of this list.
  virtual std::vector<DeviceListing> ListDevices() = 0;
  // What the latest list (ListDevices or the waveform count) had to leave
  // out, a sentence each that names the card and the system's reason.
  virtual std::vector<std::string> Unlisted() { return {}; }
  // The native format matrix of `device`, channels 1..channels; 0 or a result
  // code, with the system's own words for the failure in `systemText` where
  // the code alone does not keep them.
  virtual uint32_t ProbeMatrix(uint32_t device, int channels, FormatMatrix& matrix,
                               std::string& systemText) = 0;
  // The system's own words for a result code, where the query's note has none.
  virtual std::string SystemText(uint32_t /*result*/) { return {}; }
  // How the last ListDevices chose device 0; nothing where the system numbers
  // the devices itself.
  virtual std::optional<Device0Reason> Device0() { return std::nullopt; }
  // Whether ProbeMatrix answers for the system's mixer rather than the device.
  virtual bool MatrixIsTheMixers() const { return false; }
  // The endpoint behind `device`, with its exclusive-mode matrix over channels
  // 1..matrixChannels unless that is 0; nothing where there is none.
  virtual std::optional<Endpoint> DeviceEndpoint(uint32_t /*device*/, int /*matrixChannels*/) {
    return std::nullopt;
  }
};

}  // namespace tivrel
