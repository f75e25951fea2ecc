#include "platform/linux/qt/instance_lock.h"

#include <dirent.h>
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
#include <cstdio>
#include <cstring>
#include <ctime>
#include <optional>
#include <string>
#include <string_view>
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

// A folder that is ours alone: made by this user (an owner nobody else can
// give), nobody else may enter or write in it, and no link.
bool OursAlone(int dir, const char* entry) {
  struct stat st {};
  return ::fstatat(dir, entry, &st, AT_SYMLINK_NOFOLLOW) == 0 && S_ISDIR(st.st_mode) &&
         st.st_uid == ::geteuid() && (st.st_mode & 077) == 0;
}

// The oldest of our own folders named `prefix`.<stamp> in `under`, a folder
// anyone may write in (/tmp); with `make`, one is made when there is none.
// The stamp is the time of making in fixed-width hex, so that names sort by
// age: copies starting together, each making one, all meet in the oldest,
// and a folder made later never displaces it. Folders of others under such
// names are passed over, so a squatter can add names but never choose ours.
std::string MadeFolder(const std::string& under, const std::string& prefix, bool make) {
  for (int pass = 0; !under.empty() && pass < 2; ++pass) {
    DIR* list = ::opendir(under.c_str());
    if (!list) return {};
    std::string oldest;
    while (const dirent* entry = ::readdir(list)) {
      const std::string_view found = entry->d_name;
      if (found.substr(0, prefix.size() + 1) == prefix + "." &&
          (oldest.empty() || found < oldest) && OursAlone(::dirfd(list), entry->d_name)) {
        oldest = found;
      }
    }
    ::closedir(list);
    if (!oldest.empty()) return under + "/" + oldest;
    if (!make) return {};
    timespec now{};
    ::clock_gettime(CLOCK_REALTIME, &now);
    char stamp[48];
    std::snprintf(stamp, sizeof stamp, ".%016llx.%d",
                  static_cast<unsigned long long>(now.tv_sec) * 1000000000ULL +
                      static_cast<unsigned long long>(now.tv_nsec),
                  static_cast<int>(::getpid()));
    ::mkdir((under + "/" + prefix + stamp).c_str(), 0700);
  }
  return {};
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

// An exclusive lock on the lock file in the first folder of our own, else in
// one made under `madeUnder`; the kernel drops it when the process ends,
// however it ends. Without `make` an absent file is no lock (nothing is
// written).
Lock LockFile(const std::vector<std::string>& folders, const std::string& madeUnder,
              const std::string& name, bool make, int& fd) {
  // Nothing when the folder holds no lock file we could open.
  auto lockIn = [&](const std::string& folder, bool makeFolder) -> std::optional<Lock> {
    const int dir = OwnFolder(folder, makeFolder);
    if (dir < 0) return std::nullopt;
    const int flags = O_RDWR | O_NOFOLLOW | O_CLOEXEC | (make ? O_CREAT : 0);
    const int file = ::openat(dir, LockFileName(name).c_str(), flags, 0600);
    ::close(dir);
    if (file < 0) return std::nullopt;
    if (::flock(file, LOCK_EX | LOCK_NB) == 0) {
      fd = file;
      return Lock::kTaken;
    }
    const int err = errno;
    ::close(file);
    return err == EWOULDBLOCK ? Lock::kHeldByAnother : Lock::kNone;
  };
  for (const std::string& folder : folders) {
    if (const auto lock = lockIn(folder, make)) return *lock;
  }
  const std::string made = MadeFolder(madeUnder, name, make);
  if (made.empty()) return Lock::kNone;
  return lockIn(made, false).value_or(Lock::kNone);
}

}  // namespace

std::string InstanceName() { return "tivrel.instance.uid" + std::to_string(::geteuid()); }

InstanceLock::InstanceLock() { Take(InstanceName(), StandInFolders(), "/tmp"); }

InstanceLock::InstanceLock(const std::string& name, const std::vector<std::string>& folders,
                           const std::string& madeUnder) {
  Take(name, folders, madeUnder);
}

InstanceLock::~InstanceLock() {
  if (socket_ >= 0) ::close(socket_);
  if (file_ >= 0) ::close(file_);
}

void InstanceLock::Take(const std::string& name, const std::vector<std::string>& folders,
                        const std::string& madeUnder) {
  sockaddr_un address{};
  const socklen_t length = Address(name, address);
  const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (fd >= 0 && ::bind(fd, reinterpret_cast<const sockaddr*>(&address), length) == 0 &&
      ::listen(fd, 64) == 0) {
    socket_ = fd;
    // A copy that started while someone else had the name holds the stand-in.
    another_ = LockFile(folders, madeUnder, name, false, file_) == Lock::kHeldByAnother;
    return;
  }
  const bool inUse = fd >= 0 && errno == EADDRINUSE;
  if (fd >= 0) ::close(fd);
  if (inUse && WhoHolds(address, length) == Holder::kOurs) {
    another_ = true;
    return;
  }
  // Someone else has the name (or no socket could be had): the stand-in.
  another_ = LockFile(folders, madeUnder, name, true, file_) == Lock::kHeldByAnother;
}

}  // namespace tivrel::qt
