#include "platform/linux/qt/instance_lock.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "framework/error.h"

namespace tivrel::qt {
namespace {

namespace fs = std::filesystem;

class InstanceLockTest : public testing::Test {
 protected:
  InstanceLockTest() {
    std::string pattern = (fs::temp_directory_path() / "tivrel-lock-XXXXXX").string();
    root = mkdtemp(pattern.data());
  }
  ~InstanceLockTest() override { fs::remove_all(root); }
  fs::path root;
};

TEST_F(InstanceLockTest, SecondHolderIsRefusedUntilTheFirstIsGone) {
  auto first = std::make_unique<InstanceLock>(root.string());
  EXPECT_TRUE(first->held());
  EXPECT_FALSE(first->AnotherRunning());
  {
    InstanceLock second(root.string());
    EXPECT_FALSE(second.held());
    EXPECT_TRUE(second.AnotherRunning());
    EXPECT_TRUE(second.AnotherRunning());  // the same answer every time
  }
  // The refused one did not take the lock away from the first.
  InstanceLock third(root.string());
  EXPECT_TRUE(third.AnotherRunning());
  first.reset();
  // A lock file left behind refuses nobody once its holder is gone.
  EXPECT_TRUE(fs::exists(root / "tivrel.lock"));
  InstanceLock fourth(root.string());
  EXPECT_FALSE(fourth.AnotherRunning());
}

TEST_F(InstanceLockTest, AnUnusableDirectoryIsAnErrorNotAnAnswer) {
  InstanceLock lock((root / "missing").string());
  EXPECT_THROW(lock.AnotherRunning(), Error);
}

TEST_F(InstanceLockTest, RuntimeDirectoryWhenPrivateElseAPrivateCacheDirectory) {
  std::string error;
  const fs::path runtime = root / "run";
  fs::create_directory(runtime);
  chmod(runtime.c_str(), 0700);
  const fs::path home = root / "home";
  fs::create_directory(home);
  EXPECT_EQ(LockDirectory(runtime.c_str(), nullptr, home.c_str(), error), runtime.string());

  // World-writable (a /tmp in disguise) or relative: not used.
  chmod(runtime.c_str(), 0777);
  const std::string fallback = LockDirectory(runtime.c_str(), nullptr, home.c_str(), error);
  EXPECT_EQ(fallback, (home / ".cache" / "tivrel").string());
  struct stat st {};
  ASSERT_EQ(stat(fallback.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0700u);
  EXPECT_EQ(LockDirectory("relative", nullptr, home.c_str(), error), fallback);

  const fs::path cache = root / "cache";
  EXPECT_EQ(LockDirectory(nullptr, cache.c_str(), home.c_str(), error),
            (cache / "tivrel").string());

  // Somebody else's writable folder in our place is refused.
  const fs::path shared = root / "shared";
  fs::create_directories(shared / "tivrel");
  chmod((shared / "tivrel").c_str(), 0777);
  error.clear();
  EXPECT_EQ(LockDirectory(nullptr, shared.c_str(), nullptr, error), "");
  EXPECT_FALSE(error.empty());

  error.clear();
  EXPECT_EQ(LockDirectory(nullptr, nullptr, nullptr, error), "");
  EXPECT_FALSE(error.empty());
}

}  // namespace
}  // namespace tivrel::qt
