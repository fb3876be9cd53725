#include "services/app_globals.h"


WakingFlag QuitFlag{0};
CountedFlag RelayoutRequest{0};
Flag Language{0};
Flag FiguresActive{0};
Flag FullScreenState{0};
Flag LastFullScreenReport{0};
Flag FullScreenPause{0};
Flag OptionsOpen{0};
Flag BubbleType{0};

AtomicPoint PressPoint;
AtomicPoint DragReference;
AtomicPoint FigureWindowOffset;
Flag FigureHeld{0};
Flag BillboardHeld{0};
Flag ObjectClicked{0};
Flag BillboardClicked{0};
Flag BillboardNudge{0};
Flag WinampButton{0};
Flag BubbleLifetime{0};
Flag SceneRunning{0};
Flag StopSceneRequest{0};
Flag ScreenSaverOn{0};
Flag PaletteMode{0};
std::atomic<HPALETTE> ScreenPalette{nullptr};
