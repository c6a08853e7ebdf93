// Saves one seed into the data folder given; its file must hold the seed's bytes.
#include <filesystem>
#include <fstream>
#include <iostream>
#include <sstream>
#include <variant>

#include "story_seeds/queue.h"

int main(int argc, char** argv) {
  if (argc != 2) return 2;
  const std::string data_dir = argv[1];
  const story_seeds::QueueKey key{"01JBQ7ZK3V9W2X4Y5Z6A7B8C9D", "01JBQ80000000000000000000A"};
  std::filesystem::create_directories(data_dir);
  std::ofstream(data_dir + "/stories-sources.enabled") << key.outer << "/" << key.inner;
  story_seeds::SeedDraft seed;
  seed.title = "Saved by a consumer";
  seed.what_happened = "Linked the store and saved one seed.";
  seed.created_at = story_seeds::format_created_at(0);
  seed.agent = story_seeds::AgentId::Member;
  const auto outcome = story_seeds::save_seed(data_dir, key, seed);
  const auto* saved = std::get_if<story_seeds::Saved>(&outcome);
  std::stringstream file;
  if (saved)
    file << std::ifstream(queue_dir(data_dir, key) + "/" + saved->seed_id + ".json").rdbuf();
  std::cout << file.str() << "\n";
  return saved && file.str() == story_seeds::serialize_seed(seed) ? 0 : 1;
}
