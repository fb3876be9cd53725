#pragma once
// The one speech bubble, drawn in the speaker's overlay window.

struct FigureRecord;

constexpr int kBubbleWidth = 184;

// Shows text in bubble type 1-6 at screen x and at y relative to the top of
// the speaker's object window; lifetime counts main ticks. 1 when shown.
int ShowSpeechBubble(FigureRecord* record, int type, const char* text, int x, int y, int lifetime);
void KillSpeechBubble();
// From a thread that does not draw the bubble (the main thread: its lifetime
// ran out, a click): the thread that showed it kills it on its next pass
// (ApplyBubbleKillRequest), so its window is hidden by the thread that draws it.
void RequestBubbleKill();
void ApplyBubbleKillRequest();
// A kill asked for of the bubble this thread showed, not yet applied.
bool BubbleKillPending();
// Height of a bubble type's bitmap (88 or 107), 0 for no type.
int BubbleHeight(int type);
