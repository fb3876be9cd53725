#pragma once
// BitmapDC lives with the other handle owners now.

#include "services/handles.h"
