#pragma once
// Process-wide state shared by the main thread and the worker threads.
// Flags are polled without locks; each is one atomic word.

#include <windows.h>

#include <atomic>

inline constexpr char PRODUCT_TITLE[] = "Waylune Desktop";
inline constexpr char MAIN_CLASS_NAME[] = "Waylune Desktop";
inline constexpr char MUTEX_NAME[] = "KMOrrowinMutex";

using Flag = std::atomic<int>;

extern HINSTANCE AppInstance;
extern HWND FigureWindow;
extern HWND OverlayWindow;
extern HWND BillboardWindow;
extern HWND StripWindow;  // the scenery strip behind the figures

extern Flag QuitFlag;
extern Flag RelayoutRequest;
extern Flag Language;  // 1 = German
extern Flag FiguresActive;
extern Flag FullScreenState;
extern Flag LastFullScreenReport;
extern Flag FullScreenPause;
extern Flag OptionsOpen;
extern Flag BubbleType;

// Mouse and object flags written by the window procedures, read by the figures.
struct AtomicPoint {
  Flag x{0};
  Flag y{0};
  void Set(int nx, int ny) {
    x.store(nx, std::memory_order_relaxed);
    y.store(ny, std::memory_order_relaxed);
  }
};
extern AtomicPoint PressPoint;
extern AtomicPoint DragReference;
extern Flag FigureHeld;
extern Flag BillboardHeld;
extern Flag ObjectClicked;
extern Flag BillboardClicked;
extern Flag BillboardNudge;
extern Flag WinampButton;
extern Flag BubbleLifetime;
extern Flag StopSceneRequest;
extern Flag ScreenSaverOn;
extern Flag PaletteMode;
extern std::atomic<HPALETTE> ScreenPalette;

extern char ProgramFolder[MAX_PATH];
extern char HelpFilePath[MAX_PATH];
extern HBRUSH KeyBrush;  // magenta 0xFF00FF, background of every main-class window
