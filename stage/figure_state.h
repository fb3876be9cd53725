#pragma once
// The walking figures' state shared by the shell, which switches them and
// records the mouse on their windows (main thread), and the animation thread,
// which runs the scenes; the desktop objects read the switch and the press
// point. One atomic word each; the animation thread is woken for the requests.
// The shell makes it and hands it to the animation thread and the objects.

#include "services/atomic_words.h"
#include "services/window_requests.h"

struct FigureState {
  Flag active{0};            // the figures are switched on (the tray's on/off)
  Flag stopSceneRequest{0};  // the shell asks the running scene to end
  Flag sceneRunning{0};      // a figure is on screen (the animation thread's)
  Flag held{0};              // the walking figure is held by the mouse
  Flag clicked{0};           // a click on the walking figure, for its script
  Flag repaint{0};           // his painted window was wiped (shown again): paint it
  // Where the mouse went down, in the pressed window's coordinates (figures
  // and desktop objects alike).
  AtomicPoint press;
  // Where the figure window's top-left lies in the figure's picture: the
  // window covers only what is drawn, while the figures reckon in the
  // picture's coordinates. Set by the animation thread with each push.
  AtomicPoint windowOffset;
  // Shows, hides and restacks of the walking figure's window, made by the
  // animation thread; the shell hands the window over.
  WindowRequest window;
};
