// Names inside the data directory.
#pragma once

#include <string>
#include <string_view>

namespace story_seeds {

inline constexpr std::string_view kMarkerFileName = "stories-sources.enabled";
inline constexpr std::string_view kLockFileName = "stories-sources.lock";
inline constexpr std::string_view kQueueRootName = "story-seeds";
inline constexpr std::string_view kSeedFileSuffix = ".json";

inline std::string join_path(std::string_view dir, std::string_view name) {
  std::string path(dir);
  path += '/';
  path += name;
  return path;
}

}  // namespace story_seeds
