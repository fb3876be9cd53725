// Crashes on purpose, so that a test can read the backtrace Wine prints for
// an image split like the shipped program (symbols in the .debug file only).
#include <cstdio>

__attribute__((noinline)) void DeliberateCrashInProbe(volatile int* where) {
  *where = 42;
}

int main() {
  std::fflush(stdout);
  DeliberateCrashInProbe(nullptr);
  return 0;
}
