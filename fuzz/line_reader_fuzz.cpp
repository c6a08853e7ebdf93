// Any byte stream, cut into reads of sizes the fuzzer chooses, yields exactly
// the lines, over-long markers and end that the stream split at its newline
// bytes gives; so does the same stream served whole, as fast as the reader
// asks for it.
#include <fuzzer/FuzzedDataProvider.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "fuzz_check.h"
#include "lib/line_reader.h"

namespace {

using vesk::LineRead;

// Room for an over-long line with reads on either side of it; short inputs
// reach it by repeating a piece.
constexpr std::size_t kMaxStreamBytes = vesk::MAX_LINE_BYTES + 256 * 1024;
constexpr std::size_t kMaxCuts = 8;
constexpr std::size_t kMaxReads = 16 * 1024;

// Serves a stream in reads whose sizes cycle through `cuts`, never more than
// the reader asked for.
class CutSource final : public vesk::ByteSource {
 public:
  CutSource(std::string_view stream, std::vector<std::size_t> cuts)
      : stream_(stream), cuts_(std::move(cuts)) {}

  story_seeds::IoResult<std::size_t> read(char* buffer, std::size_t capacity) override {
    FUZZ_CHECK(capacity > 0);
    std::size_t size = std::min({cuts_[next_cut_], capacity, stream_.size()});
    next_cut_ = (next_cut_ + 1) % cuts_.size();
    std::memcpy(buffer, stream_.data(), size);
    stream_.remove_prefix(size);
    return size;
  }

 private:
  std::string_view stream_;
  std::vector<std::size_t> cuts_;
  std::size_t next_cut_ = 0;
};

struct Expected {
  LineRead::Kind kind;
  std::string_view line;
};

std::vector<Expected> split_at_newlines(std::string_view stream) {
  std::vector<Expected> reads;
  while (!stream.empty()) {
    std::size_t newline = stream.find('\n');
    std::string_view line = stream.substr(0, newline);
    if (line.size() > vesk::MAX_LINE_BYTES) {
      reads.push_back({LineRead::Kind::TooLong, {}});
    } else {
      reads.push_back({LineRead::Kind::Line, line});
    }
    stream.remove_prefix(newline == std::string_view::npos ? stream.size() : newline + 1);
  }
  reads.push_back({LineRead::Kind::End, {}});
  return reads;
}

void check_reads(vesk::ByteSource& source, const std::vector<Expected>& expected) {
  vesk::LineReader reader(source);
  for (const Expected& want : expected) {
    auto got = reader.read_request_line();
    FUZZ_CHECK(got.ok());
    FUZZ_CHECK(got.value().kind == want.kind);
    FUZZ_CHECK(got.value().line == want.line);
  }
}

std::vector<std::size_t> consume_cuts(FuzzedDataProvider& data) {
  std::vector<std::size_t> cuts(data.ConsumeIntegralInRange<std::size_t>(1, kMaxCuts));
  for (std::size_t& cut : cuts) {
    // Small cuts split lines and newlines apart; large ones span the buffer.
    cut = data.ConsumeBool() ? data.ConsumeIntegralInRange<std::size_t>(1, 16)
                             : data.ConsumeIntegralInRange<std::size_t>(1, 256 * 1024);
  }
  return cuts;
}

// Appends `piece` `times` times, doubling what is there.
void append_repeated(std::string& stream, std::string_view piece, std::size_t times) {
  const std::size_t start = stream.size();
  const std::size_t total = piece.size() * times;
  stream.reserve(start + total);
  stream += piece;
  for (std::size_t have = piece.size(); have < total;) {
    const std::size_t more = std::min(have, total - have);
    stream.append(stream, start, more);
    have += more;
  }
}

// Mostly once; now and then enough to span the read buffer; rarely enough
// for an over-long line, which costs far more to run.
std::size_t consume_repeat(FuzzedDataProvider& data) {
  const auto choice = data.ConsumeIntegral<std::uint8_t>();
  if (choice < 4) return data.ConsumeIntegralInRange<std::size_t>(1, kMaxStreamBytes);
  if (choice < 32) return data.ConsumeIntegralInRange<std::size_t>(1, 4096);
  return 1;
}

// A megabyte read a byte at a time takes long and finds nothing that fewer,
// longer reads in the same pattern would not: keep to about kMaxReads.
void scale_cuts(std::vector<std::size_t>& cuts, std::size_t stream_bytes) {
  std::size_t cycle = 0;
  for (std::size_t cut : cuts)
    cycle += cut;
  const std::size_t reads = stream_bytes / cycle * cuts.size();
  if (reads <= kMaxReads) return;
  for (std::size_t& cut : cuts)
    cut *= reads / kMaxReads + 1;
}

std::string consume_stream(FuzzedDataProvider& data) {
  std::string stream;
  while (data.remaining_bytes() > 0 && stream.size() < kMaxStreamBytes) {
    std::string piece = data.ConsumeRandomLengthString(256);
    std::size_t repeat = consume_repeat(data);
    if (piece.empty()) continue;
    // Long repeats are for long lines; a million short lines cost much and
    // add nothing.
    if (piece.find('\n') != std::string::npos) repeat = std::min<std::size_t>(repeat, 4096);
    repeat = std::min(repeat, (kMaxStreamBytes - stream.size()) / piece.size() + 1);
    append_repeated(stream, piece, repeat);
  }
  return stream;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FuzzedDataProvider provider(data, size);
  std::vector<std::size_t> cuts = consume_cuts(provider);
  std::string stream = consume_stream(provider);
  scale_cuts(cuts, stream.size());
  const std::vector<Expected> expected = split_at_newlines(stream);

  CutSource whole(stream, {stream.size() + 1});
  check_reads(whole, expected);
  CutSource cut(stream, std::move(cuts));
  check_reads(cut, expected);
  return 0;
}
