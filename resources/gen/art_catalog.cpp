#include "art_catalog.h"

#include "pictures/pictures.h"
#include "sounds/sounds.h"

namespace art {

ArtSet AddAllArt() {
  ArtSet set;
  AddAppIcons(set);  // first icon group: the shell shows it as the program's icon
  AddMenuBitmaps(set);
  AddSpeechBubbles(set);
  AddPassersBy(set);
  AddSeasonalFigures(set);
  AddTurningStrollers(set);
  AddLatePassersBy(set);
  AddRaisedWalkerAndDog(set);
  AddFallAndRun(set);
  AddBillboardPosters(set);
  AddBillboardPaster(set);
  AddClockFaces(set);
  AddWeatherSign(set);
  AddWallpaperSky(set);
  AddOptionPreviews(set);
  AddPagePreviews(set);
  AddSceneryStrips(set);
  AddFlyers(set);
  AddMusician(set);
  AddFigurePortraits(set);
  AddBuiltinSounds(set);
  return set;
}

}  // namespace art
