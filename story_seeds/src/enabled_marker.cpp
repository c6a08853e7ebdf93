#include <fcntl.h>
#include <sys/stat.h>

#include "queue_layout.h"
#include "story_seeds/posix_io.h"
#include "story_seeds/queue.h"
#include "story_seeds/text.h"

namespace story_seeds {

namespace {

bool is_small_regular_file(const struct stat& info) {
  return S_ISREG(info.st_mode) && static_cast<std::uintmax_t>(info.st_size) <= kMaxMarkerBytes;
}

std::optional<std::string> read_marker_bytes(const std::string& path) {
  struct stat info {};
  if (::lstat(path.c_str(), &info) != 0 || !is_small_regular_file(info)) return std::nullopt;
  // The app may replace the file between lstat and open: never follow a
  // link, never wait on a pipe, and judge what was actually opened.
  auto opened = open_fd(path, O_RDONLY | O_NOFOLLOW | O_NONBLOCK);
  if (!opened.ok()) return std::nullopt;
  const int fd = opened.value().get();
  if (::fstat(fd, &info) != 0 || !is_small_regular_file(info)) return std::nullopt;
  auto bytes = read_up_to(fd, kMaxMarkerBytes);
  if (!bytes.ok()) return std::nullopt;
  return std::move(bytes.value());
}

std::optional<QueueKey> parse_marker(std::string_view text) {
  if (!is_valid_utf8(text)) return std::nullopt;
  text = trim_white_space(text);
  const std::size_t slash = text.find('/');
  if (slash == std::string_view::npos) return std::nullopt;
  const std::string_view outer = text.substr(0, slash);
  const std::string_view inner = text.substr(slash + 1);
  if (!is_seed_id(outer) || !is_seed_id(inner)) return std::nullopt;
  return QueueKey{std::string(outer), std::string(inner)};
}

}  // namespace

std::optional<QueueKey> read_enabled_marker(const std::string& data_dir) {
  const auto bytes = read_marker_bytes(join_path(data_dir, kMarkerFileName));
  if (!bytes) return std::nullopt;
  return parse_marker(*bytes);
}

}  // namespace story_seeds
