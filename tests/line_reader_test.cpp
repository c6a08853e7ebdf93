#include "lib/line_reader.h"

#include <algorithm>
#include <cerrno>
#include <string>
#include <vector>

#include <gtest/gtest.h>

namespace vesk {
namespace {

// Hands out `bytes` in reads of at most `chunk` bytes, then fails or ends.
class ChunkedSource final : public ByteSource {
 public:
  ChunkedSource(std::string bytes, std::size_t chunk, int final_errno = 0)
      : bytes_(std::move(bytes)), chunk_(chunk), final_errno_(final_errno) {}

  story_seeds::IoResult<std::size_t> read(char* buffer, std::size_t capacity) override {
    std::size_t n = std::min({capacity, chunk_, bytes_.size() - offset_});
    if (n == 0 && final_errno_ != 0) return story_seeds::IoError::from_errno(final_errno_, "read");
    bytes_.copy(buffer, n, offset_);
    offset_ += n;
    return n;
  }

 private:
  std::string bytes_;
  std::size_t chunk_;
  int final_errno_;
  std::size_t offset_ = 0;
};

// Each read as text: the line, "<too long>" or "<end>".
std::vector<std::string> read_all(ByteSource& source) {
  LineReader reader(source);
  std::vector<std::string> reads;
  while (true) {
    auto read = reader.read_request_line();
    if (!read.ok()) {
      reads.push_back("<error>");
      return reads;
    }
    switch (read.value().kind) {
      case LineRead::Kind::Line:
        reads.emplace_back(read.value().line);
        break;
      case LineRead::Kind::TooLong:
        reads.emplace_back("<too long>");
        break;
      case LineRead::Kind::End:
        reads.emplace_back("<end>");
        return reads;
    }
  }
}

TEST(LineReader, SameLinesWhateverTheReadSizes) {
  const std::string max_line(MAX_LINE_BYTES, 'a');
  const std::string over_line(MAX_LINE_BYTES + 1, 'b');
  struct Case {
    std::string input;
    std::vector<std::string> reads;
  };
  const std::vector<Case> cases = {
      {"", {"<end>"}},
      {"\n", {"", "<end>"}},
      {"a\r\nb", {"a\r", "b", "<end>"}},
      {"a\n\nb\n", {"a", "", "b", "<end>"}},
      {max_line + "\nx", {max_line, "x", "<end>"}},
      {over_line + "\nx\n", {"<too long>", "x", "<end>"}},
      {over_line, {"<too long>", "<end>"}},
      {max_line + over_line + "\n", {"<too long>", "<end>"}},
  };
  for (const Case& c : cases) {
    for (std::size_t chunk :
         {std::size_t{1}, std::size_t{7}, std::size_t{65536}, c.input.size() + 1}) {
      if (chunk == 1 && c.input.size() > 100000) continue;  // too slow to be worth it
      ChunkedSource source(c.input, chunk);
      EXPECT_EQ(read_all(source), c.reads) << "chunk " << chunk << " input size " << c.input.size();
    }
  }
}

TEST(LineReader, ReadErrorsEndTheInputOrFail) {
  ChunkedSource broken("a\nb", 10, EIO);
  EXPECT_EQ(read_all(broken), (std::vector<std::string>{"a", "<error>"}));
}

TEST(FdSource, ClosedDescriptorReadsAsEnd) {
  FdSource closed(-1);
  char byte = 0;
  auto got = closed.read(&byte, 1);
  ASSERT_TRUE(got.ok());
  EXPECT_EQ(got.value(), 0u);
}

}  // namespace
}  // namespace vesk
