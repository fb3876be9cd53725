#include "app/app_bar.h"

#include "services/messages.h"

void AppBar::Register(HWND window) {
  data_ = {};
  data_.cbSize = sizeof data_;
  data_.hWnd = window;
  data_.uCallbackMessage = MSG_APPBAR;
  registered_ = SHAppBarMessage(ABM_NEW, &data_) != 0;
}

void AppBar::Activate() {
  if (registered_) SHAppBarMessage(ABM_ACTIVATE, &data_);
}

void AppBar::Unregister() {
  if (!registered_) return;
  registered_ = false;
  SHAppBarMessage(ABM_REMOVE, &data_);
}
