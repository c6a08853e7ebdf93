#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>

#include <cerrno>

#include "queue_layout.h"
#include "story_seeds/posix_io.h"
#include "story_seeds/queue.h"

namespace story_seeds {

namespace {

// The exclusive queue lock. Unlocks, then closes, when it goes away.
class QueueLock {
 public:
  // Opens (creating if needed) and locks `path`, waiting for other holders.
  [[nodiscard]] static IoResult<QueueLock> acquire(const std::string& path);

  QueueLock(QueueLock&&) = default;
  QueueLock& operator=(QueueLock&&) = delete;
  ~QueueLock() {
    if (fd_.valid()) ::flock(fd_.get(), LOCK_UN);
  }

 private:
  explicit QueueLock(UniqueFd fd) : fd_(std::move(fd)) {}

  UniqueFd fd_;
};

IoResult<QueueLock> QueueLock::acquire(const std::string& path) {
  auto opened = open_fd(path, O_RDWR | O_CREAT, 0600);
  if (!opened.ok()) return opened.error();
  // The wait can be long; a signal arriving meanwhile must not fail the save.
  if (retry_on_eintr([&] { return ::flock(opened.value().get(), LOCK_EX); }) != 0) {
    return IoError::from_errno(errno, "flock " + path);
  }
  return QueueLock(std::move(opened.value()));
}

struct SeedFile {
  std::string id;
  std::string path;
};

IoResult<SeedFile> pick_free_seed_file(const std::string& dir) {
  for (int attempt = 0; attempt < kSeedIdAttempts; ++attempt) {
    SeedFile candidate{new_seed_id(), {}};
    candidate.path = join_path(dir, candidate.id + std::string(kSeedFileSuffix));
    struct stat info {};
    if (::lstat(candidate.path.c_str(), &info) != 0) return candidate;
  }
  return IoError::own(ErrorKind::AlreadyExists, "could not pick a free seed id");
}

// The part of a save that must not interleave with another writer's.
SaveOutcome save_locked(const std::string& data_dir, const QueueKey& key, std::string_view bytes) {
  const auto marker = read_enabled_marker(data_dir);
  if (!marker || *marker != key) return Off{};

  const std::string queue_root = join_path(data_dir, kQueueRootName);
  const std::string outer = join_path(queue_root, key.outer);
  const std::string queue = queue_dir(data_dir, key);
  for (const std::string* dir : {&queue_root, &outer, &queue}) {
    if (auto made = ensure_private_dir(*dir); !made.ok()) return Failed{made.error()};
  }

  auto queued = count_queued(queue);
  if (!queued.ok()) return Failed{queued.error()};
  if (queued.value() >= kQueueCapacity) return Full{};

  auto seed_file = pick_free_seed_file(queue);
  if (!seed_file.ok()) return Failed{seed_file.error()};
  auto written = write_file_atomically(seed_file.value().path, bytes, DirectoryFlush::ByCaller);
  if (!written.ok()) {
    return Failed{written.error()};
  }
  return Saved{std::move(seed_file.value().id)};
}

}  // namespace

std::string queue_dir(const std::string& data_dir, const QueueKey& key) {
  return join_path(join_path(join_path(data_dir, kQueueRootName), key.outer), key.inner);
}

SaveOutcome save_seed(const std::string& data_dir, const QueueKey& key, const SeedDraft& seed,
                      const std::function<void()>& once_locked) {
  if (auto invalid = validate_seed(seed)) return Invalid{std::move(*invalid)};
  const std::string bytes = serialize_seed(seed);
  if (bytes.size() > kMaxSeedBytes) return Invalid{SeedValidationError::too_large()};
  if (auto made = ensure_private_dir(data_dir); !made.ok()) return Failed{made.error()};

  SaveOutcome outcome = [&]() -> SaveOutcome {
    auto lock = QueueLock::acquire(join_path(data_dir, kLockFileName));
    if (!lock.ok()) return Failed{lock.error()};
    if (once_locked) once_locked();
    return save_locked(data_dir, key, bytes);
  }();  // the lock is let go here
  // The rename has to be on disk before the save is reported, not before the
  // next writer may go on: the directory is flushed outside the lock.
  if (std::holds_alternative<Saved>(outcome)) sync_directory(queue_dir(data_dir, key));
  return outcome;
}

}  // namespace story_seeds
