// Telling regular files apart while listing a directory.
#pragma once

namespace story_seeds {

// Whether the entry `name` of the open directory `dir_fd` is a regular file.
// `type` is the listing's d_type; where the listing does not know it
// (DT_UNKNOWN), the entry itself is looked at, without following links.
bool is_regular_entry(int dir_fd, const char* name, unsigned char type);

}  // namespace story_seeds
