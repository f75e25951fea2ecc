#include "platform/linux/qt/instance_lock.h"

#include <fcntl.h>
#include <grp.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstddef>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

namespace tivrel::qt {
namespace {

// A name of this test process's own: the user's real instances, and other
// runs of these tests, never meet it.
std::string TestName(const char* what) {
  return "tivrel.test." + std::to_string(::getpid()) + "." + what;
}

TEST(InstanceLock, SecondHolderIsRefusedUntilTheFirstIsGone) {
  const std::string name = TestName("order");
  auto first = std::make_unique<InstanceLock>(name, std::vector<std::string>{});
  EXPECT_TRUE(first->held());
  EXPECT_FALSE(first->AnotherRunning());
  {
    InstanceLock second(name, {});
    EXPECT_FALSE(second.held());
    EXPECT_TRUE(second.AnotherRunning());
  }
  // The refused one did not take the guard away from the first.
  InstanceLock third(name, {});
  EXPECT_TRUE(third.AnotherRunning());
  first.reset();
  // Nothing is left behind once the holder is gone.
  InstanceLock fourth(name, {});
  EXPECT_TRUE(fourth.held());
  EXPECT_FALSE(fourth.AnotherRunning());
}

TEST(InstanceLock, TheNameDependsOnTheUserOnly) {
  const std::string before = InstanceName();
  setenv("XDG_RUNTIME_DIR", "/nonexistent", 1);
  unsetenv("HOME");
  EXPECT_EQ(InstanceName(), before);
  EXPECT_NE(before.find(std::to_string(::geteuid())), std::string::npos);
}

socklen_t AbstractAddress(const std::string& name, sockaddr_un& address) {
  address = {};
  address.sun_family = AF_UNIX;
  std::memcpy(address.sun_path + 1, name.data(), name.size());
  return static_cast<socklen_t>(offsetof(sockaddr_un, sun_path) + 1 + name.size());
}

// What another local user can do with our name: anybody may bind any
// abstract name.
enum class Squat {
  kBoundOnly,  // bound, never listening
  kFullQueue,  // listening, its queue filled so that connecting fails
  kAccepting,  // listening and answering, as another user's own instance
};

// A squatter on the name in a child process; as another user (nobody) when
// the tests run as root, as this user otherwise.
class Squatter {
 public:
  Squatter(const std::string& name, Squat how, bool otherUser) {
    int ready[2];
    if (::pipe(ready) != 0) return;
    pid_ = ::fork();
    if (pid_ == 0) {
      ::close(ready[0]);
      if (otherUser && (::setgroups(0, nullptr) != 0 || ::setresgid(65534, 65534, 65534) != 0 ||
                        ::setresuid(65534, 65534, 65534) != 0)) {
        std::_Exit(1);
      }
      sockaddr_un address{};
      const socklen_t length = AbstractAddress(name, address);
      const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
      if (::bind(fd, reinterpret_cast<const sockaddr*>(&address), length) != 0) std::_Exit(1);
      if (how != Squat::kBoundOnly && ::listen(fd, how == Squat::kFullQueue ? 0 : 64) != 0)
        std::_Exit(1);
      std::vector<int> queued;
      while (how == Squat::kFullQueue) {
        const int c = ::socket(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK, 0);
        if (::connect(c, reinterpret_cast<const sockaddr*>(&address), length) != 0) break;
        queued.push_back(c);
      }
      (void)!::write(ready[1], "r", 1);
      for (;;) {
        const int c = how == Squat::kAccepting ? ::accept(fd, nullptr, nullptr) : -1;
        if (c >= 0) ::close(c);
        if (how != Squat::kAccepting) ::pause();
      }
    }
    ::close(ready[1]);
    char byte = 0;
    ready_ = ::read(ready[0], &byte, 1) == 1;
    ::close(ready[0]);
  }
  ~Squatter() {
    if (pid_ > 0) {
      ::kill(pid_, SIGKILL);
      ::waitpid(pid_, nullptr, 0);
    }
  }
  bool ready() const { return ready_; }

 private:
  pid_t pid_ = -1;
  bool ready_ = false;
};

// A folder for the guard that takes over from a squatted name, this test's own.
class Folder {
 public:
  Folder() {
    char path[] = "/tmp/tivrel-lock-test-XXXXXX";
    path_ = ::mkdtemp(path) ? path : "";
  }
  ~Folder() { std::filesystem::remove_all(path_); }
  const std::string& path() const { return path_; }

