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
  repush_ = 1;
  return true;
}

void Overlay::Show(bool visible) {
  if (!MayDraw(visible ? "zeigen" : "verbergen")) return;
  ShowWindow(Window(), visible ? SW_SHOWNA : SW_HIDE);
  Changed();
}

void Overlay::Carry(bool carrying) {
  if (!MayDraw(carrying ? "tragen" : "absetzen")) return;
  // The figure's push took the window: a bubble it showed is gone.
  if (carrying && bubble.type != 0) {
    WriteLogLine("KILL SPRECHBLASE");
    bubble.type = 0;
  }
  carrying_ = carrying ? 1 : 0;
  Show(carrying);
}

void Overlay::HandOver(const HandedBubble& bubble) {
  {
    const std::lock_guard<std::mutex> hold(handedLock_);
    handed_ = bubble;
  }
  handedPending_ = 1;
}

void Overlay::DropHanded() {
  if (!handedPending_.exchange(0)) return;
  const std::lock_guard<std::mutex> hold(handedLock_);
  handed_.type = 0;
}

HandedBubble Overlay::TakeHanded() {
  if (!handedPending_.exchange(0)) return {};
  const std::lock_guard<std::mutex> hold(handedLock_);
  const HandedBubble taken = handed_;
  handed_.type = 0;
  return taken;
}

void Overlay::BubblePushed(const HandedBubble& asked, bool shown) {
  shown_ = asked;
  // One asked for once the type shows is for this bubble and must stand.
  killRequest_ = 0;
  bubble.type = shown ? asked.type : 0;
  if (shown) bubbleThread_ = GetCurrentThreadId();
}

bool Overlay::DrawsBubble() const {
  return Owner() ? OwnedHere() : bubbleThread_ == GetCurrentThreadId();
}

std::optional<HandedBubble> Overlay::TakeRepush() {
  if (!repush_.exchange(0)) return std::nullopt;
  return shown_;
}

void Overlay::HideAfterOwner(bool ownerEnded) {
  if (ownerEnded) Claim(GetCurrentThreadId());
  if (Window()) Show(false);
}
