#pragma once
// The program's script host: the figure scripts' view of the real program
// (globals, settings, GDI drawing into the record's bitmaps, layered windows,
// sounds and bubbles). Used only on the animation thread, and only with
// FigureRecords.

#include <functional>

#include "scene/portable/script_host.h"
#include "stage/figure_record.h"
#include "stage/portable/billboard_side.h"

class PlayerState;
struct FigureState;
struct ShellState;
class Overlay;
struct AppSettings;
class Birthdays;
struct FigureMemories;

// What the animation thread is handed by the shell and passes to its script
// host: the billboard it carries, the player control's findings, the
// figures' switch and mouse words, what the shell knows of the screen and
// the options sheet, the overlay with its bubble, the settings, and the
// birthdays due today.
struct SceneLinks {
  BillboardLink& billboard;
  PlayerState& player;
  FigureState& figures;
  ShellState& shell;
  Overlay& overlay;
  const AppSettings& settings;
  Birthdays& birthdays;
};

class GdiScriptHost : public ScriptHost {
 public:
  // `memories`: what the figures remember between appearances, kept by the
  // animation (a host lives for one tick).
  GdiScriptHost(const SceneLinks& links, FigureMemories& memories)
      : billboard_(links.billboard),
        player_(links.player),
        figures_(links.figures),
        shell_(links.shell),
        overlay_(links.overlay),
        settings_(links.settings),
        birthdays_(links.birthdays),
        memories_(memories) {}

  int Rand() override;
  void Log(const char* text) override;
  int Speed() override;
  bool SoundAvailable() override;
  int SoundOption(int group) override;
  bool OptionsOpen() override;
  bool BillboardUpdateRequest() override;
  bool ObjectClicked() override;
  void ClearObjectClicked() override;
  bool FigureHeld() override;
  bool RelayoutRequest() override;
  void SetRelayoutRequest(int value) override;
  int BubbleType() override;
  ScenePoint PressPoint() override;
  ScenePoint CursorPos() override;
  ScenePoint GrabOffset() override;
  void SetGrabOffset(ScenePoint offset) override;
  int ScreenWidth() override;
  SceneRect WorkArea() override;
  bool LoadFigure(FigureMotion& record, int number, int sheets) override;
  void UnloadFigure(FigureMotion& record) override;
  void SetFigureName(FigureMotion& record, const char* name) override;
  bool CreateFigureBitmaps(FigureMotion& record, SceneSize object, SceneSize overlay) override;
  void SetObjectPlacement(ScenePoint destination, SceneSize size) override;
  void ClearObject(FigureMotion& record) override;
  void DrawObjectFrame(FigureMotion& record, int sheet, const SpriteFrame& frame, ScenePoint at) override;
  void ShowObject(FigureMotion& record) override;
  void PutFigureOnTop() override;
  void SetOverlayPlacement(ScenePoint destination, SceneSize size) override;
  void ClearOverlay(FigureMotion& record) override;
  void DrawOverlayFrame(FigureMotion& record, int sheet, const SpriteFrame& frame, ScenePoint at) override;
  void ShowOverlay(FigureMotion& record) override;
  void ShowOverlayWindow(FigureMotion& record, bool visible) override;
  void PlayFigureSoundFile(FigureMotion& record) override;
  void PlaySample(int sample, FigureMotion& record) override;
  void UpdateFigureSound(FigureMotion& record) override;
  bool SoundChannelActive(FigureMotion& record) override;
  int ShowSpeechBubble(FigureMotion& record, int type, const char* text, int x, int y, int lifetime) override;
  void KillSpeechBubble() override;
  std::string FigureText(const char* section, const char* key) override;
  int DueBirthdayCount() override;
  std::string DueBirthdayText(int index) override;
  bool DrawBannerText(FigureMotion& record) override;
  void PlaceFigureBelowTopmost() override;
  bool PlayerPlaying() override;
  bool PlayerTitleValid() override;
  bool TakePlayerTitleChanged() override;
  std::string PlayerTitle() override;
  int TakeWinampButton() override;
  FigureMemories& Memories() override { return memories_; }

 private:
  BillboardLink& billboard_;
  PlayerState& player_;
  FigureState& figures_;
  ShellState& shell_;
  Overlay& overlay_;
  const AppSettings& settings_;
  Birthdays& birthdays_;
  FigureMemories& memories_;
};

// Runs `change` (a push, a hide) on `window`; the windows under the part of
// its place that it left push their pictures again, as nothing else repaints
// it without a compositor.
void RepaintWhatItLeaves(HWND window, const std::function<void()>& change);

// Runs one tick of a scene's script on the walking figure's record, with
// what the figures remember; false when the scene has no script.
bool RunSceneScript(int scene, FigureRecord* figure, const SceneLinks& links, FigureMemories& memories);
