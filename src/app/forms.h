// The program's three windows: designs and handlers.
#pragma once

#include <cstdint>
#include <string_view>

#include "framework/app.h"
#include "framework/design.h"

namespace tivrel {

const FormDesign& Form1Design();
const FormDesign& AboutDesign();
const FormDesign& ReadmeDesign();

const FormHandlers& Form1Handlers();
const FormHandlers& AboutHandlers();
const FormHandlers& ReadmeHandlers();

// Both windows' text boxes: multi-line, read-only for the user, wrapping with
// a vertical scroll bar only, on the button face.
ControlDesign ReadOnlyTextBox(int tabIndex, int left, int top, int width, int height,
                              std::u16string text = {});
inline const FontDesign kSongTi9{u"宋体", 9.0f, 400, 134};

// Texts of the dialogs that the main window's handlers show.
inline constexpr std::u16string_view kSecondInstanceText = u"本程序不允许运行多次，请关闭后再试。";
inline constexpr std::u16string_view kSecondInstanceTitle = u"系统提示";
inline constexpr std::u16string_view kExitText = u"感谢您的支持！";
inline constexpr std::u16string_view kExitTitle = u"Thanks";

// Form1's handlers.
void Form1_Load(App& app);                 // the single-instance guard
void AboutCommand(App& app);               // Command2 and gyll
void ExitCommand(App& app);                // Command3
void ReadmeCommand(App& app);              // readme
// Asks the shell to open a new mail to the author; the result is not read.
void ContactMail(App& app);                // both windows' MovingText1

}  // namespace tivrel