 private:
  std::string path_;
};

// Whatever someone else does with the name, one copy of ours starts, and a
// second one started beside it is refused; with the first gone, a new one
// starts. Another user only when the tests may change user (as root); the
// same user's squatter that never listens is no instance of ours either.
TEST(InstanceLock, ASquatterNeitherBlocksUsNorLetsTwoCopiesStart) {
  const bool root = ::geteuid() == 0;
  struct Case {
    Squat how;
    bool otherUser;
  };
  std::vector<Case> cases = {{Squat::kBoundOnly, false}};
  if (root) {
    cases.insert(cases.end(),
                 {{Squat::kBoundOnly, true}, {Squat::kFullQueue, true}, {Squat::kAccepting, true}});
  }
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "squat " << static_cast<int>(c.how)
                                    << (c.otherUser ? " as nobody" : " as this user"));
    const std::string name = TestName("squat") + std::to_string(static_cast<int>(c.how));
    Folder folder;
    Squatter squatter(name, c.how, c.otherUser);
    ASSERT_TRUE(squatter.ready());
    auto first = std::make_unique<InstanceLock>(name, std::vector{folder.path()});
    EXPECT_FALSE(first->AnotherRunning());
    EXPECT_TRUE(first->held());
    {
      InstanceLock second(name, std::vector{folder.path()});
      EXPECT_TRUE(second.AnotherRunning());
    }
    first.reset();
    InstanceLock third(name, std::vector{folder.path()});
    EXPECT_FALSE(third.AnotherRunning());
  }
  if (!root) GTEST_SKIP() << "another user's squatter needs root to change user";
}

// The folder of the stand-in guard is taken only when it is ours alone:
// one that others may write in, or another user's, is passed over.
TEST(InstanceLock, TheStandInGuardTakesOnlyAFolderOfOurOwn) {
  const std::string name = TestName("folders");
  Folder shared, ours;
  ASSERT_EQ(::chmod(shared.path().c_str(), 01777), 0);
  Squatter squatter(name, Squat::kBoundOnly, false);
  ASSERT_TRUE(squatter.ready());
  const std::vector<std::string> folders = {shared.path(), ours.path() + "/made"};
  InstanceLock first(name, folders);
  EXPECT_TRUE(first.held());
  struct stat made {};
  ASSERT_EQ(::stat((ours.path() + "/made").c_str(), &made), 0);
  EXPECT_EQ(made.st_mode & 0777, 0700u);
  EXPECT_TRUE(std::filesystem::is_empty(shared.path()));
  InstanceLock second(name, folders);
  EXPECT_TRUE(second.AnotherRunning());
}

// When no folder of the list can hold the stand-in (another user made it,
// others may write in it, it does not exist), one of our own is made beside
// the squatter's, under a folder anyone may write in as /tmp: not one that
// someone else made under the same name, nor a link to somewhere else.
TEST(InstanceLock, WithoutAFolderOfOurOwnOneIsMade) {
  const bool root = ::geteuid() == 0;
  const std::string name = TestName("made");
  Folder under, theirs, ours;
  ASSERT_EQ(::chmod(under.path().c_str(), 01777), 0);
  const std::string decoy = under.path() + "/" + name + ".0000000000000000.1";
  ASSERT_EQ(::mkdir(decoy.c_str(), 0700), 0);
  ASSERT_EQ(::symlink(ours.path().c_str(), (under.path() + "/" + name + ".0.link").c_str()), 0);
  for (const std::string& path : {theirs.path(), decoy}) {
    ASSERT_EQ(root ? ::chown(path.c_str(), 65534, 65534) : ::chmod(path.c_str(), 0777), 0);
  }
  ASSERT_EQ(::chmod(ours.path().c_str(), 0770), 0);
  const std::vector<std::vector<std::string>> cases = {
      {theirs.path(), "/nonexistent/home"},  // another user's, and a home that is not there
      {ours.path()},                         // a home that the group may write in
  };
  Squatter squatter(name, Squat::kBoundOnly, root);
  ASSERT_TRUE(squatter.ready());
  for (const auto& folders : cases) {
    SCOPED_TRACE(testing::PrintToString(folders));
    auto first = std::make_unique<InstanceLock>(name, folders, under.path());
    EXPECT_TRUE(first->held());
    EXPECT_FALSE(first->AnotherRunning());
    InstanceLock second(name, folders, under.path());
    EXPECT_TRUE(second.AnotherRunning());
    first.reset();
    InstanceLock third(name, folders, under.path());
    EXPECT_TRUE(third.held());
    EXPECT_FALSE(third.AnotherRunning());
  }
  // Nothing was written into folders not ours; one folder of ours was made.
  EXPECT_TRUE(std::filesystem::is_empty(theirs.path()));
  EXPECT_TRUE(std::filesystem::is_empty(decoy));
  EXPECT_TRUE(std::filesystem::is_empty(ours.path()));
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(under.path()), {}), 3);
}

}  // namespace
}  // namespace tivrel::qt
