// Colour matcher handles over the core's matcher.
#include <cstring>
#include <new>

#include "core/allocators.h"
#include "core/color_match.h"
#include "core/operation.h"
#include "pixelops/pictura_pixelops.h"

using namespace Pictura;

extern "C" {

HGLOBAL PICAPI pic_CreateColorMatcher(const RGBQUAD* palette, DWORD count) {
  return PicRunEntry<HGLOBAL>("pic_CreateColorMatcher", [&](uint32_t& err) -> HGLOBAL {
    ScopedGlobal cell(GlobalAlloc(GMEM_FIXED | GMEM_ZEROINIT, sizeof(CPicImgColorMatch*)));
    if (!cell.block) {
      err = kPicErrNoMemory;
      return nullptr;
    }
    auto* matcher = new (std::nothrow) CPicImgColorMatch;
    if (!matcher) {
      err = kPicErrNoMemory;
      return nullptr;
    }
    matcher->SetPalette(palette, count);
    std::memcpy(cell.block, &matcher, sizeof matcher);
    return cell.Release();
  });
}

BOOL PICAPI pic_DestroyColorMatcher(HGLOBAL handle) {
  return PicRunEntry<BOOL>("pic_DestroyColorMatcher", [&](uint32_t& err) -> BOOL {
    if (!handle) {
      err = kPicErrBadArgument;
      return FALSE;
    }
    CPicImgColorMatch* matcher = nullptr;
    std::memcpy(&matcher, handle, sizeof matcher);
    delete matcher;
    FreeGlobalHandle(&handle);
    return TRUE;
  });
}

DWORD PICAPI pic_FindClosestColor(HGLOBAL handle, DWORD red, DWORD green, DWORD blue) {
  if (!GetImgThreadContext()) return 0;
  if (!handle) {
    PicReportError(kPicErrBadArgument, "pic_FindClosestColor", nullptr);
    return 0xFFFFFFFFu;
  }
  PicReportError(0, "pic_FindClosestColor", nullptr);
  CPicImgColorMatch* matcher = nullptr;
  std::memcpy(&matcher, handle, sizeof matcher);
  if (!matcher) return 0;
  return matcher->FindClosest(red & 0xFF, green & 0xFF, blue & 0xFF);
}

}  // extern "C"
