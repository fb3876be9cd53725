#pragma once
// What the layers below the shell ask of it. They never call into the shell:
// each request is kept here and a private message posted to the figure
// window, whose procedure (on the main thread) carries it out.

#include <cstddef>

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
