// windows.h for the framework's files: included first, before any header of
// the core, so that Host::MessageBox keeps its name (windows.h would make it
// MessageBoxW).
#pragma once

#include <windows.h>
#undef MessageBox
