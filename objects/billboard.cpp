#include "objects/billboard.h"

BillboardStateBlock BillboardState;
