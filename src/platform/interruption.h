// Signals during a run: Ctrl-C (SIGINT), SIGTERM, a closed terminal
// (SIGHUP), SIGQUIT and the other signals that end a process, and on
// Windows Ctrl-Break and a closed console window. Whatever the run waits
// on, the process ends as the signal would have ended it, and the file
// that the run was writing beside its output is gone first, so that the
// output's name keeps what it held. A signal that the process inherited
// as ignored stays ignored.
#pragma once

#include <atomic>
#include <csignal>
#include <filesystem>

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
// remove_on_interruption and raises the signal again with its default
// action; on Windows the run's blocking read or write is cancelled, so
// that the run sees interrupted() and ends the process itself.
void watch_interruptions();

// True once a signal was noted since watch_interruptions.
inline bool interrupted() { return interruption_signal.load(std::memory_order_relaxed) != 0; }

// Holds the watched signals back until release_interruptions, so that a
// step on the files (creating the temporary file and noting its name,
// renaming it over the output) is done whole or not at all. True when a
// signal arrived already: then the step must not be taken.
bool hold_interruptions();
void release_interruptions();

// The file that an interruption removes before the process ends: one that
// the run created and nobody else has. Call while holding the signals.
// The name must stay as it is until forget_on_interruption.
void remove_on_interruption(const std::filesystem::path& file);
void forget_on_interruption();

// Gives the signals their default action back and, when one was noted in
// the meantime, raises it again, which ends the process.
void stop_watching_interruptions();
