#include "stage/overlay_owner.h"

#include <atomic>

#include "services/debug_log.h"

namespace {

std::atomic<DWORD> owner{0};
std::atomic<int> foreignDraws{0};

}  // namespace

void ClaimOverlay(DWORD thread) {
  owner = thread;
}

DWORD OverlayOwner() {
  return owner;
}

bool OverlayOwnedHere() {
  const DWORD claimed = owner;
  return claimed == 0 || claimed == GetCurrentThreadId();
}

bool MayDrawOverlay(const char* what) {
  if (OverlayOwnedHere()) return true;
  ++foreignDraws;
  WriteLogLine("+++ Overlay: %s vom Thread %lu statt %lu +++", what, GetCurrentThreadId(),
               static_cast<unsigned long>(owner.load()));
  return false;
}

int ForeignOverlayDraws() {
  return foreignDraws;
}
