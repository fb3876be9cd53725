/* Part of the SDL stand-in: everything is in SDL.h. */
#include "SDL.h"
