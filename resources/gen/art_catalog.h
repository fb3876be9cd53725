#pragma once
// Everything the program carries, drawn afresh on every run of the generator.

#include "art_set.h"

namespace art {

ArtSet AddAllArt();

}  // namespace art
