#include "platform/linux/qt/instance_lock.h"

#include <sys/socket.h>
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

// Whoever listens under the name, as the kernel saw it start listening.
// Anyone may bind any abstract name: a name held by another user is no
// instance of ours and must not keep us from starting.
bool HeldBySameUser(const sockaddr_un& address, socklen_t length) {
  // An instance that started in the same instant may be between bind and
  // listen: give it a moment before calling the name a squatter's.
  for (int attempt = 0; attempt < 10; ++attempt) {
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (fd < 0) return true;
    const int connected = ::connect(fd, reinterpret_cast<const sockaddr*>(&address), length);
    const int err = errno;
    bool same = true;
    if (connected == 0) {
      ucred peer{};
      socklen_t size = sizeof peer;
      if (::getsockopt(fd, SOL_SOCKET, SO_PEERCRED, &peer, &size) == 0) {
        same = peer.uid == ::geteuid();
      }
    }
    ::close(fd);
    // EAGAIN: so many starts at once that the holder's queue is full; it is
    // listening, one of ours starting together with us.
    if (connected == 0 || err != ECONNREFUSED) return same;
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  return false;  // bound and never listening: nobody of ours
}

}  // namespace

std::string InstanceName() { return "tivrel.instance.uid" + std::to_string(::geteuid()); }

InstanceLock::InstanceLock() { Take(InstanceName()); }

InstanceLock::InstanceLock(const std::string& name) { Take(name); }

InstanceLock::~InstanceLock() {
  if (fd_ >= 0) ::close(fd_);
}

void InstanceLock::Take(const std::string& name) {
  sockaddr_un address{};
  const socklen_t length = Address(name, address);
  const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (fd < 0) return;  // no guard to be had: start anyway
  if (::bind(fd, reinterpret_cast<const sockaddr*>(&address), length) == 0 &&
      ::listen(fd, 64) == 0) {
    fd_ = fd;
    return;
  }
  const int err = errno;
  ::close(fd);
  another_ = err == EADDRINUSE && HeldBySameUser(address, length);
}

}  // namespace tivrel::qt
