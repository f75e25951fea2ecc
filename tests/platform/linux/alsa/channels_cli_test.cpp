// tivrel-channels heard through the tests' recorder: every frame it sends to
// hw:C,D lands in a file, and each announced step must sound on its channel
// alone, at its level, in the order the device's map gives.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cmath>
#include <csignal>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <nlohmann/json.hpp>
#include <sstream>
#include <thread>

#include "alsa_test_env.h"
#include "sound/test_signal.h"

namespace tivrel::alsa {
namespace {

namespace fs = std::filesystem;

struct Outcome {
  int status = -1;
  std::string out, err;
};

// Runs tivrel-channels with `env` added; with `interrupt`, sends SIGINT once
// the first announcement is out.
Outcome Channels(const std::vector<std::string>& args, const std::vector<std::string>& env,
                 bool interrupt = false) {
  int pipeOut[2];
  if (::pipe(pipeOut) != 0) return {};
  const fs::path errFile = fs::temp_directory_path() / ("channels-err-" + std::to_string(getpid()));
  const pid_t pid = ::fork();
  if (pid == 0) {
    ::dup2(pipeOut[1], 1);
    ::close(pipeOut[0]);
    if (!std::freopen(errFile.c_str(), "w", stderr)) ::_exit(126);
    for (const auto& e : env) ::putenv(const_cast<char*>(e.c_str()));
    std::vector<char*> argv{const_cast<char*>(TIVREL_CHANNELS_BIN)};
    for (const auto& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    ::alarm(30);  // a hang fails instead of stalling the suite
    ::execv(argv[0], argv.data());
    ::_exit(127);
  }
  ::close(pipeOut[1]);
  Outcome run;
  char buffer[4096];
  for (ssize_t n; (n = ::read(pipeOut[0], buffer, sizeof buffer)) > 0;) {
    run.out.append(buffer, static_cast<size_t>(n));
    if (interrupt && run.out.find('\n') != std::string::npos) {
      ::kill(pid, SIGINT);
      interrupt = false;
    }
  }
  ::close(pipeOut[0]);
  int status = 0;
  ::waitpid(pid, &status, 0);
  run.status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
  std::ifstream in(errFile);
  run.err.assign(std::istreambuf_iterator<char>(in), {});
  fs::remove(errFile);
  return run;
}

// The recording as floats per channel, with "FORMAT CHANNELS RATE".
struct Recording {
  std::string format;
  unsigned channels = 0;
  bool closed = false;
  std::vector<std::vector<float>> samples;
};

Recording Listen(const fs::path& file) {
  Recording r;
  std::ifstream info(file.string() + ".format");
  unsigned rate = 0;
  std::string word;
  info >> r.format >> r.channels >> rate >> word;
  r.closed = word == "closed";
  std::ifstream raw(file, std::ios::binary);
  const std::string bytes((std::istreambuf_iterator<char>(raw)), {});
  const size_t width = r.format == "S16_LE" ? 2 : 4;
  r.samples.resize(r.channels);
  for (size_t at = 0; r.channels && at + width <= bytes.size(); at += width) {
    int32_t v = 0;
    std::memcpy(&v, bytes.data() + at, width);
    if (width == 2) v = static_cast<int16_t>(v);
    r.samples[(at / width) % r.channels].push_back(v / (width == 2 ? 32768.0f : 2147483648.0f));
  }
  return r;
}

// A machine whose hw:1,0 is the recorder configured by `device`: the
// environment that runs tivrel-channels on it, recording into dir/record.raw.
std::vector<std::string> Device(const fs::path& dir, const std::string& device) {
  const fs::path conf = dir / "alsa.conf";
  fs::remove(dir / "record.raw");
  std::ofstream(conf) << "pcm_type.tivrel_recorder { lib \"" TIVREL_RECORDER_PLUGIN "\" }\n"
                      << "pcm.hw { @args [ CARD DEV SUBDEV ] @args.CARD { type string } "
                         "@args.DEV { type integer } @args.SUBDEV { type integer default -1 } "
                         "type tivrel_recorder card $CARD device $DEV }\n"
                      << "defaults.pcm.card 1\n"
                      << "tivrel_recorder.1.0 { "
                      << (device.find("formats") == 0 ? ""
                                                      : "formats [ S32_LE ] rates [ 44100 48000 ] ")
                      << device << " }\n";
  return {"ALSA_CONFIG_PATH=" + conf.string(),
          "TIVREL_TEST_RECORD=" + (dir / "record.raw").string(),
          "TIVREL_ALSA_ROOT=" + testing::kMachine, "PULSE_SERVER=unix:/nonexistent"};
}

// Checks each step of the JSON document in the recording, whose frame
// `offset` is the stream's first: energy at the document's level on the
// step's channel (unless `levelled` is false) and digital silence on every
// other. The walk as "channel:position ..."; the announcements' lines.
std::string CheckSteps(const nlohmann::json& doc, const Recording& heard, size_t offset,
                       bool levelled, std::string& announced) {
  std::string walk;
  for (const auto& step : doc["steps"]) {
    const unsigned channel = step["channel"];
    walk +=
        (walk.empty() ? "" : " ") + std::to_string(channel) + ":" + std::string(step["position"]);
    announced += std::to_string(channel) + " " + std::string(step["chinese"]) + " " +
                 std::string(step["english"]) + "\n";
    const size_t start = offset + size_t{step["start"]}, end = offset + size_t{step["end"]};
    if (heard.samples.empty() || end > heard.samples[0].size()) {
      ADD_FAILURE() << "step " << walk << " was not heard whole";
      break;
    }
    for (unsigned k = 0; k < heard.channels; ++k) {
      const std::span<const float> part(heard.samples[k].data() + start, end - start);
      if (k + 1 == channel && levelled) {
        EXPECT_NEAR(sound::RmsDbfs(part), double(doc["level_dbfs"]), 1.0) << walk;
      } else if (k + 1 != channel) {
        EXPECT_EQ(sound::RmsDbfs(part), -INFINITY) << walk << " channel " << k + 1;
      }
    }
  }
  return walk;
}

struct Case {
  const char* name;
  const char* device;  // the recorder's tivrel_recorder.1.0 entry
  std::vector<std::string> args;
  std::string walk;  // "channel:position ..." as announced
  int status = 0;
  const char* error = "";  // in standard error
  std::vector<std::string> env = {};
};

// Maps of 2 to 8 channels, the HDA and the Windows 6-channel order among them.
const std::vector<Case> kCases = {
    {"hda 6",
     "channels [ 6 6 ] chmaps [ \"FL,FR,RL,RR,FC,LFE\" ]",
     {"-D", "hw:1,0"},
     "1:FL 5:FC 2:FR 4:RR 3:RL 6:LFE"},
    {"windows 6",
     "channels [ 2 8 ] chmaps [ \"FL,FR,FC,LFE,RL,RR\" ]",
     {"-Dhw:1,0", "-c", "6"},
     "1:FL 3:FC 2:FR 6:RR 5:RL 4:LFE"},
    {"stereo",
     "channels [ 2 8 ] chmaps [ \"FL,FR\" \"FL,FR,RL,RR\" ]",
     {"-c2", "-t", "sine"},
     "1:FL 2:FR"},
    {"quad twice",
     "channels [ 4 4 ] chmaps [ \"FL,FR,RL,RR\" ]",
     {"--loops=2", "-D", "PCH"},
     "1:FL 2:FR 4:RR 3:RL 1:FL 2:FR 4:RR 3:RL"},
    {"7.1",
     "channels [ 8 8 ] chmaps [ \"FL,FR,RL,RR,FC,LFE,SL,SR\" ]",
     {"--level=-30"},
     "1:FL 5:FC 2:FR 8:SR 4:RR 3:RL 7:SL 6:LFE"},
    {"no map",
     "channels [ 4 4 ]",
     {"-s", "3", "--signal=sine", "-f", "440"},
     "3:RL",
     0,
     "states no channel map"},
    {"16-bit, one channel",
     "formats [ S16_LE ] channels [ 2 2 ] rates [ 48000 48000 ] chmaps [ \"FR,FL\" ]",
     {"-s2"},
     "2:FL"},
    {"write fails",
     "channels [ 2 2 ] chmaps [ \"FL,FR\" ]",
     {},
     "1:FL",
     2,
     "hw:1,0: snd_pcm_writei failed: Input/output error (-5)",
     {"TIVREL_TEST_FAIL_AFTER=9000"}},
    {"no such channel", "channels [ 2 2 ]", {"-s", "3"}, "", 64, "not among"},
    {"pink noise would clip",
     "channels [ 2 2 ]",
     {"--level=0"},
     "",
     64,
     "a level of 0 dBFS would clip this signal"},
};

TEST(ChannelsCli, EachStepSoundsOnItsChannelAlone) {
  const fs::path dir = fs::temp_directory_path() / ("channels-" + std::to_string(getpid()));
  fs::create_directories(dir);
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.name);
    const fs::path record = dir / "record.raw";
    std::vector<std::string> env = Device(dir, c.device);
    env.insert(env.end(), c.env.begin(), c.env.end());
    std::vector<std::string> args = c.args;
    args.insert(args.end(), {"--seconds", "0.25", "--json"});
    const Outcome run = Channels(args, env);
    EXPECT_EQ(run.status, c.status) << run.err;
    EXPECT_NE(run.err.find(c.error), std::string::npos) << run.err;
    if (c.status == 64) continue;
    const auto doc = nlohmann::json::parse(run.out);
    EXPECT_TRUE(Listen(record).closed);
    std::string announced;
    const std::string walk = CheckSteps(doc, Listen(record), 0, c.status == 0, announced);
    EXPECT_EQ(walk, c.walk);
    // Whatever the device offers (the recorder takes buffers of seconds).
    EXPECT_LE(size_t{doc["buffer_frames"]}, size_t{doc["rate"]} / 2);
    EXPECT_NE(run.err.find(announced), std::string::npos) << run.err;
    EXPECT_EQ(doc["completed"], c.status == 0);
  }
  fs::remove_all(dir);
}

TEST(ChannelsCli, CtrlCStopsAndClosesTheDevice) {
  const fs::path dir = fs::temp_directory_path() / ("channels-int-" + std::to_string(getpid()));
  fs::create_directories(dir);
  const auto env = Device(dir, "channels [ 6 6 ] chmaps [ \"FL,FR,RL,RR,FC,LFE\" ]");
  const Outcome run = Channels({"--seconds=5"}, env, true);
  EXPECT_EQ(run.status, 130) << run.err;
  const Recording heard = Listen(dir / "record.raw");
  EXPECT_TRUE(heard.closed);
  // What was queued when the signal came, and no more than a period after it.
  EXPECT_LT(heard.samples.at(0).size(), 48000u / 2);
  fs::remove_all(dir);
}

}  // namespace
}  // namespace tivrel::alsa

