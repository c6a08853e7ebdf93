#include <fcntl.h>
#include <stdio.h>
#include <unistd.h>

#include <cerrno>

#include "story_seeds/posix_io.h"
#include "story_seeds/queue.h"

namespace story_seeds {

namespace {

// Neither a path ending in "/" nor one ending in "." or ".." names a file.
bool names_a_file(std::string_view path) {
  const std::size_t slash = path.rfind('/');
  const std::string_view name = slash == std::string_view::npos ? path : path.substr(slash + 1);
  return !name.empty() && name != "." && name != "..";
}

std::string directory_of(const std::string& path) {
  const std::size_t slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  if (slash == 0) return "/";
  return path.substr(0, slash);
}

IoStatus write_and_rename(const std::string& temp_path, const std::string& path,
                          std::string_view bytes) {
  auto created = open_fd(temp_path, O_WRONLY | O_CREAT | O_EXCL, 0600);
  if (!created.ok()) return created.error();
  UniqueFd file = std::move(created.value());
  if (auto written = write_all(file.get(), bytes); !written.ok()) return written;
  if (auto synced = sync_to_storage(file.get()); !synced.ok()) return synced;
  file.reset();  // the data is on disk; a close error cannot lose it any more
  if (::rename(temp_path.c_str(), path.c_str()) != 0) {
    return IoError::from_errno(errno, "rename " + temp_path);
  }
  return {};
}

}  // namespace

IoStatus write_file_atomically(const std::string& path, std::string_view bytes,
                               DirectoryFlush flush) {
  if (!names_a_file(path)) return IoError::own(ErrorKind::InvalidInput, "no file name");
  const std::string temp_path = path + ".tmp";
  ::unlink(temp_path.c_str());  // left by a writer that died; O_EXCL would trip on it
  auto status = write_and_rename(temp_path, path, bytes);
  if (!status.ok()) {
    ::unlink(temp_path.c_str());
    return status;
  }
  // Without this the rename itself could be lost in a crash.
  if (flush == DirectoryFlush::BeforeReturn) sync_directory(directory_of(path));
  return {};
}

}  // namespace story_seeds
