#include "story_seeds/io_error.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <set>

namespace story_seeds {
namespace {

TEST(KindFromErrno, FollowsTheTable) {
  const std::pair<int, std::string_view> cases[] = {
    {ENOENT, "NotFound"},
    {EPERM, "PermissionDenied"},
    {EACCES, "PermissionDenied"},
    {ENOSPC, "StorageFull"},
    {EDQUOT, "QuotaExceeded"},
    {EEXIST, "AlreadyExists"},
    {EAGAIN, "WouldBlock"},
    {ELOOP, "FilesystemLoop"},
    {ENAMETOOLONG, "InvalidFilename"},
    {EMFILE, "TooManyOpenFiles"},
    {ENOSYS, "Unsupported"},
    {EOPNOTSUPP, "Unsupported"},
#if ENOTSUP != EOPNOTSUPP
    {ENOTSUP, "Unsupported"},
#endif
    {0, "Uncategorized"},
    {ENOMSG, "Uncategorized"},
    {99999, "Uncategorized"},
  };
  for (const auto& [error_number, kind] : cases) {
    EXPECT_EQ(kind_name(kind_from_errno(error_number)), kind) << error_number;
  }
}

TEST(KindName, FortyFourDistinctNamesInOrder) {
  ASSERT_EQ(kErrorKindCount, 44);
  std::set<std::string_view> names;
  for (int i = 0; i < kErrorKindCount; ++i)
    names.insert(kind_name(static_cast<ErrorKind>(i)));
  EXPECT_EQ(names.size(), 44u);
  EXPECT_EQ(kind_name(static_cast<ErrorKind>(0)), "NotFound");
  EXPECT_EQ(kind_name(static_cast<ErrorKind>(23)), "WriteZero");
  EXPECT_EQ(kind_name(static_cast<ErrorKind>(43)), "Uncategorized");
}

}  // namespace
}  // namespace story_seeds
