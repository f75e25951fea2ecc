#include "platform/linux/qt/instance_lock.h"

#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstddef>
#include <cstring>
#include <memory>
#include <string>

namespace tivrel::qt {
namespace {

// A name of this test process's own: the user's real instances, and other
// runs of these tests, never meet it.
std::string TestName(const char* what) {
  return "tivrel.test." + std::to_string(::getpid()) + "." + what;
}

TEST(InstanceLock, SecondHolderIsRefusedUntilTheFirstIsGone) {
  const std::string name = TestName("order");
  auto first = std::make_unique<InstanceLock>(name);
  EXPECT_TRUE(first->held());
  EXPECT_FALSE(first->AnotherRunning());
  {
    InstanceLock second(name);
    EXPECT_FALSE(second.held());
    EXPECT_TRUE(second.AnotherRunning());
  }
  // The refused one did not take the guard away from the first.
  InstanceLock third(name);
  EXPECT_TRUE(third.AnotherRunning());
  first.reset();
  // Nothing is left behind once the holder is gone.
  InstanceLock fourth(name);
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

TEST(InstanceLock, ANameBoundButNotListenedOnRefusesNobody) {
  // Anybody may bind an abstract name; one that nobody of ours listens on
  // is no instance and no reason not to start.
  const std::string name = TestName("squat");
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  std::memcpy(address.sun_path + 1, name.data(), name.size());
  const int squatter = ::socket(AF_UNIX, SOCK_STREAM, 0);
  ASSERT_GE(squatter, 0);
  ASSERT_EQ(::bind(squatter, reinterpret_cast<const sockaddr*>(&address),
                   static_cast<socklen_t>(offsetof(sockaddr_un, sun_path) + 1 + name.size())),
            0);
  InstanceLock lock(name);
  EXPECT_FALSE(lock.AnotherRunning());
  ::close(squatter);
}

}  // namespace
}  // namespace tivrel::qt
