#include "services/portable/main_tick.h"

unsigned MainTickPaceMs(bool bubbleShown, bool playerKnown) {
  return bubbleShown || playerKnown ? kMainTickMs : kQuietMainTickMs;
}

bool MayAnimateCheck::Tick(unsigned paceMs) {
  sinceMs_ += paceMs;
  if (sinceMs_ < kMayAnimateCheckMs) return false;
  sinceMs_ = 0;
  return true;
}
