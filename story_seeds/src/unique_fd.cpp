#include "story_seeds/unique_fd.h"

#include <unistd.h>

namespace story_seeds {

void UniqueFd::reset(int fd) {
  // Not retried on EINTR: the descriptor is released either way, and a
  // second close could hit one another thread just opened.
  if (fd_ >= 0) ::close(fd_);
  fd_ = fd;
}

}  // namespace story_seeds
