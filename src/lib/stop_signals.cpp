#include "lib/stop_signals.h"

#include <signal.h>

namespace vesk {

namespace {

bool held = false;
sigset_t mask_before_hold;

}  // namespace

void hold_stop_signals() {
  if (held) return;
  sigset_t stops;
  sigemptyset(&stops);
  sigaddset(&stops, SIGTERM);
  sigaddset(&stops, SIGINT);
  sigaddset(&stops, SIGHUP);
  held = sigprocmask(SIG_BLOCK, &stops, &mask_before_hold) == 0;
}

void release_stop_signals() {
  if (!held) return;
  held = false;
  // Restores the mask the process had, which may block some of them itself.
  sigprocmask(SIG_SETMASK, &mask_before_hold, nullptr);
}

}  // namespace vesk
