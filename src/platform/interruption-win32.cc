// Ending a run at a signal on Windows: a console control handler that
// notes the signal and cancels the run's blocking read or write, so that
// the run discards its output and ends the process itself.
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include <csignal>

#include "platform/interruption.h"

std::atomic<int> interruption_signal{0};

namespace {

HANDLE run_thread = nullptr;

// Taken by the run for a step on the files that must be done whole, and by
// the handler to note a signal: a signal that comes during the step waits
// for its end.
SRWLOCK held = SRWLOCK_INIT;
bool dropped = false;  // under `held`: the held step made the run a success

// Ctrl-C, Ctrl-Break, a closed console window, logoff or shutdown: the
// system calls this on a thread of its own, and a file that the run holds
// open cannot be removed from here. So it notes the signal and cancels the
// run's blocking read or write until the run, which then fails, has
// discarded its output and ended the process (stop_watching_interruptions).
// A closed window ends the process anyway some seconds after this returns,
// so it never returns. A Ctrl-C that the process inherited as ignored never
// comes here.
BOOL WINAPI end_run(DWORD event) {
  const bool came_while_held = TryAcquireSRWLockExclusive(&held) == 0;
  if (came_while_held) AcquireSRWLockExclusive(&held);
  // One that waited for a step that then made the run a success has no
  // effect: the run ends as it would have had it come just after.
  const bool no_effect = came_while_held && dropped;
  if (!no_effect) {
    interruption_signal.store(event == CTRL_C_EVENT ? SIGINT : event == CTRL_BREAK_EVENT ? SIGBREAK : SIGTERM);
  }
  ReleaseSRWLockExclusive(&held);
  if (no_effect) return TRUE;
  for (;;) {
    CancelSynchronousIo(run_thread);
    Sleep(20);
  }
}

}  // namespace

void ignore_write_signals() {}  // Windows has neither: a failed write fails

void watch_interruptions() {
  interruption_signal.store(0);
  if (run_thread == nullptr) {
    DuplicateHandle(GetCurrentProcess(), GetCurrentThread(), GetCurrentProcess(), &run_thread, 0, FALSE,
                    DUPLICATE_SAME_ACCESS);
  }
  SetConsoleCtrlHandler(end_run, TRUE);
}

bool hold_interruptions() {
  AcquireSRWLockExclusive(&held);
  dropped = false;
  return interrupted();
}

void release_interruptions() { ReleaseSRWLockExclusive(&held); }

void drop_held_interruptions() { dropped = true; }

// The run removes its new file itself, and the file is marked to go when
// its handle closes however the process ends.
void remove_on_interruption(FileHandle, const char*) {}
void forget_on_interruption() {}

// Interrupted, it ends the process before taking the handler off: that
// would wait for the handler, which never returns.
void stop_watching_interruptions() {
  if (interrupted()) std::raise(interruption_signal.load());  // the default action: exit status 3
  SetConsoleCtrlHandler(end_run, FALSE);
}
