// Where a PulseAudio-protocol server of this session may be found, looked up
// as libpulse itself would look, without loading it.
#pragma once

namespace tivrel::alsa {

// Whether a server may answer at all: a server named in the environment or in
// a client.conf, a display that may name one, or a socket in the user's
// runtime folder or the system's. Reads nothing that could hold it up (a
// FIFO in a file's place is no file).
bool ServerMayAnswer();

}  // namespace tivrel::alsa
