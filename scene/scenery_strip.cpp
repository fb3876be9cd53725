#include "scene/scenery_strip.h"

// Stand-in: no scenery strip yet.
std::atomic<int> StripRaiseRequest{0};
int StartBackgroundThread() {
  return 1;
}
