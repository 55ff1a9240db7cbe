#include "codec/interruption.h"

volatile std::sig_atomic_t interruption_signal = 0;

namespace {

constexpr int kWatched[] = {
    SIGINT,
    SIGTERM,
#ifdef SIGHUP
    SIGHUP,
#endif
};

extern "C" void note_interruption(int signal) { interruption_signal = signal; }

}  // namespace

void watch_interruptions() {
  interruption_signal = 0;
  for (int signal : kWatched) std::signal(signal, note_interruption);
}

void stop_watching_interruptions() {
  for (int signal : kWatched) std::signal(signal, SIG_DFL);
  if (interrupted()) std::raise(interruption_signal);
}
