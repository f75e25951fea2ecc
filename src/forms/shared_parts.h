// What the main window shares with the secondary windows: the face of the
// designs, the read-only text box, and the contact line's command.
#pragma once

#include <string>

#include "framework/design.h"

namespace tivrel {

class App;

// Both windows' text boxes: multi-line, read-only for the user, wrapping with
// a vertical scroll bar only, on the button face.
ControlDesign ReadOnlyTextBox(ControlRef name, int tabIndex, int left, int top, int width,
                              int height, std::u16string text = {});
inline const FontDesign kSongTi9{u"宋体", 9.0f, 400, 134};

// Asks the shell to open a new mail to the author; the result is not read.
void ContactMail(App& app);  // both windows' MovingText1

}  // namespace tivrel
