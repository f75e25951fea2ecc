// Errors raised by failing framework and platform calls.
#pragma once

#include <stdexcept>
#include <string>

namespace tivrel {

// A failing property access, method call or platform call. The message is
// UTF-8 Chinese text meant for the user; the dispatcher puts it in the error box.
class Error : public std::runtime_error {
 public:
  explicit Error(const std::string& message) : std::runtime_error(message) {}
};

// The clipboard stayed open in another program after the platform's retries.
class ClipboardBusy : public Error {
 public:
  ClipboardBusy() : Error("剪贴板正被其他程序占用") {}
};

// Thrown by test hosts from Host::EndProcess so that "does not return" can be
// observed. Deliberately not an std::exception: no handler may swallow it.
struct ProcessEnded {};

}  // namespace tivrel
