#include <dirent.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <optional>

#include "directory_entry.h"
#include "test_util.h"

namespace story_seeds {
namespace {

using namespace story_seeds::testing;

const QueueKey kLowerKey{"01hzx3k9m2q7r8s4t5v6w7x8y9", "7zzzzzzzzzzzzzzzzzzzzzzzzz"};

class QueueTest : public ::testing::Test {
 protected:
  void SetUp() override { ::umask(022); }

  ScopedTempDir tmp_;
  const std::string data_dir_ = tmp_ / "home/Library/data";
  const std::string queue_ = queue_dir(data_dir_, kKey);
};

TEST_F(QueueTest, MarkerTextNamesTheQueue) {
  const std::string text = kKey.outer + "/" + kKey.inner;
  const std::pair<std::string, std::optional<QueueKey>> cases[] = {
      {text, kKey},
      {"  " + text + " \n", kKey},
      {"\xE3\x80\x80" + text + "\r\n", kKey},
      {kLowerKey.outer + "/" + kLowerKey.inner, kLowerKey},
      {text + std::string(256 - text.size(), ' '), kKey},
      {text + std::string(257 - text.size(), ' '), std::nullopt},
      {kKey.outer + " /" + kKey.inner, std::nullopt},
      {kKey.outer + "/ " + kKey.inner, std::nullopt},
      {kKey.outer + kKey.inner, std::nullopt},
      {text + "/" + kKey.inner, std::nullopt},
      {kKey.outer + "/" + kKey.inner.substr(1), std::nullopt},
      {text + "\xFF", std::nullopt},
  };
  std::filesystem::create_directories(data_dir_);
  for (const auto& [content, key] : cases) {
    write_file(data_dir_ + "/stories-sources.enabled", content);
    EXPECT_EQ(read_enabled_marker(data_dir_), key) << content;
  }
}

TEST_F(QueueTest, MarkerMustBeARegularFile) {
  const std::string marker = data_dir_ + "/stories-sources.enabled";
  EXPECT_EQ(read_enabled_marker(data_dir_), std::nullopt);
  enable(tmp_ / "real");
  std::filesystem::create_directories(data_dir_);
  ASSERT_EQ(::symlink((tmp_ / "real/stories-sources.enabled").c_str(), marker.c_str()), 0);
  EXPECT_EQ(read_enabled_marker(data_dir_), std::nullopt);
  ASSERT_EQ(::unlink(marker.c_str()), 0);
  ASSERT_EQ(::mkfifo(marker.c_str(), 0600), 0);  // must not block
  EXPECT_EQ(read_enabled_marker(data_dir_), std::nullopt);
}

TEST_F(QueueTest, CountsOnlyRegularSeedFiles) {
  EXPECT_EQ(count_queued(queue_).value(), 0u);  // missing directory
  fill_queue(queue_, 1);
  const std::string id = queue_ + "/01HZX3K9M2Q7R8S4T5V6W7X8Y";
  write_file(id + "a.json", "{}");  // lower case counts too
  for (const char* other : {"B.JSON", "C.json.tmp", "I.json", "notes.json"})
    write_file(id + other, "");
  ASSERT_EQ(::mkdir((id + "D.json").c_str(), 0700), 0);
  ASSERT_EQ(::symlink("x", (id + "E.json").c_str()), 0);
  ASSERT_EQ(::mkfifo((id + "F.json").c_str(), 0600), 0);
  EXPECT_EQ(count_queued(queue_).value(), 2u);
  EXPECT_EQ(count_queued(id + "a.json").error().kind(), ErrorKind::NotADirectory);
}

TEST_F(QueueTest, UnknownEntryTypesAreLookedUp) {
  fill_queue(queue_, 0);
  write_file(queue_ + "/file", "");
  ASSERT_EQ(::mkdir((queue_ + "/dir").c_str(), 0700), 0);
  ASSERT_EQ(::symlink("file", (queue_ + "/link").c_str()), 0);
  const int dir_fd = ::open(queue_.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  for (const std::string_view name : {"file", "dir", "link", "missing"}) {
    EXPECT_EQ(is_regular_entry(dir_fd, name.data(), DT_UNKNOWN), name == "file") << name;
  }
  EXPECT_FALSE(is_regular_entry(dir_fd, "file", DT_DIR));  // the listing's type wins
  ::close(dir_fd);
}

TEST_F(QueueTest, PrivateDirsAreRealAndMode0700) {
  ASSERT_TRUE(ensure_private_dir(queue_).ok());
  EXPECT_EQ(mode_of(data_dir_), 0700u);
  ASSERT_EQ(::chmod(queue_.c_str(), 0755), 0);
  ASSERT_TRUE(ensure_private_dir(queue_).ok());
  EXPECT_EQ(mode_of(queue_), 0700u);

  ASSERT_EQ(::symlink(queue_.c_str(), (tmp_ / "link").c_str()), 0);
  ASSERT_EQ(::symlink("nowhere", (tmp_ / "dangling").c_str()), 0);
  write_file(tmp_ / "file", "");
  const std::pair<const char*, int> failures[] = {
      {"link", 0}, {"file", EEXIST}, {"dangling", EEXIST}, {"file/below", ENOTDIR}};
  for (const auto& [path, error_number] : failures) {
    const IoStatus status = ensure_private_dir(tmp_ / path);
    ASSERT_FALSE(status.ok()) << path;
    EXPECT_EQ(status.error().error_number(), error_number) << path;
  }
  EXPECT_EQ(ensure_private_dir(tmp_ / "link").error().message(),
            "seed queue path is not a plain directory");
}

TEST_F(QueueTest, AtomicWriteReplacesStaleTemporaryFile) {
  const std::string path = tmp_ / "seed.json";
  write_file(path + ".tmp", "half a se");
  ASSERT_TRUE(write_file_atomically(path, "{\"whole\":1}").ok());
  EXPECT_EQ(read_file(path), "{\"whole\":1}");
  EXPECT_EQ(mode_of(path), 0600u);
  EXPECT_FALSE(exists(path + ".tmp"));
  EXPECT_EQ(write_file_atomically(tmp_ / "dir/", "x").error().message(), "no file name");
  EXPECT_EQ(write_file_atomically(tmp_ / "no/seed.json", "x").error().kind(), ErrorKind::NotFound);
}

TEST_F(QueueTest, SaveWithoutMarkerIsOffButPreparesDataDir) {
  EXPECT_TRUE(std::holds_alternative<Off>(save_seed(data_dir_, kKey, simple_seed())));
  EXPECT_EQ(mode_of(data_dir_), 0700u);
  EXPECT_EQ(mode_of(data_dir_ + "/stories-sources.lock"), 0600u);
  EXPECT_FALSE(exists(data_dir_ + "/story-seeds"));
  enable(data_dir_, kLowerKey);  // another queue: case matters
  EXPECT_TRUE(std::holds_alternative<Off>(save_seed(data_dir_, kKey, simple_seed())));
}

TEST_F(QueueTest, SaveWritesTheSeedFileWhereTheMarkerSays) {
  enable(data_dir_, kLowerKey);
  const SaveOutcome outcome = save_seed(data_dir_, kLowerKey, simple_seed());
  ASSERT_TRUE(std::holds_alternative<Saved>(outcome)) << describe(outcome);
  const std::string root = data_dir_ + "/story-seeds/" + kLowerKey.outer;
  const std::string file = root + "/" + kLowerKey.inner + "/" + std::get<Saved>(outcome).seed_id;
  EXPECT_EQ(read_file(file + ".json"), serialize_seed(simple_seed()));
  EXPECT_EQ(mode_of(file + ".json"), 0600u);
  EXPECT_EQ(mode_of(root), 0700u);
}

TEST_F(QueueTest, SaveStopsAtFiftySeeds) {
  enable(data_dir_);
  fill_queue(queue_, 49);
  EXPECT_TRUE(std::holds_alternative<Saved>(save_seed(data_dir_, kKey, simple_seed())));
  EXPECT_EQ(count_queued(queue_).value(), 50u);
  EXPECT_TRUE(std::holds_alternative<Full>(save_seed(data_dir_, kKey, simple_seed())));
}

// A valid seed whose file is exactly `size` bytes; each U+0001 takes six.
SeedDraft seed_of_size(std::size_t size) {
  SeedDraft seed = simple_seed();
  seed.what_happened = std::string(2000, '\x01');
  const std::size_t extra = size - serialize_seed(seed).size();
  const std::size_t escaped = extra > 1000 ? (extra - 1000 + 4) / 5 : 0;
  seed.why_it_mattered = std::string(escaped, '\x01') + std::string(extra - 6 * escaped, 'w');
  EXPECT_EQ(serialize_seed(seed).size(), size);
  return seed;
}

TEST_F(QueueTest, SaveRefusesInvalidAndOversizedSeedsBeforeTouchingDisk) {
  enable(data_dir_);
  EXPECT_TRUE(std::holds_alternative<Saved>(save_seed(data_dir_, kKey, seed_of_size(16384))));
  const std::pair<SeedDraft, std::string_view> refused[] = {{seed_of_size(16385), "too_large"},
                                                            {simple_seed(" "), "missing"}};
  for (const auto& [seed, reason] : refused) {
    const SaveOutcome outcome = save_seed(tmp_ / "fresh", kKey, seed);
    ASSERT_TRUE(std::holds_alternative<Invalid>(outcome));
    EXPECT_EQ(std::get<Invalid>(outcome).error.reason_code(), reason);
  }
  EXPECT_FALSE(exists(tmp_ / "fresh"));
}

TEST_F(QueueTest, SaveRefusesQueuePathsThatAreNotPlainDirectories) {
  enable(data_dir_);
  const std::string root = data_dir_ + "/story-seeds";
  ASSERT_EQ(::symlink(data_dir_.c_str(), root.c_str()), 0);
  EXPECT_EQ(describe(save_seed(data_dir_, kKey, simple_seed())),
            "InvalidInput: seed queue path is not a plain directory");
  ASSERT_EQ(::unlink(root.c_str()), 0);
  write_file(root, "");
  EXPECT_EQ(describe(save_seed(data_dir_, kKey, simple_seed())).substr(0, 14), "AlreadyExists:");
}

}  // namespace
}  // namespace story_seeds
