#include "program.h"

#include "app/forms.h"
#include "windows/windows.h"

namespace tivrel {

std::array<FormEntry, kFormCount> ProgramForms() {
  return {FormEntry{&Form1Design(), &Form1Handlers()}, FormEntry{&AboutDesign(), &AboutHandlers()},
          FormEntry{&ReadmeDesign(), &ReadmeHandlers()}};
}

}  // namespace tivrel
