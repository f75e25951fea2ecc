// The sound server's default sink: the ALSA device of real sinks' properties,
// and a real PulseAudio server of the tests' own asked through libpulse.
#include "platform/linux/alsa/sound_server.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <future>
#include <iterator>
#include <thread>

#include "alsa_test_env.h"
#include "platform/linux/alsa/device_list.h"

extern char** environ;

namespace tivrel::alsa {
namespace {

namespace fs = std::filesystem;
using Properties = std::map<std::string, std::string>;

// Each set as the server lists it, cut to what names a device. -1: no device.
TEST(AlsaDeviceOfSink, PropertiesOfRealSinks) {
  const std::vector<CardEntry> cards = {{0, "HDMI", "HDA ATI HDMI", "HDA-Intel"},
                                        {2, "sofhdadsp", "sof-hda-dsp", "sof-hda-dsp"}};
  const struct {
    const char* what;
    Properties properties;
    int card, device;
  } cases[] = {
      // clang-format off
      {"PulseAudio, module-alsa-card's analog output",
       {{"device.api", "alsa"}, {"alsa.card", "1"}, {"alsa.device", "0"},
        {"device.string", "front:1"}}, 1, 0},
      {"PulseAudio, HDMI: the string counts outputs, alsa.device is the PCM",
       {{"device.api", "alsa"}, {"alsa.card", "0"}, {"alsa.device", "3"},
        {"device.string", "hdmi:CARD=HDMI,DEV=0"}}, 0, 3},
      {"the same HDMI string alone",
       {{"device.api", "alsa"}, {"device.string", "hdmi:CARD=HDMI,DEV=0"}}, -1, -1},
      {"PulseAudio, module-alsa-sink device=hw:1,0 over a plugin PCM, which has no card",
       {{"device.api", "alsa"}, {"alsa.id", "hw:1,0"}, {"alsa.device", "0"},
        {"device.string", "hw:1,0"}}, 1, 0},
      {"PulseAudio with UCM on SOF: the card by its id",
       {{"device.api", "alsa"}, {"alsa.card", "2"}, {"device.string", "hw:sofhdadsp,4"}}, 2, 4},
      {"PipeWire's pulse server, analog output",
       {{"device.api", "alsa"}, {"alsa.card", "0"}, {"alsa.device", "0"},
        {"api.alsa.path", "front:0"}, {"object.path", "alsa:pcm:0:front:0:playback"}}, 0, 0},
      {"PipeWire's pulse server with UCM: the path names the card only",
       {{"device.api", "alsa"}, {"alsa.card", "1"}, {"alsa.device", "0"},
        {"api.alsa.open.ucm", "true"}, {"api.alsa.path", "hw:Generic"}}, 1, 0},
      {"PipeWire, Bluetooth",
       {{"device.api", "bluez5"}, {"device.string", "00:1B:66:C0:FF:EE"},
        {"api.bluez5.address", "00:1B:66:C0:FF:EE"}}, -1, -1},
      {"PulseAudio, Bluetooth",
       {{"device.api", "bluez"}, {"device.string", "00:1B:66:C0:FF:EE"},
        {"bluez.path", "/org/bluez/hci0/dev_00_1B_66_C0_FF_EE"}}, -1, -1},
      {"null sink", {{"device.description", "Null Output"}, {"device.class", "abstract"}}, -1, -1},
      {"tunnel sink",
       {{"device.description", "Null Output on root@vm"}, {"tunnel.remote.server", "unix:/x"},
        {"tunnel.remote.sink", "alsa_output.pci-0000_00_1b.0.analog-stereo"}}, -1, -1},
      {"the path before the string; bad alsa.* fall through to them",
       {{"device.api", "alsa"}, {"alsa.card", "1"}, {"alsa.device", "x"},
        {"api.alsa.path", "hw:0,7"}, {"device.string", "hw:1,0"}}, 0, 7},
      // clang-format on
  };
  for (const auto& c : cases) {
    EXPECT_EQ(AlsaDeviceOfSink(c.properties, cards).value_or(std::pair(-1, -1)),
              std::pair(c.card, c.device))
        << c.what;
  }
}

TEST(AlsaDeviceOfSink, PcmNames) {
  // -1: no device.
  const struct {
    const char* pcm;
    int card, device;
  } cases[] = {
      // clang-format off
      {"hw:1", 1, 0}, {"hw:CARD=PCH,DEV=2", 1, 2}, {"hw:DEV=2,CARD=1", 1, 2}, {"hw:PCH,3,0", 1, 3},
      {"hw:\"PCH\",1", 1, 1}, {"plughw:CARD=1,DEV=3", 1, 3}, {"dmix:CARD=PCH,DEV=0", 1, 0},
      {"front:CARD=PCH,DEV=0", 1, 0}, {"sysdefault:CARD=PCH", 1, 0}, {"default:CARD=PCH", 1, 0},
      {"surround51:1", 1, 0}, {" hw:1,0\n", 1, 0}, {"_ucm0001.hw:PCH,1", 1, 1},
      {"hw", -1, -1}, {"hw:", -1, -1}, {"hw:DEV=1", -1, -1}, {"hw:Nope,0", -1, -1},
      {"hw:1,x", -1, -1}, {"hw:-1,0", -1, -1}, {"hw:1,99999999999", -1, -1},
      {"hdmi:1,1", -1, -1}, {"iec958:1", -1, -1}, {"pulse", -1, -1}, {"plug:hw:1,0", -1, -1},
      {"bluealsa:DEV=00:1B:66:C0:FF:EE", -1, -1},
      // clang-format on
  };
  for (const auto& c : cases) {
    const auto device = AlsaDeviceOfSink({{"device.api", "alsa"}, {"device.string", c.pcm}},
                                         {{1, "PCH", "HDA Intel PCH", "HDA-Intel"}});
    EXPECT_EQ(device.value_or(std::pair(-1, -1)), std::pair(c.card, c.device)) << c.pcm;
  }
}

// A PulseAudio server of Debian's in a folder of its own: a sink on the tests'
// hw:3,0 (the fixture machine's free USB headset), a null sink, and its socket,
// which it opens last, when both sinks are there. The tests ask it, and any
// socket of theirs, through PULSE_SERVER.
class PulseServer : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = fs::temp_directory_path() / ("tivrel-pulse-" + std::to_string(::getpid()));
    for (const char* tool : {"pulseaudio", "pactl"}) {
      ASSERT_EQ(std::system(("command -v " + std::string(tool) + " >/dev/null").c_str()), 0)
          << tool << " is missing: run scripts/setup.sh";
    }
    fs::remove_all(dir_);
    // The server, pactl and libpulse in this process keep their files (the
    // cookie among them) in the test's folder, never in the user's home.
    for (const char* sub : {"home", "run/pulse", "config"}) fs::create_directories(dir_ / sub);
    Set("HOME", dir_ / "home");
    Set("XDG_RUNTIME_DIR", dir_ / "run");
    Set("XDG_CONFIG_HOME", dir_ / "config");
    Set("PULSE_SERVER", "unix:" + Socket().string());
  }
  void TearDown() override {
    Stop();
    Restore(0);
    fs::remove_all(dir_);
  }
  // Newest first, so that a variable set twice gets its first value back.
  void Restore(size_t mark) {
    for (; saved_.size() > mark; saved_.pop_back()) {
      const auto& [name, value] = saved_.back();
      value ? setenv(name.c_str(), value->c_str(), 1) : unsetenv(name.c_str());
    }
  }
  // Where libpulse looks for the user's own server: the runtime folder.
  fs::path Socket() const { return dir_ / "run/pulse/native"; }
  void Set(const std::string& name, const std::string& value) {
    Unset(name);
    setenv(name.c_str(), value.c_str(), 1);
  }
  void Unset(const std::string& name) {
    const char* old = std::getenv(name.c_str());
    saved_.emplace_back(name, old ? std::optional<std::string>(old) : std::nullopt);
    unsetenv(name.c_str());
  }

