#pragma once
// The one speech bubble of an overlay, drawn in its window by the overlay's
// owner (overlay_owner.h: the animation thread); its words are the overlay's.

#include "stage/overlay_owner.h"

struct FigureRecord;

constexpr int kBubbleWidth = 184;

// Shows text in bubble type 1-6 at screen x and at y relative to the top of
// the speaker's object window; lifetime counts main ticks. 1 when shown. On
// the owner it is drawn at once (into the record's overlay bitmap when it has
// one); another thread hands it over (1 when taken) and wakes the workers:
// the owner shows it on its next pass, where the speaker stood when it asked.
int ShowSpeechBubble(Overlay& overlay, FigureRecord* record, int type, const char* text, int x, int y,
                     int lifetime);
// Off the owner: drops a bubble handed over and not shown yet and asks for
// the shown one's kill.
void KillSpeechBubble(Overlay& overlay);
// From a thread that does not draw the bubble (the main thread: its lifetime
// ran out, a click): the owner kills it on its next pass
// (ApplyBubbleKillRequest), so its window is hidden by the thread that draws it.
void RequestBubbleKill(Overlay& overlay);
// On the owner: carries out a kill asked for, pushes a shown bubble again
// after a show or restack of the window, then shows a handed bubble, which
// waits while the window carries a lifted figure or `figureLifted` says one
// is being lifted (his first push is yet to come).
void ApplyBubbleKillRequest(Overlay& overlay, bool figureLifted = false);
// Work for ApplyBubbleKillRequest on this thread: a kill or a handed bubble.
bool BubbleKillPending(Overlay& overlay);
// Height of a bubble type's bitmap (88 or 107), 0 for no type.
int BubbleHeight(int type);
