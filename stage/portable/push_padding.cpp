#include "stage/portable/push_padding.h"

#include "stage/portable/layer_surface.h"

SceneSize PaddedPushSize(ScenePoint at, SceneSize size, const SceneRect& screen) {
  // Left of or above the screen: less than a step there would keep the
  // surface too, but a parked window must stay off the screens. An empty
  // size pads to an empty window, which keeps nothing.
  if (at.x < screen.left || at.y < screen.top) return size;
  const SceneSize padded{RoundUpToSurfaceStep(size.width), RoundUpToSurfaceStep(size.height)};
  const SceneRect window{at.x, at.y, at.x + padded.width, at.y + padded.height};
  return SurfaceKept(window, screen) ? padded : size;
}

SceneSize SteadyPushSize(ScenePoint at, SceneSize padded, SceneSize last, const SceneRect& screen) {
  if (padded.width <= 0 || padded.height <= 0 || padded.width % kSurfaceStep || padded.height % kSurfaceStep)
    return padded;
  if (last.width < padded.width || last.height < padded.height) return padded;
  const SceneRect window{at.x, at.y, at.x + last.width, at.y + last.height};
  return SurfaceKept(window, screen) ? last : padded;
}

bool ShowsAlready(const ShownPush& shown, ScenePoint at, SceneSize size, bool samePicture,
                  const SceneRect& screen) {
  if (!shown.known || !samePicture || !(shown.at == at) || !(shown.size == size)) return false;
  if (size.width <= 0 || size.height <= 0) return false;
  const SceneRect window{at.x, at.y, at.x + size.width, at.y + size.height};
  // Parked off every screen, the window has no surface and shows nothing.
  const bool off = window.right <= screen.left || window.bottom <= screen.top ||
                   window.left >= screen.right || window.top >= screen.bottom;
  return off || SurfaceKept(window, screen);
}

bool ShowsAlready(const ShownPush& shown, unsigned shownChanges, unsigned changes, ScenePoint at,
                  SceneSize size, bool samePicture, const SceneRect& screen) {
  return shownChanges == changes && ShowsAlready(shown, at, size, samePicture, screen);
}
