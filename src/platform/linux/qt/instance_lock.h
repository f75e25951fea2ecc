// The previous-instance query: a listening Unix socket in the abstract
// namespace, named after the user id and held for the life of the process.
// It depends on no folder and no environment variable, so every copy the
// same user starts on this machine finds it (under sudo, ssh or cron too),
// and the kernel drops it when the process ends, however it ends.
#pragma once

#include <string>

namespace tivrel::qt {

// The name instances of the same user meet under.
std::string InstanceName();

class InstanceLock {
 public:
  // Takes the guard under InstanceName().
  InstanceLock();
  // Takes the guard under another name (tests, which must not meet the
  // instances of the user who runs them).
  explicit InstanceLock(const std::string& name);
  ~InstanceLock();
  InstanceLock(const InstanceLock&) = delete;
  InstanceLock& operator=(const InstanceLock&) = delete;

  // True when another instance of the same user held the guard as this one
  // started. When no guard could be had at all, false: better two instances
  // than none.
  bool AnotherRunning() const { return another_; }
  bool held() const { return fd_ >= 0; }

 private:
  void Take(const std::string& name);

  int fd_ = -1;
  bool another_ = false;
};

}  // namespace tivrel::qt
