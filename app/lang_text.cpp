#include "app/lang_text.h"

#include "app/app_globals.h"

#include <windows.h>

// Stand-in: the German defaults only, until the language files are read.
const char* LangText(const char*, const char*, const char* germanDefault) {
  return germanDefault && *germanDefault ? germanDefault : nullptr;
}

const char* FigureText(const char*, const char*) { return nullptr; }
