// The previous-instance query: an exclusive lock on a file in a per-user
// directory, held for the life of the process. The kernel drops it when the
// process ends, however it ends, so a crashed instance refuses nobody.
#pragma once

#include <string>

namespace tivrel::qt {

// The directory for the lock: $XDG_RUNTIME_DIR when it is a private directory
// of ours, else <cache>/tivrel (created 0700) under $XDG_CACHE_HOME or
// $HOME/.cache. Empty, with `error` set, when there is none to be had.
std::string LockDirectory(const char* runtimeDir, const char* cacheHome, const char* home,
                          std::string& error);

class InstanceLock {
 public:
  // Takes the lock in the directory the environment gives.
  InstanceLock();
  // Takes the lock as `directory`/tivrel.lock.
  explicit InstanceLock(const std::string& directory);
  ~InstanceLock();
  InstanceLock(const InstanceLock&) = delete;
  InstanceLock& operator=(const InstanceLock&) = delete;

  // True when another instance held the lock as this one started. Throws
  // tivrel::Error when that could not be told.
  bool AnotherRunning() const;
  bool held() const { return fd_ >= 0; }

 private:
  void Take(const std::string& directory);

  int fd_ = -1;
  bool another_ = false;
  std::string error_;
};

}  // namespace tivrel::qt
