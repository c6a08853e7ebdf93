// The public JSON parsing corpus, one file per request line, through the
// same loop the server runs.
#include <dirent.h>
#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "lib/message_loop.h"
#include "story_seeds/text.h"

namespace vesk {
namespace {

const std::string kParseErrorLine =
    R"({"error":{"code":-32700,"message":"Parse error"},"id":null,"jsonrpc":"2.0"})"
    "\n";

class StringSource final : public ByteSource {
 public:
  explicit StringSource(std::string bytes) : bytes_(std::move(bytes)) {}
  story_seeds::IoResult<std::size_t> read(char* buffer, std::size_t capacity) override {
    std::size_t n = bytes_.copy(buffer, capacity, offset_);
    offset_ += n;
    return n;
  }

 private:
  std::string bytes_;
  std::size_t offset_ = 0;
};

// Everything the loop writes to standard output for `input`.
std::string answer(const std::string& input) {
  std::FILE* out = std::tmpfile();
  int null_fd = open("/dev/null", O_WRONLY | O_CLOEXEC);
  Session session;
  EventLog events(null_fd);
  StringSource source(input);
  run_message_loop(session, source, fileno(out), events);
  close(null_fd);
  std::string written(4096, '\0');
  std::rewind(out);
  written.resize(std::fread(written.data(), 1, written.size(), out));
  std::fclose(out);
  return written;
}

std::string read_file(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream content;
  content << in.rdbuf();
  return content.str();
}

// A corpus file that the loop sees as one non-blank line of valid UTF-8.
bool is_one_line(const std::string& content) {
  return content.find('\n') == std::string::npos && story_seeds::is_valid_utf8(content) &&
         !story_seeds::is_blank(content);
}

TEST(JsonCorpus, RejectsTheInvalidAndAcceptsTheValid) {
  const std::string folder = VESK_JSON_CORPUS;
  DIR* dir = opendir(folder.c_str());
  if (dir == nullptr) GTEST_SKIP() << "JSON parsing corpus not found at " << folder;
  std::vector<std::string> names;
  while (dirent* entry = readdir(dir))
    names.emplace_back(entry->d_name);
  closedir(dir);

  int rejected = 0;
  int accepted = 0;
  for (const std::string& name : names) {
    bool must_reject = name.rfind("n_", 0) == 0;
    bool must_accept = name.rfind("y_", 0) == 0;
    if (!must_reject && !must_accept) continue;
    std::string content = read_file(folder + "/" + name);
    if (must_reject && !is_one_line(content)) continue;
    std::string written = answer(content + "\n");
    if (must_reject) {
      EXPECT_EQ(written, kParseErrorLine) << name;
      ++rejected;
    } else {
      EXPECT_NE(written, kParseErrorLine) << name;
      ++accepted;
    }
  }
  EXPECT_GT(rejected, 100);
  EXPECT_GT(accepted, 50);
}

}  // namespace
}  // namespace vesk
