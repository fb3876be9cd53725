#include "scene/gdi_script_host.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <vector>

#include "services/shell_state.h"
#include "stage/figure_state.h"
#include "services/debug_log.h"
#include "services/handles.h"
#include "services/lang_text.h"
#include "services/portable/thread_rand.h"
#include "services/settings.h"
#include "services/sound.h"
#include "services/sound_library.h"
#include "services/window_requests.h"
#include "services/player_state.h"
#include "scene/figures/fig124_frames.h"
#include "scene/portable/layer_fit.h"
#include "stage/portable/painted_place.h"
#include "stage/overlay_owner.h"
#include "stage/figure_sound.h"
#include "stage/birthdays.h"
#include "stage/figure_bitmaps.h"
#include "scene/scripts/figure_scripts.h"
#include "stage/speech_bubble.h"

namespace {

FigureRecord& Full(FigureMotion& record) {
  return static_cast<FigureRecord&>(record);
}

RECT SourceRect(const SpriteFrame& f) {
  return {f.x, f.y, f.w, f.h};
}

void Fill(HDC dc, const SceneRect& rect, HBRUSH brush) {
  if (!dc || !brush) return;
  RECT r = {rect.left, rect.top, rect.right, rect.bottom};
  FillRect(dc, &r, brush);
}

// A bitmap for the screen of `size`, selected into `memory` (when both exist).
void MakeSelectedBitmap(const WindowDC& screen, const OwnedDC& memory, SceneSize size, OwnedBitmap& bitmap,
                        SelectedObject& selection) {
  bitmap.reset(CreateCompatibleBitmap(screen.get(), size.width, size.height));
  if (bitmap && memory) selection = SelectedObject(memory.get(), bitmap.get());
}

void Place(LayerArgs& args, ScenePoint destination, SceneSize size) {
  args.destination = {destination.x, destination.y};
  args.size = {size.width, size.height};
  args.source = {0, 0};
}

void DrawFrameInto(HDC dc, const FigureRecord& record, int sheet, const SpriteFrame& frame, ScenePoint at) {
  if (sheet < 0 || sheet >= kMaxSheets) return;
  DrawSprite(dc, record.sheets[sheet].get(), record.masks[sheet].get(), {at.x, at.y}, SourceRect(frame));
}

ScenePoint Parking() {
  return CurrentDisplay().parking;
}

// The scripts' placement (a picture from the bitmap's top-left) turned into a
// push of what the picture holds (layer_fit.h).
LayerArgs Fitted(const LayerArgs& placement, const SceneRect& drawn, SceneSize bitmap, LayerCut cut) {
  const SceneSize size{std::min<int>(placement.size.cx, bitmap.width),
                       std::min<int>(placement.size.cy, bitmap.height)};
  const LayerFit fit =
      FitLayer({placement.destination.x, placement.destination.y}, size, drawn, Parking(), cut);
  LayerArgs args = placement;
  args.destination = {fit.destination.x, fit.destination.y};
  args.size = {fit.size.width, fit.size.height};
  args.source = {placement.source.x + fit.source.x, placement.source.y + fit.source.y};
  return args;
}

// A monochrome mask as top-down rows of bits, a set bit where the mask is
// white (see-through); no bits when it cannot be read.
void ReadMaskBits(HBITMAP mask, std::vector<uint8_t>& bytes, MaskBits& bits) {
  bytes.clear();
  bits = {};
  BITMAP info = {};
  if (!mask || !GetObjectA(mask, sizeof info, &info) || info.bmWidth <= 0 || info.bmHeight <= 0) return;
  struct {
    BITMAPINFOHEADER header;
    RGBQUAD colours[2];
  } format = {};
  format.header.biSize = sizeof format.header;
  format.header.biWidth = info.bmWidth;
  format.header.biHeight = -info.bmHeight;
  format.header.biPlanes = 1;
  format.header.biBitCount = 1;
  format.header.biCompression = BI_RGB;
  const int stride = (info.bmWidth + 31) / 32 * 4;
  bytes.resize(static_cast<size_t>(stride) * info.bmHeight);
  const WindowDC screen(nullptr);
  const int rows = GetDIBits(screen.get(), mask, 0, info.bmHeight, bytes.data(),
                             reinterpret_cast<BITMAPINFO*>(&format), DIB_RGB_COLORS);
  if (rows != info.bmHeight) {
    bytes.clear();
    return;
  }
  if (format.colours[0].rgbRed != 0)  // index 0 is white: flip so a set bit is see-through
    for (uint8_t& b : bytes) b = static_cast<uint8_t>(~b);
  bits = {bytes.data(), info.bmWidth, info.bmHeight, stride};
}

// What a picture holds since its last clear (picture coordinates) and its
// bitmap's size: each push shows only that part (layer_fit.h).
struct Picture {
  SceneRect drawn;
  SceneSize bitmap;
};
// A sheet's mask read out as bits, once per sheet and scene.
struct SheetMask {
  HBITMAP mask = nullptr;
  std::vector<uint8_t> bytes;
  MaskBits bits;
};
// The walking figure's pictures, kept from tick to tick (a host is made for
// each tick) on the animation thread.
struct FigurePictures {
  Picture object, overlay;
  SheetMask masks[kMaxSheets];
} pictures;

// Where the walking figure's and the overlay's pictures stand, and where the
// user holds the lifted figure: the animation thread's own, kept across loads.
struct FigureLayers {
  LayerArgs object = {}, overlay = {};
  POINT grabOffset = {};
} layers;

void ForgetPictures() {
  pictures = {};
}

ColumnSpan OpaqueColumnsOf(const FigureRecord& record, int sheet, const SpriteFrame& frame) {
  if (sheet < 0 || sheet >= kMaxSheets) return {};
  SheetMask& m = pictures.masks[sheet];
  if (m.mask != record.masks[sheet].get()) {
    m.mask = record.masks[sheet].get();
    ReadMaskBits(m.mask, m.bytes, m.bits);
  }
  return OpaqueColumns(m.bits, frame);
}

}  // namespace

