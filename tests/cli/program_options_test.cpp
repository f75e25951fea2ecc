#include "cli/program_options.h"

#include <gtest/gtest.h>

namespace tivrel {
namespace {

// The program starts only without arguments; --help and --version answer and
// end; anything else, wherever it stands, is a wrong command line.
TEST(ProgramCommandLine, StartsBareAnswersHelpAndVersionRefusesTheRest) {
  struct Case {
    std::vector<std::string> args;
    bool start;
    int status;
    std::string out;  // a part of standard output
    std::string err;  // a part of standard error
  };
  const Case cases[] = {
      {{}, true, 0, "", ""},
      {{"--help"}, false, 0, "Usage: tivrel [OPTION]", ""},
      {{"-h"}, false, 0, "-V, --version", ""},
      {{"--version"}, false, 0, "tivrel 0.0.0.730 (Tivrel Build0730)\n", ""},
      {{"-V", "--help"}, false, 0, "tivrel 0.0.0.730", ""},
      {{"--bogus"}, false, 64, "", "tivrel: unknown option '--bogus'\nTry 'tivrel --help'"},
      {{"--help", "-platform"}, false, 64, "", "unknown option '-platform'"},
      {{"report.txt"}, false, 64, "", "unexpected argument 'report.txt'"},
      {{"-"}, false, 64, "", "unexpected argument '-'"},
      {{"\x1b[2J"}, false, 64, "", "'\\x1B[2J'"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::PrintToString(c.args));
    const ProgramCommandLine line = ReadProgramCommandLine(c.args);
    EXPECT_EQ(line.start, c.start);
    EXPECT_EQ(line.status, c.status);
    EXPECT_NE(line.out.find(c.out), std::string::npos) << line.out;
    EXPECT_NE(line.err.find(c.err), std::string::npos) << line.err;
    EXPECT_TRUE(line.status == 0 ? line.err.empty() : line.out.empty());
  }
}

}  // namespace
}  // namespace tivrel
