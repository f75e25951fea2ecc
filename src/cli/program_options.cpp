#include "cli/program_options.h"

#include "app/version.h"
#include "cli/text_output.h"

namespace tivrel {

namespace {

constexpr const char* kHelp =
    "Usage: tivrel [OPTION]\n"
    "Shows the sound-card tester 岚铃声卡测试仪 in a window; its 开始测试 button\n"
    "reports what the first audio output device can do. The program takes no\n"
    "other options and keeps no settings; tivrel-report prints the same report\n"
    "on a terminal.\n"
    "\n"
    "  -h, --help     show this help and exit\n"
    "  -V, --version  show the version and exit\n";

}  // namespace

ProgramCommandLine ReadProgramCommandLine(const std::vector<std::string>& args) {
  ProgramCommandLine line;
  if (args.empty()) {
    line.start = true;
    return line;
  }
  for (const std::string& arg : args) {
    const bool help = arg == "-h" || arg == "--help";
    const bool version = arg == "-V" || arg == "--version";
    if (!help && !version) {
      line.status = kProgramExitUsage;
      line.out.clear();
      line.err = std::string("tivrel: ") +
                 (arg.size() > 1 && arg[0] == '-' ? "unknown option '" : "unexpected argument '") +
                 EscapeControls(arg) + "'\nTry 'tivrel --help' for more information.\n";
      return line;
    }
    if (line.out.empty()) {
      line.out = help ? kHelp : "tivrel " TIVREL_VERSION_DOTTED " (" TIVREL_PRODUCT_NAME ")\n";
    }
  }
  return line;
}

}  // namespace tivrel
