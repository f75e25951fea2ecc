// The main window: design, handlers and the texts of its dialogs.
#pragma once

#include <cstdint>
#include <string_view>

#include "app/common.h"
#include "framework/app.h"
#include "framework/design.h"

namespace tivrel {

const FormDesign& Form1Design();

// The main window's names that this folder's handlers and the design use;
// the report box, its menu and the Test button are named beside their Parts
// (report/report_menu.h, probe/test_command.h).
namespace form1 {
inline constexpr ControlRef kCommand2{"Command2", 1};  // About
inline constexpr ControlRef kCommand3{"Command3", 3};  // Exit
inline constexpr ControlRef kMovingText1{"MovingText1"};
inline constexpr MenuRef kEdit{"edit"};
inline constexpr MenuRef kSize{"size"};
inline constexpr MenuRef kGy{"gy"};
inline constexpr MenuRef kGyll{"gyll"};
inline constexpr MenuRef kReadme{"readme"};
}  // namespace form1

const FormHandlers& Form1Handlers();

// Texts of the dialogs that the main window's handlers show.
inline constexpr std::u16string_view kSecondInstanceText = u"本程序不允许运行多次，请关闭后再试。";
inline constexpr std::u16string_view kSecondInstanceTitle = u"系统提示";
inline constexpr std::u16string_view kExitText = u"感谢您的支持！";
inline constexpr std::u16string_view kExitTitle = u"Thanks";

// Form1's handlers.
void Form1_Load(App& app);     // the single-instance guard
void AboutCommand(App& app);   // Command2 and gyll
void ExitCommand(App& app);    // Command3
void ReadmeCommand(App& app);  // readme

}  // namespace tivrel
