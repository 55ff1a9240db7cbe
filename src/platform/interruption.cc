// Noting signals while a run writes its output, on Linux and on Windows.
#include "platform/interruption.h"

#ifdef _WIN32
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
#endif

volatile std::sig_atomic_t interruption_signal = 0;

namespace {

constexpr int kWatched[] = {
    SIGINT, SIGTERM,
#ifdef SIGHUP
    SIGHUP,
#endif
#ifdef SIGBREAK
    SIGBREAK,  // Ctrl-Break on Windows
#endif
};

extern "C" void note_interruption(int signal) { interruption_signal = signal; }

#ifdef _WIN32
// A closed console window (or logoff, shutdown) reaches no signal handler:
// the system ends the process once this returns. So it notes SIGTERM and
// waits for the run, which discards its output and ends the process itself.
// Ctrl-C and Ctrl-Break are left to the signals above.
BOOL WINAPI note_console_close(DWORD event) {
  if (event == CTRL_C_EVENT || event == CTRL_BREAK_EVENT) return FALSE;
  interruption_signal = SIGTERM;
  Sleep(INFINITE);
  return TRUE;
}
#endif

}  // namespace

void ignore_write_signals() {
#ifdef SIGPIPE
  std::signal(SIGPIPE, SIG_IGN);
#endif
#ifdef SIGXFSZ
  std::signal(SIGXFSZ, SIG_IGN);
#endif
}

void watch_interruptions() {
  interruption_signal = 0;
  for (int signal : kWatched) std::signal(signal, note_interruption);
#ifdef _WIN32
  SetConsoleCtrlHandler(note_console_close, TRUE);
#endif
}

void stop_watching_interruptions() {
#ifdef _WIN32
  SetConsoleCtrlHandler(note_console_close, FALSE);
#endif
  for (int signal : kWatched) std::signal(signal, SIG_DFL);
  if (interrupted()) std::raise(interruption_signal);
}
