// Splits standard input into request lines of bounded length.
#pragma once

#include <cstddef>
#include <memory>
#include <string>
#include <string_view>

#include "story_seeds/io_error.h"

namespace vesk {

inline constexpr std::size_t MAX_LINE_BYTES = 1048576;

// Where the bytes come from; lets tests and fuzzers choose how reads are cut.
class ByteSource {
 public:
  virtual ~ByteSource() = default;
  // Up to `capacity` bytes into `buffer`; 0 means end of input.
  virtual story_seeds::IoResult<std::size_t> read(char* buffer, std::size_t capacity) = 0;
};

// Reads a descriptor; a descriptor that is not open reads as end of input.
class FdSource final : public ByteSource {
 public:
  explicit FdSource(int fd) : fd_(fd) {}
  story_seeds::IoResult<std::size_t> read(char* buffer, std::size_t capacity) override;

 private:
  int fd_;
};

struct LineRead {
  enum class Kind { Line, TooLong, End };
  Kind kind;
  // The line's bytes without the newline; valid until the next read.
  std::string_view line;
};

class LineReader {
 public:
  explicit LineReader(ByteSource& source);

  // The next line, an over-long line (its bytes are skipped, never stored),
  // or the end of input. A last line without a newline is still a line.
  story_seeds::IoResult<LineRead> read_request_line();

 private:
  static constexpr std::size_t kBufferBytes = 64 * 1024;

  std::string_view available() const { return {buffer_.get() + begin_, end_ - begin_}; }
  story_seeds::IoResult<std::size_t> refill();

  ByteSource& source_;
  std::unique_ptr<char[]> buffer_;
  std::size_t begin_ = 0;
  std::size_t end_ = 0;
  // Holds a line that spans reads; a line inside one read is returned in place.
  std::string line_;
};

}  // namespace vesk
