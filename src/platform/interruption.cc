// Ending a run at a signal, on Linux and on Windows.
#include "platform/interruption.h"

#include <array>

#ifdef _WIN32
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
#else
#include <unistd.h>
#endif

std::atomic<int> interruption_signal{0};

#ifdef _WIN32

namespace {

HANDLE run_thread = nullptr;

// Ctrl-C, Ctrl-Break, a closed console window, logoff or shutdown: the
// system calls this on a thread of its own, and a file that the run holds
// open cannot be removed from here. So it notes the signal and cancels
// the run's blocking read or write until the run, which then fails, has
// discarded its output and ended the process (stop_watching_interruptions).
// A closed window ends the process anyway some seconds after this returns,
// so it never returns. A Ctrl-C that the process inherited as ignored never
// comes here.
BOOL WINAPI end_run(DWORD event) {
  interruption_signal.store(event == CTRL_C_EVENT ? SIGINT : event == CTRL_BREAK_EVENT ? SIGBREAK : SIGTERM);
  for (;;) {
    CancelSynchronousIo(run_thread);
    Sleep(20);
  }
}

}  // namespace

void ignore_write_signals() {}

void watch_interruptions() {
  interruption_signal.store(0);
  if (run_thread == nullptr) {
    DuplicateHandle(GetCurrentProcess(), GetCurrentThread(), GetCurrentProcess(), &run_thread, 0, FALSE,
                    DUPLICATE_SAME_ACCESS);
  }
  SetConsoleCtrlHandler(end_run, TRUE);
}

bool hold_interruptions() { return interrupted(); }
void release_interruptions() {}
void remove_on_interruption(const std::filesystem::path&) {}  // the run removes it itself
void forget_on_interruption() {}

// Interrupted, it ends the process before taking the handler off: that
// would wait for the handler, which never returns.
void stop_watching_interruptions() {
  if (interrupted()) std::raise(interruption_signal.load());  // the default action: exit status 3
  SetConsoleCtrlHandler(end_run, FALSE);
}

#else

namespace {

// The signals whose default action ends the process, but for SIGPIPE and
// SIGXFSZ, which ignore_write_signals turns into failed writes.
constexpr std::array kWatched = {SIGHUP, SIGINT, SIGQUIT, SIGTERM, SIGALRM, SIGUSR1, SIGUSR2};
std::array<bool, kWatched.size()> installed{};

// Made ready before the file exists, so that the handler only reads it.
std::atomic<const char*> removal{nullptr};

sigset_t watched_set() {
  sigset_t set;
  sigemptyset(&set);
  for (int signal : kWatched) sigaddset(&set, signal);
  return set;
}

// Only async-signal-safe calls: the file goes, the signal's default action
// comes back, and the signal raised again (held until this returns) ends
// the process as it would have without us.
extern "C" void end_run(int signal) {
  interruption_signal.store(signal);
  if (const char* file = removal.load()) unlink(file);
  std::signal(signal, SIG_DFL);
  std::raise(signal);
}

}  // namespace

void ignore_write_signals() {
  std::signal(SIGPIPE, SIG_IGN);
  std::signal(SIGXFSZ, SIG_IGN);
}

void watch_interruptions() {
  interruption_signal.store(0);
  struct sigaction action {};
  action.sa_handler = end_run;
  action.sa_mask = watched_set();  // one handler at a time
  for (std::size_t i = 0; i < kWatched.size(); ++i) {
    struct sigaction inherited {};
    sigaction(kWatched[i], nullptr, &inherited);
    installed[i] = inherited.sa_handler != SIG_IGN;  // nohup, a background job: ignored it stays
    if (installed[i]) sigaction(kWatched[i], &action, nullptr);
  }
}

bool hold_interruptions() {
  const sigset_t set = watched_set();
  sigprocmask(SIG_BLOCK, &set, nullptr);
  sigset_t pending;
  sigemptyset(&pending);
  sigpending(&pending);
  bool arrived = interrupted();
  for (std::size_t i = 0; i < kWatched.size(); ++i)
    arrived = arrived || (installed[i] && sigismember(&pending, kWatched[i]));
  return arrived;
}

void release_interruptions() {
  const sigset_t set = watched_set();
  sigprocmask(SIG_UNBLOCK, &set, nullptr);
}

void remove_on_interruption(const std::filesystem::path& file) { removal.store(file.c_str()); }

void forget_on_interruption() { removal.store(nullptr); }

void stop_watching_interruptions() {
  for (std::size_t i = 0; i < kWatched.size(); ++i) {
    if (installed[i]) std::signal(kWatched[i], SIG_DFL);
    installed[i] = false;
  }
  if (interrupted()) std::raise(interruption_signal.load());
}

#endif
