// The main window: design, handlers and the texts of its dialogs.
#pragma once

#include <cstdint>
#include <string_view>

#include "app/common.h"
#include "framework/app.h"
#include "framework/design.h"

namespace tivrel {

const FormDesign& Form1Design();

// The main window's controls and menu items, as its design names them.
namespace form1 {
// The three buttons are each the one element of a control array.
inline constexpr ControlRef kCommand1{"Command1", 2};  // Test
inline constexpr ControlRef kCommand2{"Command2", 1};  // About
inline constexpr ControlRef kCommand3{"Command3", 3};  // Exit
inline constexpr ControlRef kText1{"Text1"};           // the report box
inline constexpr ControlRef kMovingText1{"MovingText1"};
inline constexpr MenuRef kTofiles{"tofiles"};  // the report box's pop-up menu
inline constexpr MenuRef kCopy{"copy"};
inline constexpr MenuRef kAllcopy{"allcopy"};
inline constexpr MenuRef kEdit{"edit"};
inline constexpr MenuRef kSize{"size"};
inline constexpr MenuRef kBig{"big"};
inline constexpr MenuRef kMid{"mid"};
inline constexpr MenuRef kSmall{"small"};
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
inline constexpr std::u16string_view kTestDoneText = u"测试完成！";
inline constexpr std::u16string_view kTestDoneTitle = u"^_^";

// Form1's handlers; the report box's are in report/report_menu.h.
void Form1_Load(App& app);     // the single-instance guard
void TestCommand(App& app);    // Command1
void AboutCommand(App& app);   // Command2 and gyll
void ExitCommand(App& app);    // Command3
void ReadmeCommand(App& app);  // readme

}  // namespace tivrel
