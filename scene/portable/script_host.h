#pragma once
// What a figure script sees of the world: the logic half of its record and a
// host that draws, moves windows, plays sounds and reads the shared flags.
// No windows.h here, so scripts run natively in tests against a fake host.

#include <span>
#include <string>

#include "stage/portable/figure_motion.h"
#include "scene/portable/frame_rect.h"

struct FigureMemories;

// Common states of every script.
enum FigureCommonState : int {
  kStateLoad = 0,
  kStateLiftBegin = 100,
  kStateLiftLeave = 101,
  kStateHeld = 102,
  kStateDropped = 200,
  kStateDropDone = 201,
};

class ScriptHost {
 public:
  virtual ~ScriptHost() = default;

  // The thread's generator (ThreadRand, the runtime's rand() arithmetic): 0 to 32767.
  virtual int Rand() = 0;
  virtual void Log(const char* text) = 0;  // only while the debug log is on

  // Settings and shared flags.
  virtual int Speed() = 0;
  virtual bool SoundAvailable() = 0;  // sound is wanted and the library is loaded
  virtual int SoundOption(int group) = 0;
  virtual bool OptionsOpen() = 0;
  virtual bool BillboardUpdateRequest() = 0;
  virtual bool ObjectClicked() = 0;
  virtual void ClearObjectClicked() = 0;
  virtual bool FigureHeld() = 0;
  virtual bool RelayoutRequest() = 0;
  virtual void SetRelayoutRequest(int value) = 0;
  virtual int BubbleType() = 0;
  virtual ScenePoint PressPoint() = 0;  // press point in the object window
  virtual ScenePoint CursorPos() = 0;   // reads the cursor now
  virtual ScenePoint GrabOffset() = 0;
  virtual void SetGrabOffset(ScenePoint offset) = 0;

  // Screen.
  virtual int ScreenWidth() = 0;
  virtual SceneRect WorkArea() = 0;  // reads the work area now

  // The record's lifecycle.
  virtual bool LoadFigure(FigureMotion& record, int number, int sheets) = 0;
  virtual void UnloadFigure(FigureMotion& record) = 0;
  virtual void SetFigureName(FigureMotion& record, const char* name) = 0;
  virtual bool CreateFigureBitmaps(FigureMotion& record, SceneSize object, SceneSize overlay) = 0;

  // The figure window: fill with the key colour, draw a frame, show.
  virtual void SetObjectPlacement(ScenePoint destination, SceneSize size) = 0;
  virtual void ClearObject(FigureMotion& record) = 0;
  virtual void DrawObjectFrame(FigureMotion& record, int sheet, const SpriteFrame& frame, ScenePoint at) = 0;
  virtual void ShowObject(FigureMotion& record) = 0;
  // SWP topmost + show; callers test OptionsOpen where the frame says so.
  virtual void PutFigureOnTop() = 0;

  // The overlay window (lifted figure, bubbles).
  virtual void SetOverlayPlacement(ScenePoint destination, SceneSize size) = 0;
  virtual void ClearOverlay(FigureMotion& record) = 0;
  virtual void DrawOverlayFrame(FigureMotion& record, int sheet, const SpriteFrame& frame, ScenePoint at) = 0;
  virtual void ShowOverlay(FigureMotion& record) = 0;
  virtual void ShowOverlayWindow(FigureMotion& record, bool visible) = 0;

  // Sound (each does nothing while the sound library is not loaded).
  virtual void PlayFigureSoundFile(FigureMotion& record) = 0;
  virtual void PlaySample(int sample, FigureMotion& record) = 0;
  virtual void UpdateFigureSound(FigureMotion& record) = 0;
  // Whether the record's channel still plays (false while no library is loaded).
  virtual bool SoundChannelActive(FigureMotion& record) = 0;

  // Speech bubbles and figure texts.
  virtual int ShowSpeechBubble(FigureMotion& record, int type, const char* text, int x, int y,
                               int lifetime) = 0;
  virtual void KillSpeechBubble() = 0;
  virtual std::string FigureText(const char* section, const char* key) = 0;

  // The birthdays due today: their count and text `index` (0 to count - 1).
  virtual int DueBirthdayCount() = 0;
  virtual std::string DueBirthdayText(int index) = 0;
  // The plane: writes the user's banner text onto the banner frames of its
  // direction; false without a sheet or a font.
  virtual bool DrawBannerText(FigureMotion& record) = 0;
  // The figure window just below the topmost windows, shown, not activated.
  virtual void PlaceFigureBelowTopmost() = 0;

  // The player, for the musician.
  virtual bool PlayerPlaying() = 0;
  virtual bool PlayerTitleValid() = 0;
  virtual bool TakePlayerTitleChanged() = 0;  // reads and clears
  virtual std::string PlayerTitle() = 0;
  virtual int TakeWinampButton() = 0;  // the bubble button last clicked, cleared

  // What the figures remember between appearances: the animation's own,
  // which outlives every host (a host is made for each tick).
  virtual FigureMemories& Memories() = 0;
};

// A behaviour script: one tick of one figure.
using FigureScript = void (*)(FigureMotion& record, ScriptHost& host);
