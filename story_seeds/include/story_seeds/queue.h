// The on-disk queue of seeds waiting for review in the desktop app.
//
// Layout under the data directory (all directories forced to mode 0700):
//   stories-sources.enabled          marker written by the app: "<outer>/<inner>"
//   stories-sources.lock             flock()ed by every writer; never written
//   story-seeds/<outer>/<inner>/     the queue directory
//       <seed id>.json               one seed, mode 0600
//       <seed id>.json.tmp           only while that seed is being written
#pragma once

#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <variant>

#include "story_seeds/io_error.h"
#include "story_seeds/seed.h"
#include "story_seeds/validation.h"

namespace story_seeds {

inline constexpr std::size_t kMaxSeedBytes = 16384;
inline constexpr std::size_t kQueueCapacity = 50;
inline constexpr int kSeedIdAttempts = 8;
inline constexpr std::size_t kMaxMarkerBytes = 256;

// The queue named by the enabled marker; both parts are seed-id-shaped and
// kept exactly as read (case included).
struct QueueKey {
  std::string outer;
  std::string inner;
  friend bool operator==(const QueueKey&, const QueueKey&) = default;
};

// The outcomes of save_seed().
struct Saved {
  std::string seed_id;
};
struct Invalid {
  SeedValidationError error;
};
struct Off {};
struct Full {};
struct Failed {
  IoError error;
};
using SaveOutcome = std::variant<Saved, Invalid, Off, Full, Failed>;

// The key the marker names, or nothing when saving is off: every problem with
// the marker (missing, not a regular file, too large, unreadable, malformed)
// means nothing.
std::optional<QueueKey> read_enabled_marker(const std::string& data_dir);

// data_dir/story-seeds/<outer>/<inner>.
std::string queue_dir(const std::string& data_dir, const QueueKey& key);

// Number of regular files named <seed id>.json in `dir`; 0 when it does not exist.
IoResult<std::size_t> count_queued(const std::string& dir);

// Creates `path` and missing parents (mode 0700) and forces its permission
// bits to 0700. A symbolic link or non-directory is refused.
IoStatus ensure_private_dir(const std::string& path);

// Whether write_file_atomically flushes the directory, so that the rename
// survives a crash, before it returns, or leaves that to the caller, who may
// first let go of a lock (sync_directory in posix_io.h).
enum class DirectoryFlush { BeforeReturn, ByCaller };

// Writes `bytes` to `path` through "<path>.tmp" (exclusive create, 0600,
// flushed to stable storage, renamed into place). On failure nothing is
// left under either name.
IoStatus write_file_atomically(const std::string& path, std::string_view bytes,
                               DirectoryFlush flush = DirectoryFlush::BeforeReturn);

// Validates, serialises and stores `seed` in the queue of `key`, under the
// queue lock. Blocks while another process holds the lock; `once_locked`, when
// given, runs as soon as the lock is held, before anything under it is read
// or written. Adds either the whole seed file or nothing.
SaveOutcome save_seed(const std::string& data_dir, const QueueKey& key, const SeedDraft& seed,
                      const std::function<void()>& once_locked = {});

}  // namespace story_seeds
