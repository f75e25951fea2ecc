// The X11 clipboard beyond what QClipboard tells: who owns it by the
// server's word, and the hand-over to a clipboard manager at the end.
#pragma once

#include <chrono>
#include <optional>

namespace tivrel::qt {

// Whether a window of this process owns the clipboard, as the X server says
// now; only the server is asked, never the owner. nullopt without X11.
std::optional<bool> OwnsClipboardNow();

// What the program placed on the clipboard outlives it: before a process
// that ends at once is gone, a clipboard manager is asked to take a copy.
// When this process owns the clipboard and a clipboard manager runs, asks
// the manager to save the clipboard (SAVE_TARGETS) and answers its requests
// until it says it is done or `limit` has passed. Only the event loop's
// non-input events run meanwhile: the caller must have stopped routing
// events to handlers. Does nothing elsewhere (no X11, nothing owned).
void HandOverClipboard(std::chrono::milliseconds limit);

}  // namespace tivrel::qt
