#include "forms/program.h"

#include "forms/about_readme.h"
#include "forms/form1.h"

namespace tivrel {

std::array<FormEntry, kFormCount> ProgramForms() {
  return {FormEntry{&Form1Design(), &Form1Handlers()}, FormEntry{&AboutDesign(), &AboutHandlers()},
          FormEntry{&ReadmeDesign(), &ReadmeHandlers()}};
}

}  // namespace tivrel
