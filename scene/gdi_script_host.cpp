#include "scene/gdi_script_host.h"

#include <cstdlib>

#include "services/app_globals.h"
#include "services/debug_log.h"
#include "services/handles.h"
#include "services/lang_text.h"
#include "services/portable/thread_rand.h"
#include "services/settings.h"
#include "services/sound.h"
#include "services/sound_library.h"
#include "services/player_state.h"
#include "scene/figures/fig124_frames.h"
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

}  // namespace

int GdiScriptHost::Rand() {
  return ThreadRand();
}
void GdiScriptHost::Log(const char* text) {
  WriteLogLine("%s", text);
}
int GdiScriptHost::Speed() {
  return Settings.Speed;
}
bool GdiScriptHost::SoundAvailable() {
  return ::SoundAvailable();
}
int GdiScriptHost::SoundOption(int group) {
  return group >= 0 && group < kSoundOptions ? Settings.SoundOpt[group].Get() : 0;
}
bool GdiScriptHost::OptionsOpen() {
  return ::OptionsOpen != 0;
}
bool GdiScriptHost::BillboardUpdateRequest() {
  return billboard_.UpdateRequested();
}
bool GdiScriptHost::ObjectClicked() {
  return ::ObjectClicked != 0;
}
void GdiScriptHost::ClearObjectClicked() {
  ::ObjectClicked = 0;
}
bool GdiScriptHost::FigureHeld() {
  return ::FigureHeld != 0;
}
bool GdiScriptHost::RelayoutRequest() {
  return ::RelayoutRequest != 0;
}
void GdiScriptHost::SetRelayoutRequest(int value) {
  ::RelayoutRequest = value;
}
int GdiScriptHost::BubbleType() {
  return ::BubbleType;
}
ScenePoint GdiScriptHost::PressPoint() {
  return {::PressPoint.x, ::PressPoint.y};
}
ScenePoint GdiScriptHost::CursorPos() {
  GetCursorPos(&::CursorPos);
  return {::CursorPos.x, ::CursorPos.y};
}
ScenePoint GdiScriptHost::GrabOffset() {
  return {::GrabOffset.x, ::GrabOffset.y};
}
void GdiScriptHost::SetGrabOffset(ScenePoint offset) {
  ::GrabOffset = {offset.x, offset.y};
}
int GdiScriptHost::ScreenWidth() {
  return GetSystemMetrics(SM_CXSCREEN);
}
SceneRect GdiScriptHost::WorkArea() {
  RECT area = {};
  SystemParametersInfoA(SPI_GETWORKAREA, 0, &area, 0);
  return {area.left, area.top, area.right, area.bottom};
}

bool GdiScriptHost::LoadFigure(FigureMotion& record, int number, int sheets) {
  return ::LoadFigure(&Full(record), number, sheets, 0) != 0;
}
void GdiScriptHost::UnloadFigure(FigureMotion& record) {
  ::UnloadFigure(&Full(record));
}
void GdiScriptHost::SetFigureName(FigureMotion& record, const char* name) {
  lstrcpynA(Full(record).name, name, kFigureNameSize);
}

bool GdiScriptHost::CreateFigureBitmaps(FigureMotion& motion, SceneSize object, SceneSize overlay) {
  FigureRecord& record = Full(motion);
  MakeSelectedBitmap(record.objectScreenDC, record.objectDC, object, record.objectBitmap, record.objectSelection);
  if (!record.objectBitmap) return false;
  if (overlay.width <= 0 || overlay.height <= 0) return true;  // a figure without an overlay (the plane)
  MakeSelectedBitmap(record.overlayScreenDC, record.overlayDC, overlay, record.overlayBitmap,
                     record.overlaySelection);
  return static_cast<bool>(record.overlayBitmap);
}

