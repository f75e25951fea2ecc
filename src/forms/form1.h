// The main window: design, handlers and the texts of its dialogs.
#pragma once

#include <cstdint>
#include <string_view>

#include "forms/form1_names.h"
#include "forms/shared_parts.h"
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
inline constexpr std::u16string_view kTestDoneText = u"测试完成！";
inline constexpr std::u16string_view kTestDoneTitle = u"^_^";

// Form1's handlers; the report box's are in forms/report_menu.h.
void Form1_Load(App& app);     // the single-instance guard
void TestCommand(App& app);    // Command1
void AboutCommand(App& app);   // Command2 and gyll
void ExitCommand(App& app);    // Command3
void ReadmeCommand(App& app);  // readme

}  // namespace tivrel
