#include "platform/linux/qt/instance_lock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "framework/error.h"

namespace tivrel::qt {

namespace {

// Ours, a real directory, and nobody else may write into it.
bool PrivateDirectory(const std::string& path) {
  struct stat st {};
  if (path.empty() || path[0] != '/' || ::lstat(path.c_str(), &st) != 0) return false;
  return S_ISDIR(st.st_mode) && st.st_uid == ::geteuid() && (st.st_mode & 022) == 0;
}

bool Usable(const char* value) { return value && value[0] == '/'; }

}  // namespace

std::string LockDirectory(const char* runtimeDir, const char* cacheHome, const char* home,
                          std::string& error) {
  if (Usable(runtimeDir) && PrivateDirectory(runtimeDir)) return runtimeDir;
  std::string base;
  if (Usable(cacheHome)) {
    base = cacheHome;
  } else if (Usable(home)) {
    base = std::string(home) + "/.cache";
  } else {
    error = "找不到存放实例锁的目录（未设置 XDG_RUNTIME_DIR 与 HOME）";
    return {};
  }
  // Missing parents are made as the cache directory would be; ours is 0700.
  if (::mkdir(base.c_str(), 0700) != 0 && errno != EEXIST) {
    error = "无法创建目录 " + base + "：" + std::strerror(errno);
    return {};
  }
  const std::string dir = base + "/tivrel";
  if (::mkdir(dir.c_str(), 0700) != 0 && errno != EEXIST) {
    error = "无法创建目录 " + dir + "：" + std::strerror(errno);
    return {};
  }
  if (!PrivateDirectory(dir)) {
    error = "目录 " + dir + " 不属于当前用户或可被他人写入";
    return {};
  }
  return dir;
}

InstanceLock::InstanceLock() {
  std::string error;
  const std::string dir = LockDirectory(std::getenv("XDG_RUNTIME_DIR"),
                                        std::getenv("XDG_CACHE_HOME"), std::getenv("HOME"), error);
  if (dir.empty()) {
    error_ = error;
    return;
  }
  Take(dir);
}

InstanceLock::InstanceLock(const std::string& directory) { Take(directory); }

InstanceLock::~InstanceLock() {
  if (fd_ >= 0) ::close(fd_);
}

void InstanceLock::Take(const std::string& directory) {
  const std::string path = directory + "/tivrel.lock";
  const int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
  if (fd < 0) {
    error_ = "无法打开实例锁 " + path + "：" + std::strerror(errno);
    return;
  }
  // flock belongs to this open file: a second open, in this process or
  // another, finds it taken until this one is closed.
  if (::flock(fd, LOCK_EX | LOCK_NB) == 0) {
    fd_ = fd;
    return;
  }
  const int err = errno;
  ::close(fd);
  if (err == EWOULDBLOCK) {
    another_ = true;
  } else {
    error_ = "无法锁定实例锁 " + path + "：" + std::strerror(err);
  }
}

bool InstanceLock::AnotherRunning() const {
  if (!error_.empty()) throw Error(error_);
  return another_;
}

}  // namespace tivrel::qt
