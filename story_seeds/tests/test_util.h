// Real-disk helpers shared by the store tests.
#pragma once

#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/stat.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "story_seeds/queue.h"

namespace story_seeds::testing {

// A fresh directory under $TMPDIR, removed afterwards unless the test failed.
class ScopedTempDir {
 public:
  ScopedTempDir() {
    const char* base = std::getenv("TMPDIR");
    path_ = std::string(base != nullptr && *base != '\0' ? base : "/tmp") + "/story_seeds.XXXXXX";
    if (::mkdtemp(path_.data()) == nullptr) ADD_FAILURE() << "mkdtemp failed";
  }
  ~ScopedTempDir() {
    if (::testing::Test::HasFailure()) {
      std::fprintf(stderr, "kept %s for inspection\n", path_.c_str());
    } else {
      std::filesystem::remove_all(path_);
    }
  }
  std::string operator/(const std::string& relative) const { return path_ + "/" + relative; }

 private:
  std::string path_;
};

inline const QueueKey kKey{"01HZX3K9M2Q7R8S4T5V6W7X8Y9", "7ZZZZZZZZZZZZZZZZZZZZZZZZZ"};

inline void write_file(const std::string& path, const std::string& bytes) {
  std::ofstream(path, std::ios::binary) << bytes;
}

inline std::string read_file(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// Permission bits, or 0 when nothing is there (links are not followed).
inline unsigned mode_of(const std::string& path) {
  struct stat info {};
  return ::lstat(path.c_str(), &info) == 0 ? info.st_mode & 07777 : 0;
}

inline bool exists(const std::string& path) {
  return mode_of(path) != 0;
}

inline void enable(const std::string& data_dir, const QueueKey& key = kKey) {
  std::filesystem::create_directories(data_dir);
  write_file(data_dir + "/stories-sources.enabled", key.outer + "/" + key.inner + "\n");
}

// Creates `dir` holding `count` well-formed seed files.
inline void fill_queue(const std::string& dir, std::size_t count) {
  std::filesystem::create_directories(dir);
  for (std::size_t i = 0; i < count; ++i)
    write_file(dir + "/" + new_seed_id() + ".json", "{}");
}

inline SeedDraft simple_seed(std::string title = "Fixed the flaky build") {
  SeedDraft seed;
  seed.title = std::move(title);
  seed.what_happened = "Tracked the race to a shared temp dir.";
  seed.created_at = "2024-05-01T12:00:00Z";
  return seed;
}

inline std::string describe(const SaveOutcome& outcome) {
  const auto* failed = std::get_if<Failed>(&outcome);
  return failed ? std::string(kind_name(failed->error.kind())) + ": " + failed->error.message()
                : "outcome #" + std::to_string(outcome.index());
}

}  // namespace story_seeds::testing