void RepaintWhatItLeaves(HWND window, const std::function<void()>& change) {
  RECT before = {};
  const bool shown = window && IsWindowVisible(window) && GetWindowRect(window, &before);
  change();
  RECT after = {}, left = before;
  if (!shown) return;
  // A hidden window leaves all of its place.
  if (IsWindowVisible(window) && (!GetWindowRect(window, &after) || !SubtractRect(&left, &before, &after)))
    return;
  AskForPushUnder(left);
}

int GdiScriptHost::Rand() {
  return ThreadRand();
}
void GdiScriptHost::Log(const char* text) {
  WriteLogLine("%s", text);
}
int GdiScriptHost::Speed() {
  return settings_.Speed;
}
bool GdiScriptHost::SoundAvailable() {
  return ::SoundAvailable();
}
int GdiScriptHost::SoundOption(int group) {
  return group >= 0 && group < kSoundOptions ? settings_.SoundOpt[group].Get() : 0;
}
bool GdiScriptHost::OptionsOpen() {
  return shell_.optionsOpen != 0;
}
bool GdiScriptHost::BillboardUpdateRequest() {
  return billboard_.UpdateRequested();
}
bool GdiScriptHost::ObjectClicked() {
  return figures_.clicked != 0;
}
void GdiScriptHost::ClearObjectClicked() {
  figures_.clicked = 0;
}
bool GdiScriptHost::FigureHeld() {
  return figures_.held != 0;
}
bool GdiScriptHost::RelayoutRequest() {
  return ::RelayoutRequest != 0;
}
void GdiScriptHost::SetRelayoutRequest(int value) {
  ::RelayoutRequest = value;
}
int GdiScriptHost::BubbleType() {
  return overlay_.bubble.type;
}
ScenePoint GdiScriptHost::PressPoint() {
  return {figures_.press.x, figures_.press.y};
}
ScenePoint GdiScriptHost::CursorPos() {
  POINT cursor = {};
  GetCursorPos(&cursor);
  return {cursor.x, cursor.y};
}
ScenePoint GdiScriptHost::GrabOffset() {
  return {layers.grabOffset.x, layers.grabOffset.y};
}
void GdiScriptHost::SetGrabOffset(ScenePoint offset) {
  layers.grabOffset = {offset.x, offset.y};
}
int GdiScriptHost::ScreenWidth() {
  return CurrentDisplay().screenWidth;
}
SceneRect GdiScriptHost::WorkArea() {
  return CurrentDisplay().workArea;
}

bool GdiScriptHost::LoadFigure(FigureMotion& record, int number, int sheets) {
  ForgetPictures();
  layers.object.blend = {};
  layers.overlay.blend = {};
  return ::LoadFigure(&Full(record), figures_.window.Window(), overlay_, number, sheets, 0) != 0;
}
void GdiScriptHost::UnloadFigure(FigureMotion& record) {
  RepaintWhatItLeaves(figures_.window.Window(), [&] {
    RepaintWhatItLeaves(overlay_.Window(), [&] { ::UnloadFigure(&Full(record)); });
  });
  ForgetPictures();
}

