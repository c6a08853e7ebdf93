// The one error value for everything that touches the operating system.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <variant>

namespace story_seeds {

// Categories of I/O failure. Their names are part of the event log, so the
// order and spelling are fixed.
enum class ErrorKind : unsigned char {
  NotFound,
  PermissionDenied,
  ConnectionRefused,
  ConnectionReset,
  HostUnreachable,
  NetworkUnreachable,
  ConnectionAborted,
  NotConnected,
  AddrInUse,
  AddrNotAvailable,
  NetworkDown,
  BrokenPipe,
  AlreadyExists,
  WouldBlock,
  NotADirectory,
  IsADirectory,
  DirectoryNotEmpty,
  ReadOnlyFilesystem,
  FilesystemLoop,
  StaleNetworkFileHandle,
  InvalidInput,
  InvalidData,
  TimedOut,
  WriteZero,
  StorageFull,
  NotSeekable,
  QuotaExceeded,
  FileTooLarge,
  ResourceBusy,
  ExecutableFileBusy,
  Deadlock,
  CrossesDevices,
  TooManyLinks,
  InvalidFilename,
  ArgumentListTooLong,
  Interrupted,
  Unsupported,
  UnexpectedEof,
  OutOfMemory,
  InProgress,
  TooManyOpenFiles,
  InputOutputError,
  Other,
  Uncategorized,
};

inline constexpr int kErrorKindCount = static_cast<int>(ErrorKind::Uncategorized) + 1;

// The kind's name as one word, e.g. "StorageFull".
std::string_view kind_name(ErrorKind kind);

// The only place that maps an errno value to a kind.
ErrorKind kind_from_errno(int error_number);

// An operating-system error (errno kept) or one of our own (errno 0).
class IoError {
 public:
  // `context` says what was being done, e.g. "mkdir /a/b"; it is kept for
  // diagnostics and never shown to the agent.
  static IoError from_errno(int error_number, std::string_view context);
  static IoError own(ErrorKind kind, std::string message);

  ErrorKind kind() const { return kind_; }
  int error_number() const { return error_number_; }
  const std::string& message() const { return message_; }

 private:
  IoError(ErrorKind kind, int error_number, std::string message)
      : kind_(kind), error_number_(error_number), message_(std::move(message)) {}

  ErrorKind kind_;
  int error_number_;
  std::string message_;
};

// A value or the IoError that prevented it.
template <class T>
class [[nodiscard]] IoResult {
 public:
  IoResult(T value) : state_(std::move(value)) {}        // NOLINT: implicit on purpose
  IoResult(IoError error) : state_(std::move(error)) {}  // NOLINT: implicit on purpose

  bool ok() const { return state_.index() == 0; }
  T& value() { return std::get<0>(state_); }
  const T& value() const { return std::get<0>(state_); }
  const IoError& error() const { return std::get<1>(state_); }

 private:
  std::variant<T, IoError> state_;
};

// Success, or the IoError that prevented it.
template <>
class [[nodiscard]] IoResult<void> {
 public:
  IoResult() = default;
  IoResult(IoError error) : error_(std::move(error)) {}  // NOLINT: implicit on purpose

  bool ok() const { return !error_.has_value(); }
  const IoError& error() const { return *error_; }

 private:
  std::optional<IoError> error_;
};

using IoStatus = IoResult<void>;

}  // namespace story_seeds
