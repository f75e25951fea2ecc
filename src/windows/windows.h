// The secondary windows: About and read-me, designs and handlers.
#pragma once

#include "framework/app.h"
#include "framework/design.h"

namespace tivrel {

const FormDesign& AboutDesign();
const FormDesign& ReadmeDesign();
const FormHandlers& AboutHandlers();
const FormHandlers& ReadmeHandlers();

}  // namespace tivrel
