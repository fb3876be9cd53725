#pragma once
// Small Windows helpers every layer may use.

#include <windows.h>

// Major version in the high word, minor in the low word; 0 when unknown.
DWORD GetDllVersion(const char* fileName);

// A task-modal message box with the product title over the figure window.
int ShowErrorBox(const char* format, ...) __attribute__((format(printf, 1, 2)));

// One synthetic mouse input without move or button, so the system looks at
// the cursor again and a lifted object follows it at once.
void NudgeMouse();