void GdiScriptHost::SetFigureName(FigureMotion& record, const char* name) {
  lstrcpynA(Full(record).name, name, kFigureNameSize);
}

bool GdiScriptHost::CreateFigureBitmaps(FigureMotion& motion, SceneSize object, SceneSize overlay) {
  FigureRecord& record = Full(motion);
  MakeSelectedBitmap(record.objectScreenDC, record.objectDC, object, record.objectBitmap,
                     record.objectSelection);
  if (!record.objectBitmap) return false;
  // A new bitmap holds anything until it is cleared.
  pictures.object = {{0, 0, object.width, object.height}, object};
  if (overlay.width <= 0 || overlay.height <= 0) return true;  // a figure without an overlay (the plane)
  MakeSelectedBitmap(record.overlayScreenDC, record.overlayDC, overlay, record.overlayBitmap,
                     record.overlaySelection);
  pictures.overlay = {{0, 0, overlay.width, overlay.height}, overlay};
  return static_cast<bool>(record.overlayBitmap);
}

void GdiScriptHost::SetObjectPlacement(ScenePoint destination, SceneSize size) {
  Place(layers.object, destination, size);
}
void GdiScriptHost::ClearObject(FigureMotion& record) {
  Fill(Full(record).objectDC.get(), record.objectRect, Full(record).keyBrush);
  pictures.object.drawn = {};
}
void GdiScriptHost::DrawObjectFrame(FigureMotion& motion, int sheet, const SpriteFrame& frame,
                                    ScenePoint at) {
  DrawFrameInto(Full(motion).objectDC.get(), Full(motion), sheet, frame, at);
  // A walking figure moves inside its frames: only its opaque columns count.
  pictures.object.drawn =
      UnionRect(pictures.object.drawn, DrawnRect(at, frame, OpaqueColumnsOf(Full(motion), sheet, frame)));
}
void GdiScriptHost::ShowObject(FigureMotion& record) {
  // Only a screen-wide picture is cut: a figure's own window moves with him.
  const LayerCut cut = layers.object.size.cx >= ScreenWidth() ? LayerCut::kToDrawn : LayerCut::kWhole;
  const LayerArgs args = Fitted(layers.object, pictures.object.drawn, pictures.object.bitmap, cut);
  FigureRecord& full = Full(record);
  // A figure that shows a new picture at nearly every frame paints its window.
  if (!full.objectPainted.Active() && full.walkingFigure && PaintsItsWindow(record.frameTime))
    full.objectPainted.Begin(full.objectWindow);
  const POINT window = full.objectPainted.Active()
                           ? full.objectPainted.WindowFor(args, CurrentDisplay().virtualScreen)
                           : args.destination;
  // Before the push: a click on the moved window is reckoned with it.
  figures_.windowOffset.Set(window.x - layers.object.destination.x, window.y - layers.object.destination.y);
  RepaintWhatItLeaves(Full(record).objectWindow, [&] { ShowObjectLayer(&Full(record), args); });
}
void GdiScriptHost::PutFigureOnTop() {
  SetWindowPos(figures_.window.Window(), HWND_TOPMOST, 0, 0, 0, 0,
               SWP_NOSIZE | SWP_NOMOVE | SWP_NOACTIVATE | SWP_SHOWWINDOW);
}

void GdiScriptHost::SetOverlayPlacement(ScenePoint destination, SceneSize size) {
  Place(layers.overlay, destination, size);
}
void GdiScriptHost::ClearOverlay(FigureMotion& record) {
  Fill(Full(record).overlayDC.get(), record.overlayRect, Full(record).keyBrush);
  pictures.overlay.drawn = {};
}
void GdiScriptHost::DrawOverlayFrame(FigureMotion& motion, int sheet, const SpriteFrame& frame,
                                     ScenePoint at) {
  DrawFrameInto(Full(motion).overlayDC.get(), Full(motion), sheet, frame, at);
  // Whole frames: only whether anything is drawn counts (ShowOverlay).
  pictures.overlay.drawn = UnionRect(pictures.overlay.drawn, DrawnRect(at, frame, {0, frame.w}));
}
void GdiScriptHost::ShowOverlay(FigureMotion& record) {
  // It moves with the lifted figure: whole, or parked when it holds nothing.
  const LayerArgs args =
      Fitted(layers.overlay, pictures.overlay.drawn, pictures.overlay.bitmap, LayerCut::kWhole);
  RepaintWhatItLeaves(Full(record).overlayWindow, [&] { ShowOverlayLayer(&Full(record), args); });
}
void GdiScriptHost::ShowOverlayWindow(FigureMotion&, bool visible) {
  // The record's overlay window is the overlay's (LoadFigure); shown, it
  // carries the lifted or falling figure until it is hidden again.
  overlay_.Carry(visible);
}

