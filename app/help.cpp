#include "app/help.h"

// Stand-in until the help file and the HTML Help bridge exist.
void InitHelp() {}
void ShutdownHelp() {}
void ShowHelpTopic(HWND, const HELPINFO*, int) {}
