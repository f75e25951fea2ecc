// Playing one stereo signal out of a device while recording the same length
// from another: what tivrel-loopback asks of the platform.
#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <vector>

namespace tivrel {

struct DuplexRequest {
  std::string output;  // as the user named it; empty for device 0
  std::string input;
  std::vector<int> rates{48000};  // the first that both take
  std::string format;             // empty: the deepest both take
  // What to play, interleaved stereo in [-1, 1], at the rate chosen.
  std::function<std::vector<float>(int rate)> signal;
  // Called as the capture grows, with the frames recorded so far; false
  // ends the run there (the rest of the capture stays silent).
  std::function<bool(std::size_t recorded)> keep_going;
};

struct DuplexOutcome {
  enum class Status { Done, NoSuchDevice, Failed, Unusable };
  Status status = Status::Done;
  std::string error;                    // one line naming the device and the system's words
  std::string output_name, input_name;  // "hw:1,0 (HDA Intel PCH: ALC892 Analog)"
  std::string format;
  int rate = 0;
  std::vector<std::string> warnings;  // e.g. shared access instead of exclusive
};

class DuplexIo {
 public:
  virtual ~DuplexIo() = default;
  // Plays request.signal(rate) while `capture` gets as many frames,
  // recorded from the moment the first frame was played.
  virtual DuplexOutcome PlayAndCapture(const DuplexRequest& request,
                                       std::vector<float>& capture) = 0;
};

}  // namespace tivrel
