// Every test of this folder runs against the private ALSA configuration, and
// leaves ALSA's configuration cache freed for the leak checker.
#pragma once

#include <alsa/asoundlib.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

namespace tivrel::alsa::testing {

inline const std::string kFixtures = TIVREL_ALSA_FIXTURES;
// The fixture machine: the kernel's /proc and /sys files of six cards.
inline const std::string kMachine = kFixtures + "/machine";

inline void QuietAlsa(const char*, int, const char*, int, const char*, ...) {}

class AlsaTestEnv : public ::testing::Environment {
 public:
  void SetUp() override {
    setenv("ALSA_CONFIG_PATH", TIVREL_ALSA_TEST_CONF, 1);
    unsetenv("TIVREL_TEST_CARD");
    unsetenv("ALSA_CARD");
    unsetenv("ALSA_PCM_CARD");
    // No sound server of the machine's own decides the tests' device 0.
    setenv("PULSE_SERVER", "unix:/nonexistent/tivrel-tests", 1);
    snd_lib_error_set_handler(QuietAlsa);
  }
  void TearDown() override { snd_config_update_free_global(); }
};

}  // namespace tivrel::alsa::testing
