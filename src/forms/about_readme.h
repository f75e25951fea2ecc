// The secondary windows: About and read-me, designs and handlers.
#pragma once

#include "framework/app.h"
#include "framework/design.h"

namespace tivrel {

// The About window's names that its handlers and design use.
namespace about {
inline constexpr ControlRef kCommand3{"Command3"};  // return
inline constexpr ControlRef kMovingText1{"MovingText1"};
}  // namespace about

namespace readme {
inline constexpr ControlRef kText1{"Text1"};
}  // namespace readme

const FormDesign& AboutDesign();
const FormDesign& ReadmeDesign();
const FormHandlers& AboutHandlers();
const FormHandlers& ReadmeHandlers();

}  // namespace tivrel
