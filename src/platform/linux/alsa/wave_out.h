// The waveform-audio service on Linux: ALSA's playback PCM devices answer
// waveOutGetNumDevs and waveOutGetDevCapsA in the shapes of the Windows calls.
// No Qt here: tivrel-report links it on its own.
#pragma once

#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <vector>

#include "framework/ansi_codec.h"
#include "framework/platform_api.h"
#include "platform/linux/alsa/device_list.h"
#include "probe/query_note.h"
#include "probe/waveoutcaps.h"

namespace tivrel::alsa {

// The capability query's answer to a null record pointer.
inline constexpr uint32_t kMmSysErrInvalParam = 11;

struct AlsaOptions {
  // Root under which /sys and /proc are read.
  std::filesystem::path root = "/";
  // Output devices, or input devices in the same shape.
  Direction stream = Direction::kPlayback;
};

// The test seam of both programs, tivrel and tivrel-report:
//   TIVREL_ALSA_ROOT   folder holding the sys/ and proc/ trees to read
// Unset, the real system is read. ALSA's own ALSA_CONFIG_PATH gives the PCMs.
AlsaOptions OptionsFromEnvironment();

class AlsaWaveOut final : public WaveOutApi {
 public:
  // `ansi` gives the charset of the record's name bytes; it must outlive this.
  explicit AlsaWaveOut(const AnsiCodec& ansi, AlsaOptions options = {});

  // Lists the devices afresh, as every count does: cards come and go while
  // the program runs. The queries after it are of this list.
  const DeviceList& Refresh();
  // The list of the last count, made now when there was none.
  const DeviceList& Devices();
  // From now on, the devices of this stream.
  void SetStream(Direction stream);

  uint32_t waveOutGetNumDevs() override;
  // Writes the 52-byte exchange image, no more than `size` bytes of it.
  uint32_t waveOutGetDevCapsA(uintptr_t deviceId, void* caps, uint32_t size) override;
  // The same, with all there is to say about the device in `note`.
  uint32_t QueryDevCaps(uintptr_t deviceId, void* caps, uint32_t size, QueryNote& note) override;

  // The record of one device, as the query fills it; 0 or an MMSYSERR code,
  // with what there is to say about it in `note`. The kernel's files of the
  // device are read once here, and what they describe travels in the note.
  uint32_t QueryCaps(const CardDevice& device, WAVEOUTCAPS& caps, QueryNote& note) const;

 private:
  const AnsiCodec& ansi_;
  AlsaOptions options_;
  std::optional<DeviceList> devices_;
};

// The locale's charset, or UTF-8 where that is ASCII (the C locale), so that
// card names are never lost on the way through the record.
std::unique_ptr<AnsiCodec> MakeRecordCodec();

}  // namespace tivrel::alsa
