// The previous-instance query: a listening Unix socket in the abstract
// namespace, named after the user id and held for the life of the process.
// It depends on no folder and no environment variable, so every copy the
// same user starts on this machine finds it (under sudo, ssh or cron too),
// and the kernel drops it when the process ends, however it ends.
//
// Anybody may bind any abstract name, so the name is trusted only when the
// kernel says that its listener is this user (SO_PEERCRED). When someone
// else has it, a lock file in a folder that only this user can write stands
// in: /tmp/tivrel-<uid>, or the home folder of the password database when
// that one is someone else's, or, when neither is ours alone (the home does
// not exist, or others may write in it), the oldest folder of ours named
// /tmp/tivrel.instance.uid<uid>.<stamp>, made when there is none. All are
// chosen without the environment, so that every copy picks the same.
#pragma once

#include <string>
#include <vector>

namespace tivrel::qt {

// The name instances of the same user meet under.
std::string InstanceName();

class InstanceLock {
 public:
  // Takes the guard under InstanceName().
  InstanceLock();
  // Takes the guard under another name, with the stand-in's lock file
  // looked for in these folders, else in a folder made under `madeUnder`
  // (tests, which must not meet the instances of the user who runs them).
  InstanceLock(const std::string& name, const std::vector<std::string>& folders,
               const std::string& madeUnder = {});
  ~InstanceLock();
  InstanceLock(const InstanceLock&) = delete;
  InstanceLock& operator=(const InstanceLock&) = delete;

  // True when another instance of the same user held the guard as this one
  // started. When no guard could be had at all, false: better two instances
  // than none.
  bool AnotherRunning() const { return another_; }
  bool held() const { return socket_ >= 0 || file_ >= 0; }

 private:
  void Take(const std::string& name, const std::vector<std::string>& folders,
            const std::string& madeUnder);

  int socket_ = -1;
  int file_ = -1;
  bool another_ = false;
};

}  // namespace tivrel::qt
