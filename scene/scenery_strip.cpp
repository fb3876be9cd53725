#include "scene/scenery_strip.h"

// Stand-in: no scenery strip yet.
HWND StripWindow;
int StartBackgroundThread() { return 1; }
