#include "story_seeds/io_error.h"

#include <cerrno>
#include <cstring>

namespace story_seeds {

namespace {

constexpr std::string_view kKindNames[kErrorKindCount] = {
    "NotFound",
    "PermissionDenied",
    "ConnectionRefused",
    "ConnectionReset",
    "HostUnreachable",
    "NetworkUnreachable",
    "ConnectionAborted",
    "NotConnected",
    "AddrInUse",
    "AddrNotAvailable",
    "NetworkDown",
    "BrokenPipe",
    "AlreadyExists",
    "WouldBlock",
    "NotADirectory",
    "IsADirectory",
    "DirectoryNotEmpty",
    "ReadOnlyFilesystem",
    "FilesystemLoop",
    "StaleNetworkFileHandle",
    "InvalidInput",
    "InvalidData",
    "TimedOut",
    "WriteZero",
    "StorageFull",
    "NotSeekable",
    "QuotaExceeded",
    "FileTooLarge",
    "ResourceBusy",
    "ExecutableFileBusy",
    "Deadlock",
    "CrossesDevices",
    "TooManyLinks",
    "InvalidFilename",
    "ArgumentListTooLong",
    "Interrupted",
    "Unsupported",
    "UnexpectedEof",
    "OutOfMemory",
    "InProgress",
    "TooManyOpenFiles",
    "InputOutputError",
    "Other",
    "Uncategorized",
};

}  // namespace

std::string_view kind_name(ErrorKind kind) {
  return kKindNames[static_cast<int>(kind)];
}

ErrorKind kind_from_errno(int error_number) {
  // A switch cannot list both ENOTSUP and EOPNOTSUPP where they are one number
  // (Linux), yet on macOS they differ and file systems report ENOTSUP.
  if (error_number == ENOTSUP || error_number == EOPNOTSUPP) return ErrorKind::Unsupported;
  switch (error_number) {
    case EPERM:
    case EACCES:
      return ErrorKind::PermissionDenied;
    case ENOENT:
      return ErrorKind::NotFound;
    case EINTR:
      return ErrorKind::Interrupted;
    case EIO:
      return ErrorKind::InputOutputError;
    case E2BIG:
      return ErrorKind::ArgumentListTooLong;
    case EDEADLK:
      return ErrorKind::Deadlock;
    case ENOMEM:
      return ErrorKind::OutOfMemory;
    case EBUSY:
      return ErrorKind::ResourceBusy;
    case EEXIST:
      return ErrorKind::AlreadyExists;
    case EXDEV:
      return ErrorKind::CrossesDevices;
    case ENOTDIR:
      return ErrorKind::NotADirectory;
    case EISDIR:
      return ErrorKind::IsADirectory;
    case EINVAL:
      return ErrorKind::InvalidInput;
    case ENFILE:
    case EMFILE:
      return ErrorKind::TooManyOpenFiles;
    case ETXTBSY:
      return ErrorKind::ExecutableFileBusy;
    case EFBIG:
      return ErrorKind::FileTooLarge;
    case ENOSPC:
      return ErrorKind::StorageFull;
    case ESPIPE:
      return ErrorKind::NotSeekable;
    case EROFS:
      return ErrorKind::ReadOnlyFilesystem;
    case EMLINK:
      return ErrorKind::TooManyLinks;
    case EPIPE:
      return ErrorKind::BrokenPipe;
    case EAGAIN:
      return ErrorKind::WouldBlock;
    case EINPROGRESS:
      return ErrorKind::InProgress;
    case EADDRINUSE:
      return ErrorKind::AddrInUse;
    case EADDRNOTAVAIL:
      return ErrorKind::AddrNotAvailable;
    case ENETDOWN:
      return ErrorKind::NetworkDown;
    case ENETUNREACH:
      return ErrorKind::NetworkUnreachable;
    case ECONNABORTED:
      return ErrorKind::ConnectionAborted;
    case ECONNRESET:
      return ErrorKind::ConnectionReset;
    case ENOTCONN:
      return ErrorKind::NotConnected;
    case ETIMEDOUT:
      return ErrorKind::TimedOut;
    case ECONNREFUSED:
      return ErrorKind::ConnectionRefused;
    case ELOOP:
      return ErrorKind::FilesystemLoop;
    case ENAMETOOLONG:
      return ErrorKind::InvalidFilename;
    case EHOSTUNREACH:
      return ErrorKind::HostUnreachable;
    case ENOTEMPTY:
      return ErrorKind::DirectoryNotEmpty;
    case EDQUOT:
      return ErrorKind::QuotaExceeded;
    case ESTALE:
      return ErrorKind::StaleNetworkFileHandle;
    case ENOSYS:
      return ErrorKind::Unsupported;
    default:
      return ErrorKind::Uncategorized;
  }
}

IoError IoError::from_errno(int error_number, std::string_view context) {
  std::string message(context);
  message += ": ";
  message += std::strerror(error_number);
  return IoError(kind_from_errno(error_number), error_number, std::move(message));
}

IoError IoError::own(ErrorKind kind, std::string message) {
  return IoError(kind, 0, std::move(message));
}

}  // namespace story_seeds
