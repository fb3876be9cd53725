#pragma once
// The billboard's shared words, owned by the billboard (Billboard::State(),
// objects/billboard.h) and handed to those who ask it: the shell's mouse,
// the options page. Plain words, so they lie below both.

#include <windows.h>

#include <atomic>

#include "services/handles.h"
#include "services/window_requests.h"

constexpr int kBillboardStartMotif = -2;

// Shared between the main thread (mouse, options page), the animation thread
// (billboard, paster) and the poster thread; plain polled words, and one
// bitmap handle handed over by exchange so it is deleted exactly once.
struct BillboardStateBlock {
  BillboardStateBlock() { windowRequest.redraw = &redrawRequest; }
  BillboardStateBlock(const BillboardStateBlock&) = delete;
  BillboardStateBlock& operator=(const BillboardStateBlock&) = delete;
  std::atomic<int> posterFigureAtWork{0};  // the paster is on stage; clicks are ignored
  std::atomic<int> redrawRequest{0};
  std::atomic<int> relayoutRequest{0};
  std::atomic<int> unloadRequest{0};  // the options page: unload, then load and paste again
  std::atomic<int> updateRequest{0};  // a click asks for a new motif (the chooser reads it)
  std::atomic<int> currentMotif{kBillboardStartMotif};
  std::atomic<int> nextMotif{0};    // what the poster thread chose
  std::atomic<int> posterReady{0};  // set by the poster thread with a prepared bitmap
  std::atomic<HBITMAP> posterBitmap{nullptr};
  std::atomic<int> startFlag{1};    // the first paste may show a start motif
  std::atomic<int> lastMinute{-1};  // the calendar sheet's refresh
  std::atomic<int> posterThreadRunning{0};
  // Shows and hides, made by the animation thread; its window is the wall's.
  // A restack asks for the wall's push again (redrawRequest).
  WindowRequest windowRequest;
  // The mouse on the wall (the shell's window procedure): held, clicked, and
  // a nudge of the held wall by the arrow keys.
  std::atomic<int> held{0};
  std::atomic<int> clicked{0};
  std::atomic<int> nudge{0};

  // Hands a prepared bitmap to the paster; one it replaces, never pasted, goes.
  void PublishPoster(OwnedBitmap bitmap) { OwnedBitmap replaced(posterBitmap.exchange(bitmap.release())); }
  // The prepared bitmap, now the caller's (empty when none waits).
  OwnedBitmap TakePoster() { return OwnedBitmap(posterBitmap.exchange(nullptr)); }
};
