// Signals during a run. Ctrl-C (SIGINT), SIGTERM, a closed terminal
// (SIGHUP) and, on Windows, Ctrl-Break and a closed console window: the
// run notices them between two items or blocks, discards its output (the
// output's name keeps what it held), and only then lets the process end as
// the signal would have ended it.
#pragma once

#include <csignal>

// The signal that arrived since watch_interruptions, or 0.
extern volatile std::sig_atomic_t interruption_signal;

// Signals that would end the process in the middle of a write are ignored
// from now on, so that the write fails instead: a file size limit (SIGXFSZ)
// then fails the output like a full disk, and a reader that closed standard
// output (SIGPIPE) only loses the messages, never the conversion.
void ignore_write_signals();

// From now on, the signals only set interruption_signal.
void watch_interruptions();

// True once a signal arrived since watch_interruptions.
inline bool interrupted() { return interruption_signal != 0; }

// Gives the signals their default action back and, when one arrived in the
// meantime, raises it again, which ends the process.
void stop_watching_interruptions();
