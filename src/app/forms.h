// The main window: design, handlers and the texts of its dialogs.
#pragma once

#include <cstdint>
#include <string_view>

#include "app/common.h"
#include "framework/app.h"
#include "framework/design.h"

namespace tivrel {

const FormDesign& Form1Design();

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
