#pragma once
// The application bar: the shell learns through it of full-screen programs
// (MSG_APPBAR to the bar's window, app/desktop_windows.h).

#include <windows.h>

#include <shellapi.h>

// The bar's registration. The shell owns one, registered for the figure
// window and removed once, while that window still exists; tests make their
// own.
class AppBar {
 public:
  void Register(HWND window);
  // Tells the shell the bar is active (a new figure came on screen).
  void Activate();
  // Removes a bar Register made, once.
  void Unregister();
  bool Registered() const { return registered_; }

 private:
  APPBARDATA data_ = {};
  bool registered_ = false;
};
