// One-line diagnostic events on standard error.
#pragma once

#include <string>
#include <string_view>

namespace vesk {

// Unbuffered writer of event lines to one descriptor (standard error in the
// server). Used by one thread at a time.
class EventLog {
 public:
  explicit EventLog(int fd) : fd_(fd) {}
  int fd() const { return fd_; }

 private:
  friend void log_event(EventLog& log, std::string_view text);
  int fd_;
  std::string line_;  // reused across events
};

// Writes "vesk-desktop-mcp: <text>\n". `text` is plain ASCII without a
// newline. A failed write is dropped silently: events must never disturb the
// answers on standard output.
void log_event(EventLog& log, std::string_view text);

}  // namespace vesk
