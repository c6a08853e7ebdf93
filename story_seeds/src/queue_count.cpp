#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>

#include <cerrno>
#include <memory>

#include "directory_entry.h"
#include "queue_layout.h"
#include "story_seeds/posix_io.h"
#include "story_seeds/queue.h"
#include "story_seeds/text.h"

namespace story_seeds {

namespace {

bool is_seed_file_name(const char* raw_name) {
  const std::string name = replace_invalid_utf8(raw_name);
  if (!name.ends_with(kSeedFileSuffix)) return false;
  return is_seed_id(std::string_view(name).substr(0, name.size() - kSeedFileSuffix.size()));
}

struct DirCloser {
  void operator()(DIR* dir) const { ::closedir(dir); }
};
using DirStream = std::unique_ptr<DIR, DirCloser>;

}  // namespace

bool is_regular_entry(int dir_fd, const char* name, unsigned char type) {
  switch (type) {
    case DT_REG:
      return true;
    case DT_DIR:
    case DT_LNK:
    case DT_FIFO:
    case DT_CHR:
    case DT_BLK:
    case DT_SOCK:
      return false;
    default:
      break;
  }
  struct stat info {};
  return ::fstatat(dir_fd, name, &info, AT_SYMLINK_NOFOLLOW) == 0 && S_ISREG(info.st_mode);
}

IoResult<std::size_t> count_queued(const std::string& dir) {
  auto opened = open_fd(dir, O_RDONLY | O_DIRECTORY);
  if (!opened.ok()) {
    if (opened.error().kind() == ErrorKind::NotFound) return std::size_t{0};
    return opened.error();
  }
  DirStream stream(::fdopendir(opened.value().get()));
  if (!stream) return IoError::from_errno(errno, "fdopendir " + dir);
  opened.value().release();  // the stream closes it now

  std::size_t count = 0;
  while (true) {
    errno = 0;
    const dirent* entry = ::readdir(stream.get());
    if (entry == nullptr) break;
    if (is_seed_file_name(entry->d_name) &&
        is_regular_entry(::dirfd(stream.get()), entry->d_name, entry->d_type)) {
      ++count;
    }
  }
  if (errno != 0) return IoError::from_errno(errno, "readdir " + dir);
  return count;
}

}  // namespace story_seeds
