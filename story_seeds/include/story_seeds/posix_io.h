// Thin wrappers over the system calls the program uses: every retry on EINTR
// and every close-on-exec flag lives here.
#pragma once

#include <sys/types.h>

#include <cerrno>
#include <cstddef>
#include <string>
#include <string_view>

#include "story_seeds/io_error.h"
#include "story_seeds/unique_fd.h"

namespace story_seeds {

// Calls `call` until it does not fail with EINTR; returns its last result.
template <class Call>
auto retry_on_eintr(Call call) {
  auto result = call();
  while (result == -1 && errno == EINTR)
    result = call();
  return result;
}

// open(2) with O_CLOEXEC always added.
IoResult<UniqueFd> open_fd(const std::string& path, int flags, mode_t mode = 0);

// Writes every byte, continuing after short writes and EINTR. A write that
// makes no progress gives WriteZero "failed to write whole buffer".
IoStatus write_all(int fd, std::string_view bytes);

// One read(2) of at most `capacity` bytes, repeated on EINTR. 0 means end.
IoResult<std::size_t> read_some(int fd, char* buffer, std::size_t capacity);

// Reads until end of input or until `limit` bytes have arrived.
IoResult<std::string> read_up_to(int fd, std::size_t limit);

// Flushes `fd` to stable storage: F_FULLFSYNC where the system has it (with
// fsync where a file system refuses that request), fsync elsewhere.
IoStatus sync_to_storage(int fd);

// Best effort: flushes the directory entry changes of `dir` (e.g. a rename)
// to stable storage. Failures are ignored; some file systems cannot do it.
void sync_directory(const std::string& dir);

}  // namespace story_seeds
