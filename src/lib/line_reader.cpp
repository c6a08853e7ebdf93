#include "lib/line_reader.h"

#include <unistd.h>

#include <cerrno>

#include "story_seeds/posix_io.h"

namespace vesk {

using story_seeds::IoResult;

IoResult<std::size_t> FdSource::read(char* buffer, std::size_t capacity) {
  auto got = story_seeds::read_some(fd_, buffer, capacity);
  if (!got.ok() && got.error().error_number() == EBADF) return std::size_t{0};
  return got;
}

LineReader::LineReader(ByteSource& source)
    : source_(source), buffer_(std::make_unique<char[]>(kBufferBytes)) {}

IoResult<std::size_t> LineReader::refill() {
  begin_ = 0;
  end_ = 0;
  auto got = source_.read(buffer_.get(), kBufferBytes);
  if (got.ok()) end_ = got.value();
  return got;
}

IoResult<LineRead> LineReader::read_request_line() {
  line_.clear();
  bool line_started = false;
  bool discarding = false;
  while (true) {
    if (begin_ == end_) {
      auto got = refill();
      if (!got.ok()) return got.error();
      if (got.value() == 0) {
        if (discarding) return LineRead{LineRead::Kind::TooLong, {}};
        if (!line_started) return LineRead{LineRead::Kind::End, {}};
        return LineRead{LineRead::Kind::Line, line_};
      }
    }
    std::string_view bytes = available();
    std::size_t newline = bytes.find('\n');
    bool found = newline != std::string_view::npos;
    std::string_view piece = found ? bytes.substr(0, newline) : bytes;
    std::size_t consumed = found ? newline + 1 : bytes.size();
    if (!discarding && line_.size() + piece.size() > MAX_LINE_BYTES) {
      line_.clear();
      discarding = true;
    }
    begin_ += consumed;
    line_started = true;
    if (discarding) {
      if (found) return LineRead{LineRead::Kind::TooLong, {}};
      continue;
    }
    if (found && line_.empty()) return LineRead{LineRead::Kind::Line, piece};
    line_.append(piece);
    if (found) return LineRead{LineRead::Kind::Line, line_};
  }
}

}  // namespace vesk
