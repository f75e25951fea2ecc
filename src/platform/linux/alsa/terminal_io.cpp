#include "platform/linux/alsa/terminal_io.h"

#include <alsa/asoundlib.h>
#include <fcntl.h>
#include <unistd.h>

#include <cerrno>

namespace tivrel::alsa {

namespace {
void Silent(const char*, int, const char*, int, const char*, ...) {}
}  // namespace

void QuietAlsa() { snd_lib_error_set_handler(Silent); }

void HoldClosedStreams() {
  for (int fd = 0; fd <= 2; ++fd) {
    if (fcntl(fd, F_GETFD) == -1 && errno == EBADF) {
      const int held = open("/dev/null", O_RDONLY | O_CLOEXEC);
      if (held >= 0 && held != fd) {
        dup2(held, fd);
        close(held);
      }
    }
  }
}

int WriteAll(int fd, const std::string& bytes) {
  size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t n = write(fd, bytes.data() + done, bytes.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return errno;
    done += static_cast<size_t>(n);
  }
  return 0;
}

}  // namespace tivrel::alsa
