// Sole owner of a file descriptor.
#pragma once

#include <utility>

namespace story_seeds {

// Move-only; closes its descriptor on destruction (a close error is ignored:
// callers that care about close() use close_now()).
class UniqueFd {
 public:
  UniqueFd() = default;
  explicit UniqueFd(int fd) : fd_(fd) {}
  UniqueFd(UniqueFd&& other) noexcept : fd_(other.release()) {}
  UniqueFd& operator=(UniqueFd&& other) noexcept {
    if (this != &other) reset(other.release());
    return *this;
  }
  UniqueFd(const UniqueFd&) = delete;
  UniqueFd& operator=(const UniqueFd&) = delete;
  ~UniqueFd() { reset(); }

  int get() const { return fd_; }
  bool valid() const { return fd_ >= 0; }

  // Gives up ownership without closing.
  int release() { return std::exchange(fd_, -1); }

  // Closes the held descriptor (if any) and takes `fd`.
  void reset(int fd = -1);

 private:
  int fd_ = -1;
};

}  // namespace story_seeds
