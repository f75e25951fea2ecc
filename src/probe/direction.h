// Which way a device carries sound: from the kernel's files to the terminal
// tool's options, one word for it.
#pragma once

namespace tivrel {

// Output devices play, input devices record.
enum class Direction { kPlayback, kCapture };

}  // namespace tivrel
