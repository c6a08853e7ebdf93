// Replays fuzz inputs without libFuzzer, so that the normal build's tests
// run every committed corpus file and regression input through its target.
//   fuzz_replay_<target> <file or directory>...
// Directories are read one level deep, in name order; names starting with a
// dot are skipped. A missing directory holds no inputs.
#include <fcntl.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <string>
#include <system_error>
#include <vector>

#include "story_seeds/posix_io.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);

namespace {

namespace fs = std::filesystem;

std::vector<fs::path> inputs_in(const fs::path& path) {
  std::error_code error;
  if (!fs::is_directory(path, error)) return {path};
  std::vector<fs::path> files;
  for (const auto& entry : fs::directory_iterator(path, error)) {
    if (entry.is_regular_file() && entry.path().filename().string()[0] != '.') {
      files.push_back(entry.path());
    }
  }
  std::sort(files.begin(), files.end());
  return files;
}

bool replay(const fs::path& file) {
  std::fprintf(stderr, "replaying %s\n", file.c_str());
  auto opened = story_seeds::open_fd(file.string(), O_RDONLY);
  std::error_code error;
  const std::uintmax_t size = fs::file_size(file, error);
  if (!opened.ok() || error) return false;
  auto bytes = story_seeds::read_up_to(opened.value().get(), static_cast<std::size_t>(size));
  if (!bytes.ok()) return false;
  const std::string& input = bytes.value();
  LLVMFuzzerTestOneInput(reinterpret_cast<const std::uint8_t*>(input.data()), input.size());
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  static const std::uint8_t kNoBytes[1] = {};
  LLVMFuzzerTestOneInput(kNoBytes, 0);  // libFuzzer always tries the empty input too
  int replayed = 1;
  for (int i = 1; i < argc; ++i) {
    if (!fs::exists(argv[i])) continue;
    for (const fs::path& file : inputs_in(argv[i])) {
      if (!replay(file)) {
        std::fprintf(stderr, "cannot read %s\n", file.c_str());
        return 1;
      }
      ++replayed;
    }
  }
  std::printf("%d inputs replayed\n", replayed);
  return 0;
}
