// Process set-up and the command line; the server itself lives in lib/.
#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <string>
#include <string_view>

#include "lib/event_log.h"
#include "lib/line_reader.h"
#include "lib/message_loop.h"
#include "lib/program.h"
#include "lib/session.h"
#include "story_seeds/posix_io.h"

namespace {

constexpr std::string_view kUsageTail =
    ": the vesk Stories MCP server (stdio). It is started by Claude Code or Codex, not by hand "
    "— see vesk → Story sources for the one-line setup.\n";

// Puts /dev/null on each of descriptors 0-2 that is closed, so that no file
// opened later can take a standard descriptor and receive responses or
// events. False when that is impossible.
bool fill_standard_descriptors() {
  for (int fd = 0; fd <= 2; ++fd) {
    if (fcntl(fd, F_GETFD) != -1 || errno != EBADF) continue;
    // The lowest free descriptor is `fd`, since the lower ones are open.
    auto opened = story_seeds::open_fd("/dev/null", O_RDWR);
    if (!opened.ok() || opened.value().release() != fd) return false;
  }
  return true;
}

// A line that cannot be written is a failure: it was the program's whole output.
int print(std::string_view line) {
  return story_seeds::write_all(STDOUT_FILENO, line).ok() ? EXIT_SUCCESS : EXIT_FAILURE;
}

int run_server() {
  vesk::Session session{vesk::data_dir_from_home(std::getenv("HOME"))};
  vesk::EventLog events(STDERR_FILENO);
  vesk::log_event(events, "ready");
  vesk::FdSource input(STDIN_FILENO);
  vesk::LoopEnd end = vesk::run_message_loop(session, input, STDOUT_FILENO, events);
  return end == vesk::LoopEnd::EndOfInput ? EXIT_SUCCESS : EXIT_FAILURE;
}

}  // namespace

int main(int argc, char** argv) {
  signal(SIGPIPE, SIG_IGN);
  if (!fill_standard_descriptors()) return EXIT_FAILURE;
  if (argc < 2) return run_server();
  std::string_view first = argv[1];
  std::string line(vesk::PROGRAM_NAME);
  if (first == "--version" || first == "-V") {
    line += ' ';
    line += vesk::PROGRAM_VERSION;
    line += '\n';
  } else {
    line += kUsageTail;
  }
  return print(line);
}
