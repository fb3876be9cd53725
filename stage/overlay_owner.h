#pragma once
// The overlay window (the lifted figure, the speech bubbles) has one drawing
// thread: the animation thread. Two threads pushing one layered window race
// on its drawing surface under Wine (see services/window_requests.h); the
// object threads hand their bubbles to the owner (speech_bubble.h).

#include <windows.h>

// Makes `thread` the overlay's owner (the shell, for the animation thread it
// starts, before any other worker runs); 0 gives it up.
void ClaimOverlay(DWORD thread);
// The owner's id, 0 when none was claimed.
DWORD OverlayOwner();
// Whether the calling thread may draw the overlay: it owns it, or nobody has
// claimed it (a test driving one thread).
bool OverlayOwnedHere();
// For every draw, push, show or hide of the overlay window: true when the
// caller may; a foreign thread's draw is refused, logged and counted.
bool MayDrawOverlay(const char* what);
// Draws refused since the start (a test's and a debug log's check).
int ForeignOverlayDraws();
