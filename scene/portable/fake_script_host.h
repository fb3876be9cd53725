#pragma once
// A script host for tests: a seeded generator with the runtime's range, flags
// the test sets, and a record of what the script drew, moved and played.

#include <cstring>
#include <span>
#include <string>
#include <utility>
#include <vector>

#include "scene/portable/script_host.h"
#include "scene/scripts/figure_memories.h"
#include "services/portable/runtime_rand.h"

struct DrawnFrame {
  SpriteFrame frame;
  ScenePoint at;
};

struct ShownBubble {
  int type;
  std::string text;
  int x, y, lifetime;
};

class FakeScriptHost : public ScriptHost {
 public:
  explicit FakeScriptHost(uint32_t seed = 1) : rand_(seed), memories_(&ownMemories_) {}
  // A host of one tick of a longer run: the figures remember into `memories`,
  // which outlives it, as the animation's do.
  FakeScriptHost(uint32_t seed, FigureMemories& memories) : rand_(seed), memories_(&memories) {}
  // A copy would remember into the original's memories.
  FakeScriptHost(const FakeScriptHost&) = delete;
  FakeScriptHost& operator=(const FakeScriptHost&) = delete;

  // What the test sets.
  int speed = 50;
  bool sound = true;
  int soundOptions[10] = {1, 1, 1, 1, 1, 1, 1, 1, 1, 1};
  bool optionsOpen = false;
  bool billboardUpdate = false;
  bool clicked = false;
  bool held = false;
  int relayout = 0;
  int bubbleType = 0;
  ScenePoint press{10, 10};
  ScenePoint cursor{500, 300};
  int screenWidth = 1024;
  SceneRect workArea{0, 0, 1024, 740};
  bool failLoad = false;
  bool failBitmaps = false;
  std::vector<std::string> dueBirthdays;
  bool channelPlaying = false;
  bool failBanner = false;
  bool playerPlaying = false;
  bool titleValid = false;
  bool titleChanged = false;
  std::string title;
  int winampButton = 0;

  // What the script did.
  ScenePoint grab;
  ScenePoint objectDest;
  SceneSize objectSize;
  std::vector<DrawnFrame> objectDraws;  // since the last ClearObject
  std::vector<DrawnFrame> allObjectDraws;
  int objectShows = 0;
  ScenePoint overlayDest;
  SceneSize overlaySize;
  std::vector<DrawnFrame> overlayDraws;
  bool overlayVisible = false;
  int onTopCalls = 0;
  int soundFilePlays = 0;
  std::vector<int> samples;
  int soundUpdates = 0;
  int bubbleKills = 0;
  std::vector<ShownBubble> bubbles;
  int loads = 0, unloads = 0;
  std::string name;
  std::vector<std::string> log;
  SceneSize createdObject, createdOverlay;
  int bannerDraws = 0;
  int belowTopmostCalls = 0;

  int Rand() override { return rand_.Next(); }
  void Log(const char* text) override { log.emplace_back(text); }
  int Speed() override { return speed; }
  bool SoundAvailable() override { return sound; }
  int SoundOption(int group) override { return group >= 0 && group < 10 ? soundOptions[group] : 0; }
  bool OptionsOpen() override { return optionsOpen; }
  bool BillboardUpdateRequest() override { return billboardUpdate; }
  bool ObjectClicked() override { return clicked; }
  void ClearObjectClicked() override { clicked = false; }
  bool FigureHeld() override { return held; }
  bool RelayoutRequest() override { return relayout != 0; }
  void SetRelayoutRequest(int value) override { relayout = value; }
  int BubbleType() override { return bubbleType; }
  ScenePoint PressPoint() override { return press; }
  ScenePoint CursorPos() override { return cursor; }
  ScenePoint GrabOffset() override { return grab; }
  void SetGrabOffset(ScenePoint offset) override { grab = offset; }
  int ScreenWidth() override { return screenWidth; }
  SceneRect WorkArea() override { return workArea; }

