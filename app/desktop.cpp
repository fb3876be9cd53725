#include "app/desktop.h"

#include "objects/billboard.h"
#include "objects/clock.h"
#include "objects/weather_sign.h"
#include "scene/anim_thread.h"

namespace {

Billboard billboard;

}  // namespace

void AssembleDesktop() {
  SetAnimationParts({&billboard, {[] { ClockObject.raiseRequest = 1; }, [] { WeatherObject.raiseRequest = 1; }}});
}
