#include "options/options_sheet.h"

// Stand-in: no options sheet yet.
HWND OptionsSheetWindow;
int OpenOptions(HWND) { return 0; }