void GdiScriptHost::SetObjectPlacement(ScenePoint destination, SceneSize size) {
  Place(FigureLayerArgs, destination, size);
}
void GdiScriptHost::ClearObject(FigureMotion& record) {
  Fill(Full(record).objectDC.get(), record.objectRect, Full(record).keyBrush);
}
void GdiScriptHost::DrawObjectFrame(FigureMotion& motion, int sheet, const SpriteFrame& frame,
                                    ScenePoint at) {
  DrawFrameInto(Full(motion).objectDC.get(), Full(motion), sheet, frame, at);
}
void GdiScriptHost::ShowObject(FigureMotion& record) {
  ShowObjectLayer(&Full(record));
}
void GdiScriptHost::PutFigureOnTop() {
  SetWindowPos(FigureWindow, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOSIZE | SWP_NOMOVE | SWP_NOACTIVATE | SWP_SHOWWINDOW);
}

void GdiScriptHost::SetOverlayPlacement(ScenePoint destination, SceneSize size) {
  Place(OverlayLayerArgs, destination, size);
}
void GdiScriptHost::ClearOverlay(FigureMotion& record) {
  Fill(Full(record).overlayDC.get(), record.overlayRect, Full(record).keyBrush);
}
void GdiScriptHost::DrawOverlayFrame(FigureMotion& motion, int sheet, const SpriteFrame& frame,
                                     ScenePoint at) {
  DrawFrameInto(Full(motion).overlayDC.get(), Full(motion), sheet, frame, at);
}
void GdiScriptHost::ShowOverlay(FigureMotion& record) {
  ShowOverlayLayer(&Full(record));
}
void GdiScriptHost::ShowOverlayWindow(FigureMotion& record, bool visible) {
  ShowWindow(Full(record).overlayWindow, visible ? SW_SHOWNA : SW_HIDE);
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
  return ::ShowSpeechBubble(&Full(record), type, text, x, y, lifetime);
}
void GdiScriptHost::KillSpeechBubble() {
  ::KillSpeechBubble();
}
std::string GdiScriptHost::FigureText(const char* section, const char* key) {
  const char* text = ::FigureText(section, key);
  return text ? text : "";
}

bool GdiScriptHost::DrawBannerText(FigureMotion& motion) {
  FigureRecord& record = Full(motion);
  if (!record.sheets[0]) return false;
  char text[256] = {};
  LoadBannerSettings(text, sizeof text);
  const LOGFONTA logFont = BannerLogFont();
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
  SetWindowPos(FigureWindow, HWND_NOTOPMOST, 0, 0, 0, 0, SWP_NOSIZE | SWP_NOMOVE | SWP_NOACTIVATE | SWP_SHOWWINDOW);
}
bool GdiScriptHost::PlayerPlaying() {
  return ::WinampPlaying != 0;
}
bool GdiScriptHost::PlayerTitleValid() {
  return ::WinampTitleValid != 0;
}
bool GdiScriptHost::TakePlayerTitleChanged() {
  return ::WinampTitleChanged.exchange(0) != 0;
}
std::string GdiScriptHost::PlayerTitle() {
  char title[256];
  CopyWinampSongTitle(title, sizeof title);
  return title;
}
int GdiScriptHost::TakeWinampButton() {
  return ::WinampButton.exchange(0);
}

bool RunSceneScript(int scene, FigureRecord* figure, BillboardLink& billboard) {
  GdiScriptHost host(billboard);
  if (scene == 27) {  // the paster also works on the billboard
    BehaveFigure27(*figure, host, billboard);
    return true;
  }
  FigureScript script = ScriptForScene(scene);
  if (!script) return false;
  script(*figure, host);
  return true;
}

int GdiScriptHost::DueBirthdayCount() {
  return ::DueBirthdayCount();
}
std::string GdiScriptHost::DueBirthdayText(int index) {
  const DueBirthdayList due = DueBirthdays();
  return index >= 0 && index < due.count ? std::string(due.texts[index]) : std::string();
}