  // Starts the server and waits until its socket answers; false when it ends
  // or does not answer in a time that only a hang exceeds.
  bool Start() {
    const std::string args[] = {
        "pulseaudio",
        "-n",
        "--daemonize=no",
        "--realtime=no",
        "--high-priority=no",
        "--exit-idle-time=-1",
        "--system=no",
        "--log-target=stderr",
        "-Lmodule-alsa-sink device=hw:3,0 sink_name=headset",
        "-Lmodule-alsa-source device=hw:3,0 source_name=microphone",
        "-Lmodule-null-sink sink_name=nothing",
        "-Lmodule-suspend-on-idle",
        "-Lmodule-native-protocol-unix auth-anonymous=1 socket=" + Socket().string()};
    std::vector<char*> argv;
    for (const auto& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    posix_spawn_file_actions_t files;
    posix_spawn_file_actions_init(&files);
    posix_spawn_file_actions_addopen(&files, 1, (dir_ / "log").c_str(),
                                     O_WRONLY | O_CREAT | O_TRUNC, 0600);
    posix_spawn_file_actions_adddup2(&files, 1, 2);
    const int failed = posix_spawnp(&pid_, "pulseaudio", &files, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&files);
    if (failed) return false;
    const auto bound = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (std::chrono::steady_clock::now() < bound) {
      if (::waitpid(pid_, nullptr, WNOHANG) == pid_) {
        pid_ = -1;
        return false;
      }
      if (AskSoundServer()) return true;
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return false;
  }
  void Stop() {
    if (pid_ <= 0) return;
    ::kill(pid_, SIGTERM);
    ::waitpid(pid_, nullptr, 0);
    pid_ = -1;
  }
  std::string Log() const {
    std::ifstream in(dir_ / "log");
    return std::string(std::istreambuf_iterator<char>(in), {});
  }
  int Pactl(const std::string& args) const {
    return std::system(
        ("pactl --server='unix:" + Socket().string() + "' " + args + " >/dev/null 2>&1").c_str());
  }

  fs::path dir_;
  pid_t pid_ = -1;
  std::vector<std::pair<std::string, std::optional<std::string>>> saved_;
};

// The fixture machine's device 0 and the rule that chose it.
using Choice = std::pair<std::string, Device0Rule>;
Choice Device0(Direction stream = Direction::kPlayback) {
  const DeviceList list = ListCardDevices({testing::kMachine, stream});
  return {list.devices.at(0).HwName() + " " + list.why, list.rule};
}

TEST_F(PulseServer, DefaultSinkDecidesDevice0) {
  ASSERT_TRUE(Start()) << Log();
  const auto headset = AskSoundServer();
  ASSERT_TRUE(headset);
  EXPECT_EQ(headset->server.rfind("pulseaudio ", 0), 0u) << headset->server;
  EXPECT_EQ(*headset, (ServerDefault{headset->server, "headset", 3, 0}));
  EXPECT_EQ(Device0(), Choice("hw:3,0 headset", Device0Rule::kSoundServer));
  // Without PULSE_SERVER, found where libpulse itself looks.
  Unset("PULSE_SERVER");
  Unset("DISPLAY");
  EXPECT_EQ(AskSoundServer(), headset);
  Set("PULSE_SERVER", "unix:" + Socket().string());
  // The default source decides the first input as the default sink the first output.
  const auto capture = Direction::kCapture;
  ASSERT_EQ(Pactl("set-default-source microphone"), 0);
  EXPECT_EQ(AskSoundServer(std::chrono::milliseconds(200), "/", capture),
            (ServerDefault{headset->server, "microphone", 3, 0}));
  EXPECT_EQ(Device0(capture), Choice("hw:3,0 microphone", Device0Rule::kSoundServer));
  // Not a device: the next rule's choice, the analog output of card 1; a
  // sink's monitor is no input.
  ASSERT_EQ(Pactl("set-default-sink nothing"), 0);
  ASSERT_EQ(Pactl("set-default-source nothing.monitor"), 0);
  EXPECT_EQ(AskSoundServer(), (ServerDefault{headset->server, "nothing", -1, -1}));
  EXPECT_EQ(AskSoundServer(std::chrono::milliseconds(200), "/", capture),
            (ServerDefault{headset->server, "nothing.monitor", -1, -1}));
  EXPECT_EQ(Device0(), Choice("hw:1,0 ", Device0Rule::kFirstNotHdmi));
  EXPECT_EQ(Device0(capture), Choice("hw:1,0 ", Device0Rule::kFirstNotHdmi));
  Stop();
  EXPECT_EQ(AskSoundServer(), std::nullopt) << "the server gone";
  EXPECT_EQ(Device0(), Choice("hw:1,0 ", Device0Rule::kFirstNotHdmi));
}

TEST_F(PulseServer, SocketThatNeverSpeaks) {
  // Accepts connections (the kernel does, into the backlog) and never answers.
  const int listener = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
  ASSERT_GE(listener, 0);
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  const std::string path = (dir_ / "silent").string();
  ASSERT_LT(path.size(), sizeof address.sun_path);
  path.copy(address.sun_path, path.size());
  ASSERT_EQ(::bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
  ASSERT_EQ(::listen(listener, 8), 0);
  Set("PULSE_SERVER", "unix:" + path);
  const auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(AskSoundServer(std::chrono::milliseconds(200)), std::nullopt);
  // A bound that catches a hang, not slowness.
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
  ::close(listener);
}

// However the session names the server's folders, it is found where libpulse
// looks; whatever libpulse reads (a FIFO never written), the question ends.
// Asked on a thread of the test's, so that a hang fails instead of hanging.
TEST_F(PulseServer, FoundWhereLibpulseLooksAndNeverHeldUp) {
  ASSERT_TRUE(Start()) << Log();
  const auto headset = AskSoundServer();
  ASSERT_TRUE(headset);
  const fs::path fifo = dir_ / "fifo", conf = dir_ / "config/pulse/client.conf";
  fs::create_directories(conf.parent_path());
  const struct {
    const char* what;
    std::vector<std::pair<std::string, std::string>> set;  // "": unset
    fs::path fifo;
  } cases[] = {
      {"both runtime variables",
       {{"PULSE_SERVER", ""}, {"DISPLAY", ""}, {"PULSE_RUNTIME_PATH", (dir_ / "run/pulse")}}},
      {"the cookie a FIFO", {{"PULSE_COOKIE", fifo}}, fifo},
      {"PULSE_CLIENTCONFIG a FIFO", {{"PULSE_CLIENTCONFIG", fifo}}, fifo},
      {"the user's client.conf a FIFO", {}, conf},
  };
  for (const auto& c : cases) {
    const size_t mark = saved_.size();
    for (const auto& [name, value] : c.set) value.empty() ? Unset(name) : Set(name, value);
    if (!c.fifo.empty()) {
      ASSERT_EQ(::mkfifo(c.fifo.c_str(), 0600), 0) << c.what;
    }
    auto asked = std::make_shared<std::promise<std::optional<ServerDefault>>>();
    std::thread([asked] { asked->set_value(AskSoundServer()); }).detach();
    auto answer = asked->get_future();
    ASSERT_EQ(answer.wait_for(std::chrono::seconds(5)), std::future_status::ready) << c.what;
    if (c.fifo.empty()) {
      EXPECT_EQ(answer.get(), headset) << c.what;
      EXPECT_EQ(Device0(), Choice("hw:3,0 headset", Device0Rule::kSoundServer)) << c.what;
    } else {
      // An end of file for libpulse, still reading on a thread of its own.
      ::close(::open(c.fifo.c_str(), O_WRONLY | O_NONBLOCK | O_CLOEXEC));
      fs::remove(c.fifo);
    }
    Restore(mark);
  }
}

}  // namespace
}  // namespace tivrel::alsa
