// tivrel's command line. The program reads none of its own: --help and
// --version answer on the terminal, before any window system is asked, and
// anything else is refused as a wrong command line.
#pragma once

#include <string>
#include <vector>

namespace tivrel {

inline constexpr int kProgramExitUsage = 64;
inline constexpr int kProgramExitOutput = 74;  // the answer could not be written

struct ProgramCommandLine {
  bool start = false;  // no arguments: start the program
  int status = 0;      // otherwise end at once with this status
  std::string out;     // UTF-8, for standard output
  std::string err;     // UTF-8, for standard error
};

// args excludes the program name. Every argument is read; the first of
// --help and --version decides when all are known.
ProgramCommandLine ReadProgramCommandLine(const std::vector<std::string>& args);

}  // namespace tivrel
