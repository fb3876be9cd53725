#pragma once
// A memory DC with one bitmap selected for drawing into it; restored and
// deleted when it goes out of scope. Objects selected later (fonts) are put
// back by their own Select call's result.

#include <windows.h>

class BitmapDC {
 public:
  explicit BitmapDC(HBITMAP bitmap) : dc_(CreateCompatibleDC(nullptr)) {
    if (dc_ && bitmap) old_ = SelectObject(dc_, bitmap);
  }
  ~BitmapDC() {
    if (!dc_) return;
    if (oldFont_) SelectObject(dc_, oldFont_);
    if (ok()) SelectObject(dc_, old_);
    DeleteDC(dc_);
  }
  BitmapDC(const BitmapDC&) = delete;
  BitmapDC& operator=(const BitmapDC&) = delete;

  bool ok() const { return dc_ && old_ && old_ != HGDI_ERROR; }
  HDC get() const { return dc_; }
  void UseFont(HFONT font) {
    HGDIOBJ old = SelectObject(dc_, font);
    if (!oldFont_) oldFont_ = old;
  }

 private:
  HDC dc_;
  HGDIOBJ old_ = nullptr;
  HGDIOBJ oldFont_ = nullptr;
};
