#pragma once
// What the layers below the shell ask of it. They never call into the shell:
// each request is kept here and a private message posted to the figure
// window, whose procedure (on the main thread) carries it out.

#include <windows.h>

#include <cstddef>

// The window the requests go to (the figure window, whose procedure runs on
// the main thread); the shell hands it over once it exists, and null when it
// is gone. Without one the requests are dropped.
void SetShellWindow(HWND window);
// The window for owned message boxes: the shell's, or null before it exists.
HWND ShellWindow();

// The tray icon's tip shows `text`, or the default tip for null
// (MSG_TRAY_TIP). The latest request wins.
void RequestTrayTip(const char* text);
// The shell's side: copies the latest requested text into `out` and returns
// true, or returns false when the default tip was asked for.
bool TakeRequestedTrayTip(char* out, size_t size);

// A scene started or a bubble came up: the shell's tick, which counts bubble
// lifetimes and polls the player, runs until neither is left (MSG_MAIN_TICK).
void RequestMainTick();
// The player's state read now, before a scene is chosen (MSG_POLL_PLAYER);
// waits for the main thread, at most a second.
void RefreshPlayerState();

// A new figure came on screen: the shell tells the application bar
// (MSG_ACTIVATE_APPBAR).
void RequestAppBarActivation();

// A click on a desktop object asks for the tray menu (MSG_SHOW_MENU) or
// switches the figures on or off (MSG_TOGGLE_ACTIVE); both wait for the main
// thread, as the menu is tracked there.
void RequestShellMenu();
void RequestToggleFigures();
// A Ctrl click on a desktop object: every object window goes to the bottom
// (MSG_LOWER_DESKTOP); the shell knows the windows it made.
void RequestLowerDesktop();
