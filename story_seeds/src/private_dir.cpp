#include <sys/stat.h>

#include <cerrno>
#include <vector>

#include "story_seeds/posix_io.h"
#include "story_seeds/queue.h"

namespace story_seeds {

namespace {

// "/a/b" gives "/a", "/a" gives "/", and "a", "/" or "" give "" (none).
std::string parent_of(const std::string& path) {
  const std::size_t last = path.find_last_not_of('/');
  if (last == std::string::npos) return {};
  const std::size_t slash = path.rfind('/', last);
  if (slash == std::string::npos) return {};
  const std::size_t parent_last = path.find_last_not_of('/', slash);
  if (parent_last == std::string::npos) return "/";
  return path.substr(0, parent_last + 1);
}

bool is_directory_following_links(const std::string& path) {
  struct stat info {};
  return ::stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

// mkdir that accepts a directory already in place; 0 or the errno.
int make_dir(const std::string& path) {
  if (::mkdir(path.c_str(), 0700) == 0) return 0;
  const int error = errno;
  if (error == EEXIST && is_directory_following_links(path)) return 0;
  return error;
}

IoStatus make_dirs(const std::string& path) {
  std::vector<std::string> missing;  // deepest first
  std::string current = path;
  int error = make_dir(current);
  while (error == ENOENT) {
    std::string parent = parent_of(current);
    if (parent.empty()) break;
    missing.push_back(std::move(current));
    current = std::move(parent);
    error = make_dir(current);
  }
  if (error != 0) return IoError::from_errno(error, "mkdir " + current);
  for (auto level = missing.rbegin(); level != missing.rend(); ++level) {
    error = make_dir(*level);
    if (error != 0) return IoError::from_errno(error, "mkdir " + *level);
  }
  return {};
}

}  // namespace

IoStatus ensure_private_dir(const std::string& path) {
  if (auto made = make_dirs(path); !made.ok()) return made;
  struct stat info {};
  if (::lstat(path.c_str(), &info) != 0) return IoError::from_errno(errno, "lstat " + path);
  // A link could lead the queue anywhere, so even a link to a directory is refused.
  if (!S_ISDIR(info.st_mode)) {
    return IoError::own(ErrorKind::InvalidInput, "seed queue path is not a plain directory");
  }
  if ((info.st_mode & 0777) == 0700) return {};
  if (retry_on_eintr([&] { return ::chmod(path.c_str(), 0700); }) != 0) {
    return IoError::from_errno(errno, "chmod " + path);
  }
  return {};
}

}  // namespace story_seeds
