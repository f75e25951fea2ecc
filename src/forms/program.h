// The program: its three windows with their designs and handlers, in the
// order the window ids give.
#pragma once

#include <array>

#include "framework/app.h"

namespace tivrel {

std::array<FormEntry, kFormCount> ProgramForms();

}  // namespace tivrel
