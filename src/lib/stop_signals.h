// SIGTERM, SIGINT and SIGHUP are a client's polite ways to end the server. A
// save holds them back from when it holds the queue lock until its answer is
// out, so that they can cut neither a seed file half-written nor a saved seed
// from its answer; then they take their ordinary effect. The wait for the
// lock, which has no bound and writes nothing, is left to them. The signal
// mask belongs to the whole process (one thread), so this is process-wide
// state.
#pragma once

namespace vesk {

// The stop signals stay pending from here until `release_stop_signals`.
void hold_stop_signals();

// Lets held stop signals through; one that arrived meanwhile ends the process
// now. Costs nothing when none are held.
void release_stop_signals();

}  // namespace vesk
