// Ctrl-C on Windows while the run holds a step on its files (the commit):
// the handler waits for the step, and a Ctrl-C that waited has no effect
// once the step made the run a success. Ctrl-C needs a console: under Wine
// the test runs under `script`, which gives it one; without one it is
// skipped, or fails where PRIMEPACK_NEEDS_CONSOLE says there is one.
#include "platform/interruption.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <cstdlib>

namespace {

// Whether the signal is noted within `milliseconds`.
bool noted_within(int milliseconds) {
  for (int waited = 0; waited < milliseconds; waited += 10) {
    if (interrupted()) return true;
    Sleep(10);
  }
  return interrupted();
}

TEST(HeldInterruptions, CtrlCWaitsForTheHeldStepAndCountsUnlessDropped) {
  DWORD mode = 0;
  if (!GetConsoleMode(GetStdHandle(STD_INPUT_HANDLE), &mode)) {
    if (std::getenv("PRIMEPACK_NEEDS_CONSOLE") != nullptr) FAIL() << "no console";
    GTEST_SKIP() << "no console to send Ctrl-C to";
  }
  watch_interruptions();
  // A signal that counts stays noted: that row comes last.
  const struct {
    bool dropped;
    bool noted;
  } rows[] = {{true, false}, {false, true}};
  for (const auto& row : rows) {
    SCOPED_TRACE(row.dropped ? "dropped" : "kept");
    ASSERT_FALSE(hold_interruptions());
    ASSERT_TRUE(GenerateConsoleCtrlEvent(CTRL_C_EVENT, 0));
    EXPECT_FALSE(noted_within(300));  // held
    if (row.dropped) drop_held_interruptions();
    release_interruptions();
    EXPECT_EQ(noted_within(3000), row.noted);
  }
  // Noted, it stops the next step before it is taken.
  EXPECT_TRUE(hold_interruptions());
  release_interruptions();
}

}  // namespace
