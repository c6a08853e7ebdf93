// Preloaded into the server by the fault-injection tests: makes one chosen
// file-system call fail, as a full, broken or read-only disk would, without
// any hook in the server itself. Configured by the environment:
//
//   VESK_FAULT_CALL      the call to fail: open, mkdir, stat, lstat, fstat,
//                        fstatat, chmod, flock, read, write, fsync, close,
//                        rename, unlink, opendir, fdopendir, readdir
//   VESK_FAULT_PATH      the call's path must end with this; for a call on a
//                        descriptor, the path the descriptor was opened with
//   VESK_FAULT_ERRNO     ENOSPC, EIO, EDQUOT, EROFS, EINTR, ...; or, for read
//                        and write, "short" (half the bytes) or "zero"
//   VESK_FAULT_NTH       which matching call fails, 1 for the first (default)
//   VESK_FAULT_LOG       file that gets "loaded" at start, "failed <call>
//                        <path>" for the failure, and at exit "leaked
//                        descriptor <path>" for each one in scope still open
//   VESK_FAULT_DEADLINE  seconds after which SIGALRM ends the process, so a
//                        lock left held shows as a failure, not a hung test
//
// Only paths inside a "team.vesk.desktop" directory are ever failed: the
// standard streams, the dynamic loader and the random device pass untouched.
#define _GNU_SOURCE
#include <dirent.h>
#include <dlfcn.h>
#include <errno.h>
#include <fcntl.h>
#include <limits.h>
#include <stdarg.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

static const char kScope[] = "team.vesk.desktop";

enum Transfer { kFailWithErrno, kShortTransfer, kZeroTransfer };

static struct {
  const char* call;  // NULL: inject nothing
  const char* path_end;
  int error;
  enum Transfer transfer;
  long nth;
  long seen;
  const char* log_path;
} config;

// ---- The real functions ------------------------------------------------

static void load_next(const char* name, void* slot, size_t size) {
  void* symbol = dlsym(RTLD_NEXT, name);
  if (symbol == NULL) abort();
  memcpy(slot, &symbol, size);  // ISO C has no cast from object to function pointer
}

