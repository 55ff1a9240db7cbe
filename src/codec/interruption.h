// Ctrl-C (SIGINT), SIGTERM and a closed terminal (SIGHUP) during a run: the
// run notices them between two items, removes its incomplete output, and
// only then lets the process end as the signal would have ended it.
#pragma once

#include <csignal>

// The signal that arrived since watch_interruptions, or 0.
extern volatile std::sig_atomic_t interruption_signal;

// From now on, the signals only set interruption_signal.
void watch_interruptions();

// True once a signal arrived since watch_interruptions.
inline bool interrupted() { return interruption_signal != 0; }

// Gives the signals their default action back and, when one arrived in the
// meantime, raises it again, which ends the process.
void stop_watching_interruptions();