namespace tivrel::alsa {
namespace {

// A PulseAudio of Debian's whose one sink is the recorder on hw:1,0, in the
// HDA 6-channel order, and whose socket is dir/run/pulse/native; its
// process once that socket answers, else -1.
pid_t StartPulse(const fs::path& dir, const std::vector<std::string>& env) {
  const std::string path = (dir / "run/pulse/native").string();
  const std::vector<std::string> args = {
      "pulseaudio",
      "-n",
      "--daemonize=no",
      "--realtime=no",
      "--exit-idle-time=-1",
      "--log-target=stderr",
      "-Lmodule-alsa-sink device=hw:1,0 sink_name=speakers mmap=0 tsched=0 rate=48000 "
      "format=s32le channels=6 "
      "channel_map=front-left,front-right,rear-left,rear-right,front-center,lfe",
      "-Lmodule-native-protocol-unix auth-anonymous=1 socket=" + path};
  std::vector<char*> argv, envp;
  for (const auto& a : args) argv.push_back(const_cast<char*>(a.c_str()));
  for (const auto& e : env) envp.push_back(const_cast<char*>(e.c_str()));
  argv.push_back(nullptr), envp.push_back(nullptr);
  posix_spawn_file_actions_t files;
  posix_spawn_file_actions_init(&files);
  posix_spawn_file_actions_addopen(&files, 2, (dir / "log").c_str(), O_WRONLY | O_CREAT, 0600);
  pid_t server = -1;
  const int failed = posix_spawnp(&server, "pulseaudio", &files, nullptr, argv.data(), envp.data());
  posix_spawn_file_actions_destroy(&files);
  if (failed) return -1;
  // A bound that catches a server that never answers, not a slow one.
  const auto bound = std::chrono::steady_clock::now() + std::chrono::seconds(20);
  while (std::system(("pactl --server=unix:" + path + " info >/dev/null 2>&1").c_str()) != 0) {
    if (std::chrono::steady_clock::now() > bound || ::waitpid(server, nullptr, WNOHANG) == server)
      return -1;
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  return server;
}

// A real PulseAudio holds the 6-channel recorder as its sink; the same
// command goes through it, and the sink's recording shows
// the same steps.
TEST(ChannelsCli, ThroughTheSoundServerThatHoldsTheDevice) {
  ASSERT_EQ(std::system("command -v pulseaudio pactl >/dev/null"), 0) << "run scripts/setup.sh";
  const fs::path dir = fs::temp_directory_path() / ("channels-pulse-" + std::to_string(getpid()));
  for (const char* sub : {"home", "run/pulse"}) fs::create_directories(dir / sub);
  std::vector<std::string> env = Device(dir, "channels [ 6 6 ] chmaps [ \"FL,FR,RL,RR,FC,LFE\" ]");
  const std::string socket = "unix:" + (dir / "run/pulse/native").string();
  env.insert(env.end(),
             {"HOME=" + (dir / "home").string(), "XDG_RUNTIME_DIR=" + (dir / "run").string(),
              "XDG_CONFIG_HOME=" + (dir / "home").string(), "PATH=" + std::string(getenv("PATH"))});
  const pid_t server = StartPulse(dir, env);
  ASSERT_GT(server, 0);
  env.push_back("PULSE_SERVER=" + socket);  // the later of two settings wins
  const Outcome run = Channels({"-D", "hw:1,0", "--json", "--seconds=0.25"}, env);
  ::kill(server, SIGTERM);
  ::waitpid(server, nullptr, 0);
  EXPECT_EQ(run.status, 0) << run.err;
  EXPECT_NE(run.err.find("hw:1,0 is held by the sound server: playing through its sink speakers"),
            std::string::npos)
      << run.err;
  const auto doc = nlohmann::json::parse(run.out, nullptr, false);
  ASSERT_FALSE(doc.is_discarded()) << run.out;
  EXPECT_EQ(doc["path"], "server");
  // The stream as the sink played it, without the silence of the sink's
  // own (before, after, and where the server ran dry).
  Recording heard = Listen(dir / "record.raw"), stream = heard;
  for (auto& channel : stream.samples) channel.clear();
  for (size_t i = 0; !heard.samples.empty() && i < heard.samples[0].size(); ++i) {
    bool silent = true;
    for (const auto& channel : heard.samples) silent = silent && channel[i] == 0;
    for (unsigned k = 0; k < heard.channels && !silent; ++k)
      stream.samples[k].push_back(heard.samples[k][i]);
  }
  std::string announced;
  EXPECT_EQ(CheckSteps(doc, stream, 0, true, announced), "1:FL 5:FC 2:FR 4:RR 3:RL 6:LFE");
  EXPECT_NE(run.err.find(announced), std::string::npos) << run.err;
  fs::remove_all(dir);
}

}  // namespace
}  // namespace tivrel::alsa
