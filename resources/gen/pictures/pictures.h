#pragma once
// Every group of pictures the generator makes; AddAllArt in art_catalog.cpp
// calls them in order.

#include "../art_set.h"

namespace art {

void AddAppIcons(ArtSet& set);
void AddMenuBitmaps(ArtSet& set);
void AddSpeechBubbles(ArtSet& set);
void AddPassersBy(ArtSet& set);
void AddSeasonalFigures(ArtSet& set);
void AddTurningStrollers(ArtSet& set);
void AddLatePassersBy(ArtSet& set);
void AddRaisedWalkerAndDog(ArtSet& set);
void AddFallAndRun(ArtSet& set);
void AddBillboardPosters(ArtSet& set);
void AddBillboardPaster(ArtSet& set);
void AddClockFaces(ArtSet& set);
void AddWeatherSign(ArtSet& set);
void AddWallpaperSky(ArtSet& set);
void AddOptionPreviews(ArtSet& set);
void AddPagePreviews(ArtSet& set);
void AddSceneryStrips(ArtSet& set);
void AddFlyers(ArtSet& set);
void AddMusician(ArtSet& set);
// The People page's portraits, cut from the figures' sheets: after them all.
void AddFigurePortraits(ArtSet& set);

}  // namespace art