  bool LoadFigure(FigureMotion& record, int number, int) override {
    ++loads;
    if (failLoad) {
      UnloadFigure(record);
      return false;
    }
    record.number = number;
    record.active = 1;
    record.state = 0;
    record.workArea = workArea;
    relayout = 1;
    return true;
  }
  void UnloadFigure(FigureMotion& record) override {
    ++unloads;
    record = FigureMotion{};
  }
  void SetFigureName(FigureMotion&, const char* text) override { name = text; }
  bool CreateFigureBitmaps(FigureMotion&, SceneSize object, SceneSize overlay) override {
    createdObject = object;
    createdOverlay = overlay;
    return !failBitmaps;
  }
  void SetObjectPlacement(ScenePoint destination, SceneSize size) override {
    objectDest = destination;
    objectSize = size;
  }
  void ClearObject(FigureMotion&) override { objectDraws.clear(); }
  void DrawObjectFrame(FigureMotion&, int, const SpriteFrame& frame, ScenePoint at) override {
    objectDraws.push_back({frame, at});
    allObjectDraws.push_back({frame, at});
  }
  void ShowObject(FigureMotion&) override { ++objectShows; }
  void PutFigureOnTop() override { ++onTopCalls; }
  void SetOverlayPlacement(ScenePoint destination, SceneSize size) override {
    overlayDest = destination;
    overlaySize = size;
  }
  void ClearOverlay(FigureMotion&) override { overlayDraws.clear(); }
  void DrawOverlayFrame(FigureMotion&, int, const SpriteFrame& frame, ScenePoint at) override {
    overlayDraws.push_back({frame, at});
  }
  void ShowOverlay(FigureMotion&) override {}
  void ShowOverlayWindow(FigureMotion&, bool visible) override { overlayVisible = visible; }
  void PlayFigureSoundFile(FigureMotion&) override { ++soundFilePlays; }
  void PlaySample(int sample, FigureMotion&) override { samples.push_back(sample); }
  void UpdateFigureSound(FigureMotion&) override { ++soundUpdates; }
  bool SoundChannelActive(FigureMotion&) override { return channelPlaying; }
  // Like the real one: the old bubble goes, an empty text shows none.
  int ShowSpeechBubble(FigureMotion&, int type, const char* text, int x, int y, int lifetime) override {
    if (bubbleType) KillSpeechBubble();
    if (!text || !*text) return 0;
    bubbles.push_back({type, text, x, y, lifetime});
    bubbleType = type;
    return 1;
  }
  void KillSpeechBubble() override {
    ++bubbleKills;
    bubbleType = 0;
  }
  std::string FigureText(const char*, const char*) override { return {}; }
  int DueBirthdayCount() override { return static_cast<int>(dueBirthdays.size()); }
  std::string DueBirthdayText(int index) override { return dueBirthdays.at(static_cast<size_t>(index)); }
  bool DrawBannerText(FigureMotion&) override { return ++bannerDraws, !failBanner; }
  void PlaceFigureBelowTopmost() override { ++belowTopmostCalls; }
  bool PlayerPlaying() override { return playerPlaying; }
  bool PlayerTitleValid() override { return titleValid; }
  bool TakePlayerTitleChanged() override { return std::exchange(titleChanged, false); }
  std::string PlayerTitle() override { return title; }
  int TakeWinampButton() override { return std::exchange(winampButton, 0); }
  FigureMemories& Memories() override { return *memories_; }

 private:
  RuntimeRand rand_;
  FigureMemories ownMemories_;
  FigureMemories* memories_;
};

// Index of a frame in a table, -1 when it is none of them.
inline int FrameIndex(std::span<const SpriteFrame> table, const SpriteFrame& frame) {
  for (size_t i = 0; i < table.size(); ++i)
    if (table[i].x == frame.x && table[i].y == frame.y && table[i].w == frame.w && table[i].h == frame.h)
      return static_cast<int>(i);
  return -1;
}

// A zeroed record, as the animation thread allocates it.
inline FigureMotion ZeroRecord() {
  return FigureMotion{};
}
