#include "cli/channels_options.h"

#include <gtest/gtest.h>

#include "sound/channel_position.h"

namespace tivrel {
namespace {

// Options in either spelling; values out of range refused with the option
// named, wherever they stand.
TEST(ChannelsOptions, ReadsEachSpellingAndRefusesWhatCannotPlay) {
  struct Case {
    std::vector<std::string> args;
    std::string
        read;  // device channels channel sine frequency loops seconds level json; or the error
  };
  const Case cases[] = {
      {{}, "0 0 0 pink 1000 1 2 -18 0"},
      {{"-Dhw:1,0", "-c6", "-s", "3", "-tsine", "-f", "440", "-l2", "--seconds=0.5", "--level",
        "-30", "-j"},
       "hw:1,0 6 3 sine 440 2 0.5 -30 1"},
      {{"--device", "PCH", "--channels=8", "--signal", "pink", "--json", "--loops", "3"},
       "PCH 8 0 pink 1000 3 2 -18 1"},
      {{"-V", "--help"}, "version"},
      {{"-c", "0"}, "invalid value '0' for --channels"},
      {{"-s9", "-c8"}, "channel 9 is not among 8 channels"},
      {{"-t", "white"}, "invalid value 'white' for --signal"},
      {{"--level=3"}, "invalid value '3' for --level"},
      {{"--seconds", "nan"}, "invalid value 'nan' for --seconds"},
      {{"--json=1"}, "option '--json' takes no value"},
      {{"-D"}, "option '-D' needs a value"},
      {{"--device="}, "invalid value '' for --device"},
      {{"--help", "-x"}, "unknown option '-x'"},
      {{"hw:1,0"}, "unexpected argument 'hw:1,0'"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::PrintToString(c.args));
    std::string error, read;
    if (const auto o = ParseChannelsOptions(c.args, error)) {
      std::ostringstream s;
      s << o->device.value_or("0") << " " << o->channels << " " << o->channel << " "
        << (o->signal.kind == sound::SignalKind::kSine ? "sine " : "pink ") << o->signal.frequency
        << " " << o->loops << " " << o->seconds << " " << o->signal.levelDbfs << " " << o->json;
      read = o->mode == ChannelsOptions::Mode::kVersion ? "version" : s.str();
    }
    EXPECT_EQ(read.empty() ? error : read, c.read);
  }
}

// The walk round the room of each Windows speaker set-up, from its mask.
TEST(ChannelsOptions, WalksEveryWindowsSpeakerSetUpFromFrontLeft) {
  struct Case {
    uint32_t mask;
    unsigned channels;
    std::string walk;
  };
  const Case cases[] = {
      {0x4, 1, "MONO"},                         // mono
      {0x3, 2, "FL FR"},                        // stereo
      {0x33, 4, "FL FR RR RL"},                 // quad
      {0x107, 4, "FL FC FR RC"},                // surround
      {0x3F, 6, "FL FC FR RR RL LFE"},          // 5.1 (back)
      {0x60F, 6, "FL FC FR SR SL LFE"},         // 5.1 (side)
      {0x63F, 8, "FL FC FR SR RR RL SL LFE"},   // 7.1 (surround)
      {0xFF, 8, "FL FLC FC FRC FR RR RL LFE"},  // 7.1 (wide)
      {0x3, 3, "FL FR UNKNOWN"},                // a channel beyond the mask
      {0x3F, 2, "FL FR"},                       // fewer channels than the mask
  };
  for (const Case& c : cases) {
    const auto positions = sound::PositionsOfMask(c.mask, c.channels);
    std::string walk;
    for (const unsigned k : sound::WalkOrder(positions)) {
      walk += (walk.empty() ? "" : " ") + std::string(sound::NameOf(positions[k]).abbrev);
    }
    EXPECT_EQ(walk, c.walk) << std::hex << c.mask;
  }
}

}  // namespace
}  // namespace tivrel
