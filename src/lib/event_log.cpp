#include "lib/event_log.h"

#include "lib/program.h"
#include "story_seeds/posix_io.h"

namespace vesk {

void log_event(EventLog& log, std::string_view text) {
  log.line_.assign(PROGRAM_NAME);
  log.line_ += ": ";
  log.line_ += text;
  log.line_ += '\n';
  // Ignored on purpose: a closed or full standard error loses the event only.
  (void)story_seeds::write_all(log.fd_, log.line_);
}

}  // namespace vesk