#define NEXT(name)                             \
  static __typeof__(&name) next_##name = NULL; \
  if (next_##name == NULL) load_next(#name, &next_##name, sizeof next_##name)

// ---- Descriptors opened on paths in scope ------------------------------

enum { kTrackedFds = 256 };
static char fd_paths[kTrackedFds][PATH_MAX];

static int in_scope(const char* path) {
  return path != NULL && strstr(path, kScope) != NULL;
}

static const char* fd_path(int fd) {
  if (fd < 0 || fd >= kTrackedFds || fd_paths[fd][0] == '\0') return NULL;
  return fd_paths[fd];
}

// `path` relative to the directory `dir_fd` (or the working directory).
static const char* resolve(int dir_fd, const char* path, char* buffer, size_t size) {
  if (path == NULL || path[0] == '/' || dir_fd == AT_FDCWD) return path;
  const char* dir = fd_path(dir_fd);
  if (dir == NULL) return path;
  snprintf(buffer, size, "%s/%s", dir, path);
  return buffer;
}

// Every successful open passes here, so a reused number never keeps the
// path of the descriptor it had before.
static int remember(int fd, const char* path) {
  if (fd < 0 || fd >= kTrackedFds) return fd;
  if (in_scope(path) && strlen(path) < PATH_MAX) {
    strcpy(fd_paths[fd], path);
  } else {
    fd_paths[fd][0] = '\0';
  }
  return fd;
}

static void forget(int fd) {
  if (fd >= 0 && fd < kTrackedFds) fd_paths[fd][0] = '\0';
}

// ---- Deciding and reporting a failure ----------------------------------

static void log_line(const char* event, const char* call, const char* path) {
  if (config.log_path == NULL) return;
  NEXT(open);
  NEXT(write);
  NEXT(close);
  int fd = next_open(config.log_path, O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0600);
  if (fd < 0) return;
  char line[PATH_MAX + 64];
  int length = snprintf(line, sizeof line, "%s %s %s\n", event, call, path);
  if (length > 0 && (size_t)length < sizeof line) {
    ssize_t ignored = next_write(fd, line, (size_t)length);
    (void)ignored;
  }
  next_close(fd);
}

static int ends_with(const char* text, const char* end) {
  size_t text_length = strlen(text);
  size_t end_length = strlen(end);
  return text_length >= end_length && strcmp(text + text_length - end_length, end) == 0;
}

// Whether this call is the one to fail; logs it when it is.
static int should_fail(const char* call, const char* path) {
  if (config.call == NULL || strcmp(call, config.call) != 0) return 0;
  if (!in_scope(path) || !ends_with(path, config.path_end)) return 0;
  if (++config.seen != config.nth) return 0;
  log_line("failed", call, path);
  return 1;
}

static int fail_errno(void) {
  errno = config.error;
  return -1;
}

// ---- Configuration -----------------------------------------------------

static const struct {
  const char* name;
  int value;
} kErrnoNames[] = {
    {"ENOSPC", ENOSPC}, {"EIO", EIO},       {"EDQUOT", EDQUOT}, {"EROFS", EROFS},
    {"EINTR", EINTR},   {"EACCES", EACCES}, {"ENOENT", ENOENT}, {"EEXIST", EEXIST},
    {"EBADF", EBADF},   {"ENOMEM", ENOMEM}, {"EMFILE", EMFILE}, {"ENOLCK", ENOLCK},
};

static void refuse_config(const char* what, const char* value) {
  // On standard error, so that a test comparing the event lines shows it.
  char line[256];
  int length = snprintf(line, sizeof line, "fault shim: bad %s \"%s\"\n", what, value);
  if (length > 0 && (size_t)length < sizeof line) {
    ssize_t ignored = write(2, line, (size_t)length);
    (void)ignored;
  }
  _exit(125);
}

static void read_errno(const char* name) {
  if (strcmp(name, "short") == 0) {
    config.transfer = kShortTransfer;
    return;
  }
  if (strcmp(name, "zero") == 0) {
    config.transfer = kZeroTransfer;
    return;
  }
  for (size_t i = 0; i < sizeof kErrnoNames / sizeof kErrnoNames[0]; ++i) {
    if (strcmp(name, kErrnoNames[i].name) == 0) {
      config.error = kErrnoNames[i].value;
      return;
    }
  }
  refuse_config("VESK_FAULT_ERRNO", name);
}

__attribute__((constructor)) static void configure(void) {
  config.log_path = getenv("VESK_FAULT_LOG");
  log_line("loaded", "", "");
  const char* deadline = getenv("VESK_FAULT_DEADLINE");
  if (deadline != NULL) alarm((unsigned)atoi(deadline));

  const char* call = getenv("VESK_FAULT_CALL");
  if (call == NULL || call[0] == '\0') return;
  const char* path_end = getenv("VESK_FAULT_PATH");
  const char* error = getenv("VESK_FAULT_ERRNO");
  const char* nth = getenv("VESK_FAULT_NTH");
  config.path_end = path_end != NULL ? path_end : "";
  config.error = EIO;
  if (error != NULL) read_errno(error);
  config.nth = nth != NULL ? atol(nth) : 1;
  if (config.nth < 1) refuse_config("VESK_FAULT_NTH", nth);
  config.call = call;
}

__attribute__((destructor)) static void report_leaks(void) {
  for (int fd = 0; fd < kTrackedFds; ++fd) {
    if (fd_path(fd) != NULL && fcntl(fd, F_GETFD) != -1)
      log_line("leaked", "descriptor", fd_path(fd));
  }
}

// ---- Calls on paths ----------------------------------------------------

static mode_t mode_argument(int flags, va_list arguments) {
  if ((flags & O_CREAT) == 0 && (flags & O_TMPFILE) != O_TMPFILE) return 0;
  return (mode_t)va_arg(arguments, int);
}

#define DEFINE_OPEN(name)                                  \
  int name(const char* path, int flags, ...) {             \
    NEXT(name);                                            \
    va_list arguments;                                     \
    va_start(arguments, flags);                            \
    mode_t mode = mode_argument(flags, arguments);         \
    va_end(arguments);                                     \
    if (should_fail("open", path)) return fail_errno();    \
    return remember(next_##name(path, flags, mode), path); \
  }

DEFINE_OPEN(open)
DEFINE_OPEN(open64)

#define DEFINE_OPENAT(name)                                          \
  int name(int dir_fd, const char* path, int flags, ...) {           \
    NEXT(name);                                                      \
    va_list arguments;                                               \
    va_start(arguments, flags);                                      \
    mode_t mode = mode_argument(flags, arguments);                   \
    va_end(arguments);                                               \
    char buffer[2 * PATH_MAX];                                       \
    const char* full = resolve(dir_fd, path, buffer, sizeof buffer); \
    if (should_fail("open", full)) return fail_errno();              \
    return remember(next_##name(dir_fd, path, flags, mode), full);   \
  }

DEFINE_OPENAT(openat)
DEFINE_OPENAT(openat64)

// The checked forms that _FORTIFY_SOURCE routes an open without a mode to.
int __open_2(const char* path, int flags);
int __open64_2(const char* path, int flags);

#define DEFINE_OPEN_2(name)                             \
  int name(const char* path, int flags) {               \
    NEXT(name);                                         \
    if (should_fail("open", path)) return fail_errno(); \
    return remember(next_##name(path, flags), path);    \
  }

DEFINE_OPEN_2(__open_2)
DEFINE_OPEN_2(__open64_2)

int mkdir(const char* path, mode_t mode) {
  NEXT(mkdir);
  if (should_fail("mkdir", path)) return fail_errno();
  return next_mkdir(path, mode);
}

int chmod(const char* path, mode_t mode) {
  NEXT(chmod);
  if (should_fail("chmod", path)) return fail_errno();
  return next_chmod(path, mode);
}

int rename(const char* from, const char* to) {
  NEXT(rename);
  if (should_fail("rename", from)) return fail_errno();
  return next_rename(from, to);
}

int unlink(const char* path) {
  NEXT(unlink);
  if (should_fail("unlink", path)) return fail_errno();
  return next_unlink(path);
}

#define DEFINE_STAT(name, call, info_type)            \
  int name(const char* path, info_type* info) {       \
    NEXT(name);                                       \
    if (should_fail(call, path)) return fail_errno(); \
    return next_##name(path, info);                   \
  }

DEFINE_STAT(stat, "stat", struct stat)
DEFINE_STAT(stat64, "stat", struct stat64)
DEFINE_STAT(lstat, "lstat", struct stat)
DEFINE_STAT(lstat64, "lstat", struct stat64)

#define DEFINE_FSTATAT(name, info_type)                                         \
  int name(int dir_fd, const char* path, info_type* info, int flags) {          \
    NEXT(name);                                                                 \
    char buffer[2 * PATH_MAX];                                                  \
    if (should_fail("fstatat", resolve(dir_fd, path, buffer, sizeof buffer))) { \
      return fail_errno();                                                      \
    }                                                                           \
    return next_##name(dir_fd, path, info, flags);                              \
  }

DEFINE_FSTATAT(fstatat, struct stat)
DEFINE_FSTATAT(fstatat64, struct stat64)

DIR* opendir(const char* path) {
  NEXT(opendir);
  if (should_fail("opendir", path)) {
    errno = config.error;
    return NULL;
  }
  DIR* dir = next_opendir(path);
  if (dir != NULL) remember(dirfd(dir), path);
  return dir;
}

// ---- Calls on descriptors ----------------------------------------------

#define DEFINE_FSTAT(name, info_type)                           \
  int name(int fd, info_type* info) {                           \
    NEXT(name);                                                 \
    if (should_fail("fstat", fd_path(fd))) return fail_errno(); \
    return next_##name(fd, info);                               \
  }

DEFINE_FSTAT(fstat, struct stat)
DEFINE_FSTAT(fstat64, struct stat64)

int flock(int fd, int operation) {
  NEXT(flock);
  if (should_fail("flock", fd_path(fd))) return fail_errno();
  return next_flock(fd, operation);
}

// fdatasync counts as fsync: either flushes the data to the disk.
int fsync(int fd) {
  NEXT(fsync);
  if (should_fail("fsync", fd_path(fd))) return fail_errno();
  return next_fsync(fd);
}

int fdatasync(int fd) {
  NEXT(fdatasync);
  if (should_fail("fsync", fd_path(fd))) return fail_errno();
  return next_fdatasync(fd);
}

static size_t short_count(size_t count) {
  return count > 1 ? count / 2 : count;
}

ssize_t write(int fd, const void* buffer, size_t count) {
  NEXT(write);
  if (should_fail("write", fd_path(fd))) {
    if (config.transfer == kZeroTransfer) return 0;
    if (config.transfer == kFailWithErrno) return fail_errno();
    count = short_count(count);
  }
  return next_write(fd, buffer, count);
}

ssize_t read(int fd, void* buffer, size_t count) {
  NEXT(read);
  if (should_fail("read", fd_path(fd))) {
    if (config.transfer == kZeroTransfer) return 0;
    if (config.transfer == kFailWithErrno) return fail_errno();
    count = short_count(count);
  }
  return next_read(fd, buffer, count);
}

// Linux releases the descriptor even when close reports an error.
int close(int fd) {
  NEXT(close);
  const int fail = should_fail("close", fd_path(fd));
  forget(fd);
  const int result = next_close(fd);
  return fail ? fail_errno() : result;
}

DIR* fdopendir(int fd) {
  NEXT(fdopendir);
  if (should_fail("fdopendir", fd_path(fd))) {
    errno = config.error;
    return NULL;
  }
  return next_fdopendir(fd);
}

int closedir(DIR* dir) {
  NEXT(closedir);
  forget(dirfd(dir));  // glibc closes it without going through close()
  return next_closedir(dir);
}

#define DEFINE_READDIR(name, entry_type)               \
  entry_type* name(DIR* dir) {                         \
    NEXT(name);                                        \
    if (should_fail("readdir", fd_path(dirfd(dir)))) { \
      errno = config.error;                            \
      return NULL;                                     \
    }                                                  \
    return next_##name(dir);                           \
  }

DEFINE_READDIR(readdir, struct dirent)
DEFINE_READDIR(readdir64, struct dirent64)
