#include "lib/session.h"

#include <string_view>

namespace vesk {

namespace {

void join(std::string& path, std::string_view component) {
  if (path.empty() || path.back() != '/') path += '/';
  path += component;
}

}  // namespace

std::optional<std::string> data_dir_from_home(const char* home) {
  if (home == nullptr || home[0] != '/') return std::nullopt;
  std::string path(home);
  join(path, "Library");
  join(path, "Application Support");
  join(path, "team.vesk.desktop");
  return path;
}

}  // namespace vesk
