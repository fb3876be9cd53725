#pragma once
// What the shell (the main thread) learns of the screen and the user and the
// drawing threads read: a program running full screen, the screen saver, a
// paletted display, the options sheet being open. The shell alone writes it,
// makes it at start-up and hands it to whoever reads it.

#include <windows.h>

#include <atomic>
#include <string>

#include "services/atomic_words.h"

struct ShellState {
  // The application bar's last full-screen report and the one acted on: a
  // program went full screen (or left it).
  Flag fullScreen{0};
  Flag lastFullScreenReport{0};
  // Set while a program runs full screen: no scene starts, the objects hide.
  Flag fullScreenPause{0};
  Flag screenSaverOn{0};  // the user's screen saver is switched on
  // Its file as last asked (ScreenSaverActive); the shell's alone (main
  // thread), no drawing thread reads it.
  std::string screenSaverFile;
  // A display of 16 to 256 colours: bitmaps are realised in the figures'
  // palette, which the shell keeps.
  Flag paletteMode{0};
  std::atomic<HPALETTE> palette{nullptr};
  // The options sheet is open: no scene starts, no object stays topmost.
  Flag optionsOpen{0};
};
