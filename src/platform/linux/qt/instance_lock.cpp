#include "platform/linux/qt/instance_lock.h"

#include <fcntl.h>
#include <pwd.h>
#include <sys/file.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstddef>
#include <cstring>
#include <string>
#include <thread>

namespace tivrel::qt {

namespace {

// An abstract address: a leading NUL, then the name; no file behind it.
socklen_t Address(const std::string& name, sockaddr_un& address) {
  address = {};
  address.sun_family = AF_UNIX;
  const size_t length = std::min(name.size(), sizeof address.sun_path - 1);
  std::memcpy(address.sun_path + 1, name.data(), length);
  return static_cast<socklen_t>(offsetof(sockaddr_un, sun_path) + 1 + length);
}

enum class Holder { kOurs, kSomeoneElse };

// Whoever listens under the name, as the kernel saw it start listening.
Holder WhoHolds(const sockaddr_un& address, socklen_t length) {
  // A copy of ours that starts in the same instant may be between bind and
  // listen, or so many start at once that the queue is full for a moment;
  // a name that stays so for half a second is not one of ours.
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(500);
  for (;;) {
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (fd < 0) return Holder::kSomeoneElse;
    const int connected = ::connect(fd, reinterpret_cast<const sockaddr*>(&address), length);
    const int err = errno;
    ucred peer{};
    socklen_t size = sizeof peer;
    const bool known =
        connected == 0 && ::getsockopt(fd, SOL_SOCKET, SO_PEERCRED, &peer, &size) == 0;
    ::close(fd);
    if (known) return peer.uid == ::geteuid() ? Holder::kOurs : Holder::kSomeoneElse;
    if ((err != ECONNREFUSED && err != EAGAIN) || std::chrono::steady_clock::now() > deadline) {
      return Holder::kSomeoneElse;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
}

// The folders of the stand-in guard, in order: a user's own under /tmp, and
// the home folder of the password database.
std::vector<std::string> StandInFolders() {
  std::vector<std::string> folders = {"/tmp/tivrel-" + std::to_string(::geteuid())};
  passwd entry{};
  passwd* found = nullptr;
  char buffer[4096];
  if (::getpwuid_r(::geteuid(), &entry, buffer, sizeof buffer, &found) == 0 && found &&
      found->pw_dir && found->pw_dir[0] == '/') {
    folders.emplace_back(found->pw_dir);
  }
  return folders;
}

// The folder opened when it is this user's and nobody else may write in it
// (so nobody else can put or replace a file there); -1 otherwise. Made
// first, 0700, when `make`.
int OwnFolder(const std::string& path, bool make) {
  if (make) ::mkdir(path.c_str(), 0700);
  const int fd = ::open(path.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
  if (fd < 0) return -1;
  struct stat st {};
  if (::fstat(fd, &st) != 0 || st.st_uid != ::geteuid() || (st.st_mode & 022) != 0) {
    ::close(fd);
    return -1;
  }
  return fd;
}

// The lock file's name: the guard's, and the network namespace's, which
// abstract names belong to; copies that cannot see each other's name do not
// meet in the file either.
std::string LockFileName(const std::string& name) {
  struct stat net {};
  if (::stat("/proc/self/ns/net", &net) != 0) return name + ".lock";
  return name + ".net" + std::to_string(net.st_ino) + ".lock";
}

enum class Lock { kTaken, kHeldByAnother, kNone };

// An exclusive lock on the lock file in the first folder of our own; the kernel
// drops it when the process ends, however it ends. Without `make` an absent
// file is no lock (nothing is written).
Lock LockFile(const std::vector<std::string>& folders, const std::string& name, bool make,
              int& fd) {
  for (const std::string& folder : folders) {
    const int dir = OwnFolder(folder, make);
    if (dir < 0) continue;
    const int flags = O_RDWR | O_NOFOLLOW | O_CLOEXEC | (make ? O_CREAT : 0);
    const int file = ::openat(dir, LockFileName(name).c_str(), flags, 0600);
    ::close(dir);
    if (file < 0) continue;
    if (::flock(file, LOCK_EX | LOCK_NB) == 0) {
      fd = file;
      return Lock::kTaken;
    }
    const int err = errno;
    ::close(file);
    return err == EWOULDBLOCK ? Lock::kHeldByAnother : Lock::kNone;
  }
  return Lock::kNone;
}

}  // namespace

std::string InstanceName() { return "tivrel.instance.uid" + std::to_string(::geteuid()); }

InstanceLock::InstanceLock() { Take(InstanceName(), StandInFolders()); }

InstanceLock::InstanceLock(const std::string& name, const std::vector<std::string>& folders) {
  Take(name, folders);
}

InstanceLock::~InstanceLock() {
  if (socket_ >= 0) ::close(socket_);
  if (file_ >= 0) ::close(file_);
}

void InstanceLock::Take(const std::string& name, const std::vector<std::string>& folders) {
  sockaddr_un address{};
  const socklen_t length = Address(name, address);
  const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (fd >= 0 && ::bind(fd, reinterpret_cast<const sockaddr*>(&address), length) == 0 &&
      ::listen(fd, 64) == 0) {
    socket_ = fd;
    // A copy that started while someone else had the name holds the stand-in.
    another_ = LockFile(folders, name, false, file_) == Lock::kHeldByAnother;
    return;
  }
  const bool inUse = fd >= 0 && errno == EADDRINUSE;
  if (fd >= 0) ::close(fd);
  if (inUse && WhoHolds(address, length) == Holder::kOurs) {
    another_ = true;
    return;
  }
  // Someone else has the name (or no socket could be had): the stand-in.
  another_ = LockFile(folders, name, true, file_) == Lock::kHeldByAnother;
}

}  // namespace tivrel::qt
