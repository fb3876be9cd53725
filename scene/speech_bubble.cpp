#include "scene/speech_bubble.h"

#include "app/app_globals.h"

// Stand-in: no bubbles are shown yet.
void KillSpeechBubble() { BubbleType.store(0, std::memory_order_relaxed); }
