#include "story_seeds/posix_io.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>

namespace story_seeds {

IoResult<UniqueFd> open_fd(const std::string& path, int flags, mode_t mode) {
  int fd = retry_on_eintr([&] { return ::open(path.c_str(), flags | O_CLOEXEC, mode); });
  if (fd < 0) return IoError::from_errno(errno, "open " + path);
  return UniqueFd(fd);
}

IoStatus write_all(int fd, std::string_view bytes) {
  while (!bytes.empty()) {
    ssize_t written = retry_on_eintr([&] { return ::write(fd, bytes.data(), bytes.size()); });
    if (written < 0) return IoError::from_errno(errno, "write");
    if (written == 0) return IoError::own(ErrorKind::WriteZero, "failed to write whole buffer");
    bytes.remove_prefix(static_cast<std::size_t>(written));
  }
  return {};
}

IoResult<std::size_t> read_some(int fd, char* buffer, std::size_t capacity) {
  ssize_t got = retry_on_eintr([&] { return ::read(fd, buffer, capacity); });
  if (got < 0) return IoError::from_errno(errno, "read");
  return static_cast<std::size_t>(got);
}

IoResult<std::string> read_up_to(int fd, std::size_t limit) {
  std::string bytes(limit, '\0');
  std::size_t filled = 0;
  while (filled < limit) {
    auto got = read_some(fd, bytes.data() + filled, limit - filled);
    if (!got.ok()) return got.error();
    if (got.value() == 0) break;
    filled += got.value();
  }
  bytes.resize(filled);
  return bytes;
}

IoStatus sync_to_storage(int fd) {
#ifdef F_FULLFSYNC
  // Plain fsync on macOS only reaches the drive's cache; F_FULLFSYNC flushes
  // that too. Some file systems (network, FUSE) refuse it, and there fsync is
  // the best available.
  if (retry_on_eintr([&] { return ::fcntl(fd, F_FULLFSYNC); }) != -1) return {};
  const int error = errno;
  if (error != ENOTSUP && error != EOPNOTSUPP && error != EINVAL) {
    return IoError::from_errno(error, "fcntl F_FULLFSYNC");
  }
#endif
  if (retry_on_eintr([&] { return ::fsync(fd); }) == 0) return {};
  return IoError::from_errno(errno, "fsync");
}

void sync_directory(const std::string& dir) {
  auto opened = open_fd(dir, O_RDONLY | O_DIRECTORY);
  if (opened.ok()) static_cast<void>(retry_on_eintr([&] { return ::fsync(opened.value().get()); }));
}

}  // namespace story_seeds
