#pragma once
// The one speech bubble, drawn in the overlay window.

void KillSpeechBubble();
