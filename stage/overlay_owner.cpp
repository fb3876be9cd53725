#include "stage/overlay_owner.h"

#include "services/debug_log.h"

bool Overlay::OwnedHere() const {
  const DWORD claimed = owner_;
  return claimed == 0 || claimed == GetCurrentThreadId();
}

bool Overlay::MayDraw(const char* what) {
  if (OwnedHere()) return true;
  ++foreignDraws_;
  WriteLogLine("+++ Overlay: %s vom Thread %lu statt %lu +++", what, GetCurrentThreadId(),
               static_cast<unsigned long>(owner_.load()));
  return false;
}

bool Overlay::ApplyRequest() {
  if (!MayDraw("Fensterwunsch") || !ApplyWindowRequest(Window(), request)) return false;
  Changed();
  return true;
}

void Overlay::Show(bool visible) {
  if (!MayDraw(visible ? "zeigen" : "verbergen")) return;
  ShowWindow(Window(), visible ? SW_SHOWNA : SW_HIDE);
  Changed();
}

void Overlay::HideAfterOwner(bool ownerEnded) {
  if (ownerEnded) Claim(GetCurrentThreadId());
  if (Window()) Show(false);
}
