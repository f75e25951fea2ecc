// What the terminal programs' Linux entry points share: quiet ALSA, safe
// standard streams, whole writes.
#pragma once

#include <string>

namespace tivrel::alsa {

// ALSA's own diagnostics would interleave with the output; the programs
// state failures themselves.
void QuietAlsa();

// A standard stream that the caller closed is held by a descriptor that
// cannot be written, so that nothing opened later (an ALSA device, a /proc
// file) takes its number and receives the output.
void HoldClosedStreams();

// 0, or the errno of the write that failed.
int WriteAll(int fd, const std::string& bytes);

}  // namespace tivrel::alsa
