// Ending a run at a signal on Linux: a handler for every signal whose
// default action ends the process, which removes the new file and ends
// the process by the same signal.
#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <ctime>

#include "platform/interruption.h"

std::atomic<int> interruption_signal{0};

namespace {

// Signals 1 to NSIG - 1. Those between the standard signals and SIGRTMIN
// belong to the C library's threads, which must keep them.
constexpr int kSignals = NSIG;

// Whether `signal`'s default action ends the process, which a run must
// see first, but for SIGPIPE and SIGXFSZ, which ignore_write_signals
// turns into failed writes, and SIGKILL and SIGSTOP, which no process can
// catch.
bool ends_the_process(int signal) {
  switch (signal) {
    case SIGKILL:
    case SIGSTOP:
    case SIGPIPE:
    case SIGXFSZ:
    case SIGCHLD:  // the default of these is to ignore, stop or continue
    case SIGCONT:
    case SIGTSTP:
    case SIGTTIN:
    case SIGTTOU:
    case SIGURG:
    case SIGWINCH:
      return false;
    default:
      return signal < 32 || (signal >= SIGRTMIN && signal <= SIGRTMAX);
  }
}

// Signals that the processor raises at the faulting instruction: no use
// holding them back, and a crash must still remove the new file.
bool is_synchronous(int signal) {
  return signal == SIGSEGV || signal == SIGBUS || signal == SIGILL || signal == SIGFPE || signal == SIGTRAP ||
         signal == SIGSYS;
}

struct sigaction inherited[kSignals];
bool watched[kSignals] = {};

// The new file, made ready before it exists, so that the handler only reads it.
std::atomic<int> removal_folder{-1};
std::atomic<const char*> removal_name{nullptr};

sigset_t held_set() {
  sigset_t set;
  sigemptyset(&set);
  for (int signal = 1; signal < kSignals; ++signal) {
    if (watched[signal] && !is_synchronous(signal)) sigaddset(&set, signal);
  }
  return set;
}

// Only async-signal-safe calls: the file goes, the inherited action comes
// back (a sanitizer's report, or the default), and the signal raised again
// (held until this returns) ends the process as it would have without us.
extern "C" void end_run(int signal) {
  interruption_signal.store(signal);
  if (const char* name = removal_name.load()) unlinkat(removal_folder.load(), name, 0);
  sigaction(signal, &inherited[signal], nullptr);
  raise(signal);
}

}  // namespace

void ignore_write_signals() {
  signal(SIGPIPE, SIG_IGN);
  signal(SIGXFSZ, SIG_IGN);
}

void watch_interruptions() {
  interruption_signal.store(0);
  struct sigaction action {};
  action.sa_handler = end_run;
  sigfillset(&action.sa_mask);  // one handler at a time, undisturbed
  for (int signal = 1; signal < kSignals; ++signal) {
    watched[signal] = false;
    if (!ends_the_process(signal) || sigaction(signal, nullptr, &inherited[signal]) != 0) continue;
    // nohup, a background job: ignored it stays.
    if (inherited[signal].sa_handler == SIG_IGN) continue;
    watched[signal] = sigaction(signal, &action, nullptr) == 0;
  }
}

bool hold_interruptions() {
  const sigset_t set = held_set();
  sigprocmask(SIG_BLOCK, &set, nullptr);
  sigset_t pending;
  sigemptyset(&pending);
  sigpending(&pending);
  bool arrived = interrupted();
  for (int signal = 1; signal < kSignals; ++signal)
    arrived = arrived || (watched[signal] && sigismember(&pending, signal));
  return arrived;
}

void release_interruptions() {
  const sigset_t set = held_set();
  sigprocmask(SIG_UNBLOCK, &set, nullptr);
}

void drop_held_interruptions() {
  const sigset_t set = held_set();
  const timespec now{0, 0};
  while (sigtimedwait(&set, nullptr, &now) > 0) {
  }
}

void remove_on_interruption(FileHandle folder, const char* name) {
  removal_folder.store(folder);
  removal_name.store(name);
}

void forget_on_interruption() { removal_name.store(nullptr); }

void stop_watching_interruptions() {
  for (int signal = 1; signal < kSignals; ++signal) {
    if (watched[signal]) sigaction(signal, &inherited[signal], nullptr);
    watched[signal] = false;
  }
  if (const int signal = interruption_signal.load()) raise(signal);
}
