// Signals during a run: every signal whose default action ends the process
// (Ctrl-C, SIGTERM, a closed terminal, a CPU limit, a real-time signal, a
// crash...), and on Windows Ctrl-C, Ctrl-Break and a closed console
// window. Whatever the run waits on, the process ends as the signal would
// have ended it, and the new file that the run was writing beside its
// output is gone first, so that the output's name keeps what it held. A
// signal that the process inherited as ignored stays ignored.
#pragma once

#include <atomic>

#include "platform/files.h"

// The signal noted since watch_interruptions, or 0. On Linux the handler
// itself ends the process; on Windows the console's handler runs on a
// thread of its own and the run ends the process once it sees this.
extern std::atomic<int> interruption_signal;
static_assert(std::atomic<int>::is_always_lock_free, "set from a signal handler and another thread");

// Signals that would end the process in the middle of a write are ignored
// from now on, so that the write fails instead: a file size limit (SIGXFSZ)
// then fails the output like a full disk, and a reader that closed standard
// output (SIGPIPE) only loses the messages, never the conversion.
void ignore_write_signals();

// From now on, each watched signal that was not inherited as ignored ends
// the process at once: on Linux its handler removes the file named by
// remove_on_interruption and ends the process by the same signal; on
// Windows the run's blocking read or write is cancelled, so that the run
// sees interrupted() and ends the process itself.
void watch_interruptions();

// True once a signal was noted since watch_interruptions.
inline bool interrupted() { return interruption_signal.load(std::memory_order_relaxed) != 0; }

// Holds the watched signals back until release_interruptions, so that a
// step on the files (creating the new file and noting it, renaming it over
// the output) is done whole or not at all. True when a signal arrived
// already: then the step must not be taken.
bool hold_interruptions();
void release_interruptions();

// Drops the signals that came while they were held, once the step they
// were held for has made the run a success. Call while holding them.
void drop_held_interruptions();

// The new file that an interruption removes before the process ends: the
// entry `name` of the folder `folder`, which the run created and nobody
// else has. Call while holding the signals; `name` must stay as it is
// until forget_on_interruption.
void remove_on_interruption(FileHandle folder, const char* name);
void forget_on_interruption();

// Gives the watched signals their inherited action back and, when one was
// noted in the meantime, ends the process by it.
void stop_watching_interruptions();
