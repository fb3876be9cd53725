#include "objects/billboard.h"

BillboardStateBlock BillboardState;

// Stand-ins until the billboard object is built: it shows nothing yet.
void StepBillboard(FigureRecord*) {}
void UnloadBillboard(FigureRecord*) {}
