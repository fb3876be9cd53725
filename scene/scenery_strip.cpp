#include "scene/scenery_strip.h"

// Stand-in: no scenery strip yet.
std::atomic<int> StripRaiseRequest{0};
std::atomic<int> StripUnloadRequest{0};
std::atomic<int> StripRelayout{0};
int StartBackgroundThread() {
  return 1;
}
