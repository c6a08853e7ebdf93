// Saves one seed into the data folder given, then reads its file back: the
// bytes on disk must be the seed's serialisation.
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <variant>

#include "story_seeds/queue.h"
#include "story_seeds/seed.h"

int main(int argc, char** argv) {
  if (argc != 2) return 2;
  const std::string data_dir = argv[1];
  const story_seeds::QueueKey key{"01JBQ7ZK3V9W2X4Y5Z6A7B8C9D", "01JBQ80000000000000000000A"};
  std::filesystem::create_directories(data_dir);
  std::ofstream(data_dir + "/stories-sources.enabled") << key.outer << "/" << key.inner << "\n";

  story_seeds::SeedDraft seed;
  seed.title = "Saved by a consumer";
  seed.what_happened = "Linked the store and saved one seed.";
  seed.created_at = story_seeds::format_created_at(story_seeds::seconds_now());
  seed.agent = story_seeds::AgentId::Member;
  const auto outcome = story_seeds::save_seed(data_dir, key, seed);
  const auto* saved = std::get_if<story_seeds::Saved>(&outcome);
  if (!saved) {
    std::fprintf(stderr, "save_seed did not save (outcome %zu)\n", outcome.index());
    return 1;
  }
  std::stringstream file;
  file << std::ifstream(story_seeds::queue_dir(data_dir, key) + "/" + saved->seed_id + ".json")
              .rdbuf();
  if (file.str() != story_seeds::serialize_seed(seed)) {
    std::fprintf(stderr, "the seed file holds other bytes: %s\n", file.str().c_str());
    return 1;
  }
  std::printf("%s\n", file.str().c_str());
  return 0;
}
