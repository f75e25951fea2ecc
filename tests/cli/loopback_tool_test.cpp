// tivrel-loopback's run over a chain simulated in place of the devices.
#include "cli/loopback_tool.h"

#include <gtest/gtest.h>

#include "support/analog_chain.h"

namespace tivrel {
namespace {

class ChainIo final : public DuplexIo {
 public:
  tivrel_chain_params chain{
      .delay_frames = 80.5, .gain_db = -7, .noise_dbfs = -110, .crosstalk_db = -300, .bits = 24};
  DuplexOutcome::Status status = DuplexOutcome::Status::Done;
  std::size_t recorded = 0;
  DuplexOutcome PlayAndCapture(const DuplexRequest& r, std::vector<float>& capture) override {
    const std::vector<float> play = r.signal(r.rates.front());
    capture.resize(play.size());
    static tivrel_chain state;
    tivrel_chain_init(&state, &chain, r.rates.front(), 3);
    for (bool going = true; going && recorded < play.size() / 2; recorded += 4800) {
      const std::size_t n = std::min<std::size_t>(4800, play.size() / 2 - recorded);
      tivrel_chain_run(&state, &play[2 * recorded], &capture[2 * recorded], n);
      going = r.keep_going(recorded + n);
    }
    return {.status = status,
            .error = "hw:9,0: refused",
            .output_name = "out",
            .input_name = "in",
            .format = "S32_LE"};
  }
};

struct Case {
  std::vector<std::string> args;
  void (*set)(ChainIo&);
  int code;
  const char* out;  // in standard output
  const char* err;  // in standard error
};

TEST(LoopbackTool, RunsAndExits) {
  const auto none = [](ChainIo&) {};
  const Case cases[] = {
      {{"--rate=44100", "-F", "S16_LE", "-Dhw:1,0", "--capture", "2"},
       none,
       0,
       "串扰 Crosstalk",
       ""},
      {{"--json", "--level=-6"}, none, 0, "\"thd_db\"", ""},
      {{"--json"},
       [](ChainIo& io) { io.chain.disconnected = 1; },
       1,
       "\"loopback\": false",
       "connect the output"},
      {{"-j"}, [](ChainIo& io) { io.chain.gain_db = 6; }, 1, "\"clipped\"", "input clipped"},
      {{},
       [](ChainIo& io) { io.chain.swap = 1, io.chain.invert = 1; },
       0,
       "左右互换 swapped",
       "polarity is inverted"},
      {{},
       [](ChainIo& io) { io.status = DuplexOutcome::Status::Failed; },
       2,
       "",
       "hw:9,0: refused"},
      {{}, [](ChainIo& io) { io.status = DuplexOutcome::Status::NoSuchDevice; }, 64, "", "refused"},
      {{"--level=3"}, none, 64, "", "invalid level '3'"},
      {{"-F", "U8"}, none, 64, "", "invalid format"},
      {{"-r"}, none, 64, "", "needs a rate"},
      {{"-r", "8000"}, none, 64, "", "invalid rate"},
      {{"--plot=/nonexistent/x.svg"}, none, 74, "", "plot could not be written"},
      {{"--version", "--help"}, none, 0, "tivrel-loopback ", ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::PrintToString(c.args));
    ChainIo io;
    c.set(io);
    std::string out, err;
    EXPECT_EQ(RunLoopbackTool(c.args, io, out, err), c.code) << err;
    EXPECT_TRUE(io.recorded == 0 || (io.recorded < 96000) == (c.code == 1))
        << "a fatal check ends within 2 s";
    EXPECT_NE(out.find(c.out), std::string::npos) << out;
    EXPECT_NE(err.find(c.err), std::string::npos) << err;
  }
}

}  // namespace
}  // namespace tivrel
