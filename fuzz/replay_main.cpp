// Replays fuzz inputs without libFuzzer, so that every build with tests runs
// the committed corpus and regression inputs through its target:
//   fuzz_replay_<target> DIRECTORY...   (dot files skipped)
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);

int main(int argc, char** argv) {
  LLVMFuzzerTestOneInput(nullptr, 0);  // libFuzzer always tries the empty input too
  int replayed = 0;
  for (int i = 1; i < argc; ++i) {
    for (const auto& entry : std::filesystem::directory_iterator(argv[i])) {
      if (entry.path().filename().string().starts_with(".")) continue;
      std::fprintf(stderr, "replaying %s\n", entry.path().c_str());  // names a crash
      std::ifstream file(entry.path(), std::ios::binary);
      const std::string input{std::istreambuf_iterator<char>(file), {}};
      LLVMFuzzerTestOneInput(reinterpret_cast<const std::uint8_t*>(input.data()), input.size());
      ++replayed;
    }
  }
  return replayed == 0;  // none at all: the directories are wrong
}
