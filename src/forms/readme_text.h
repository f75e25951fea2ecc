#pragma once

#include <string>

namespace tivrel {

// Fourteen lines, each ended by CR LF; 353 bytes in GBK.
std::u16string ReadmeText();

}  // namespace tivrel