void GdiScriptHost::PlayFigureSoundFile(FigureMotion& record) {
  ::PlayFigureSoundFile(&Full(record));
}
void GdiScriptHost::PlaySample(int sample, FigureMotion& record) {
  ::PlaySample(sample, &Full(record));
}
void GdiScriptHost::UpdateFigureSound(FigureMotion& record) {
  ::UpdateFigureSound(&Full(record));
}
bool GdiScriptHost::SoundChannelActive(FigureMotion& record) {
  return IsBassChannelActive(0, Full(record).soundChannel);
}

int GdiScriptHost::ShowSpeechBubble(FigureMotion& record, int type, const char* text, int x, int y,
                                    int lifetime) {
  // The figure's y is taken from its picture's top, the bubble's from its
  // window's top.
  return ::ShowSpeechBubble(overlay_, &Full(record), type, text, x, y - figures_.windowOffset.y, lifetime);
}
void GdiScriptHost::KillSpeechBubble() {
  RepaintWhatItLeaves(overlay_.Window(), [this] { ::KillSpeechBubble(overlay_); });
}
std::string GdiScriptHost::FigureText(const char* section, const char* key) {
  const char* text = ::FigureText(section, key);
  return text ? text : "";
}

bool GdiScriptHost::DrawBannerText(FigureMotion& motion) {
  FigureRecord& record = Full(motion);
  // The text is drawn in the screen's colours: the sheet leaves its file's depth.
  if (!record.sheets[0] || !ToScreenFormat(&record.sheets[0])) return false;
  // As stored now, read into a table of the scene's own: the live settings
  // change only through their owner.
  char text[256] = {};
  const auto stored = std::make_unique<AppSettings>();
  LoadBannerSettings(*stored, text, sizeof text);
  const LOGFONTA logFont = BannerLogFont(*stored);
  const OwnedFont font(CreateFontIndirectA(&logFont));
  if (!font) return false;
  const WindowDC screen(nullptr);
  BitmapDC canvas(record.sheets[0].get(), screen.get());
  if (!canvas.ok()) return false;
  canvas.UseFont(font.get());
  const HDC dc = canvas.get();
  SetTextColor(dc, kFig124TextColour);
  SetBkMode(dc, TRANSPARENT);
  const int first = record.direction < 0 ? kFig124LeftFirst : kFig124RightFirst;
  for (int i = first; i < first + 2; ++i) {
    const BannerRect& b = kFig124BannerRects[i];
    RECT area = {b.left, b.top, b.right, b.bottom};
    DrawTextA(dc, text, -1, &area, DT_CENTER | DT_WORDBREAK | DT_NOPREFIX | DT_EDITCONTROL);
  }
  return true;
}
void GdiScriptHost::PlaceFigureBelowTopmost() {
  SetWindowPos(figures_.window.Window(), HWND_NOTOPMOST, 0, 0, 0, 0,
               SWP_NOSIZE | SWP_NOMOVE | SWP_NOACTIVATE | SWP_SHOWWINDOW);
}
bool GdiScriptHost::PlayerPlaying() {
  return player_.playing != 0;
}
bool GdiScriptHost::PlayerTitleValid() {
  return player_.titleValid != 0;
}
bool GdiScriptHost::TakePlayerTitleChanged() {
  return player_.titleChanged.exchange(0) != 0;
}
std::string GdiScriptHost::PlayerTitle() {
  char title[256];
  player_.CopyTitle(title, sizeof title);
  return title;
}
int GdiScriptHost::TakeWinampButton() {
  return overlay_.bubble.winampButton.exchange(0);
}

bool RunSceneScript(int scene, FigureRecord* figure, const SceneLinks& links, FigureMemories& memories) {
  GdiScriptHost host(links, memories);
  if (scene == 27) {  // the paster also works on the billboard
    BehaveFigure27(*figure, host, links.billboard);
    return true;
  }
  FigureScript script = ScriptForScene(scene);
  if (!script) return false;
  script(*figure, host);
  return true;
}

int GdiScriptHost::DueBirthdayCount() {
  return birthdays_.DueCount();
}
std::string GdiScriptHost::DueBirthdayText(int index) {
  const DueBirthdayList due = birthdays_.Due();
  return index >= 0 && index < due.count ? std::string(due.texts[index]) : std::string();
}
