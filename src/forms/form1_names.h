// The main window's controls and menu items, as its design names them; the
// main window's handlers and the report box's menu both use them.
#pragma once

#include "framework/design.h"

namespace tivrel {

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

}  // namespace tivrel
