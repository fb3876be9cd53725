#pragma once
// Runs a script tick by tick against the fake host, and records golden traces.

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <functional>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "scene/portable/fake_script_host.h"
#include "scene/scripts/figure_scripts.h"

// Ticks until the record is unloaded or `limit` ticks passed; returns the count.
inline int RunScene(FigureScript script, FigureMotion& record, FakeScriptHost& host, int limit,
                    const std::function<void(int tick)>& each = nullptr) {
  int tick = 0;
  do {
    script(record, host);
    ++tick;
    if (each) each(tick);
  } while (record.active && tick < limit);
  return tick;
}

// What the user (or the world) does before a given tick.
enum class Poke {
  kClick,
  kHold,
  kRelease,
  kBillboard,
  kSoundOff,
  kChannelBusy,
  kChannelFree,
  kRelayout,
  kPlayerNewTitle,
  kPlayerOff,
  kBubbleButton,  // the player for the musician; the button is cursor.x
};
struct Event {
  int tick;
  Poke poke;
  ScenePoint cursor{};  // hold: the press point is the cursor's place in the window
};

struct TraceCase {
  const char* name;
  FigureScript script;
  std::span<const SpriteFrame> frames;
  uint32_t seed;
  std::vector<Event> events;
  int screenWidth = 1024;
  int limit = 40000;
};

// One line per tick on which the script drew, changed state or asked for a
// sound: "tick state frame@x,y" for the figure window, "o=frame@dest" for the
// overlay, "snd=N", "file" (the user's sound file), "ft=" for a new frame
// time, "end" when it unloaded. Also checks what every drawing must keep:
// a frame of the table, inside the bitmap it is drawn into. The figures
// remember into `memories`, as into the animation's between scenes.
inline std::string Trace(const TraceCase& c, FigureMemories& memories) {
  FakeScriptHost host(c.seed, memories);
  host.screenWidth = c.screenWidth;
  host.workArea = {0, 0, c.screenWidth, 740};
  FigureMotion record = ZeroRecord();
  std::ostringstream out;
  int state = -1, frameTime = 0;
  size_t samples = 0;
  int files = 0;
  for (int tick = 0; tick < c.limit; ++tick) {
    for (const Event& e : c.events) {
      if (e.tick != tick) continue;
      switch (e.poke) {
        case Poke::kClick:
          host.clicked = true;
          break;
        case Poke::kHold:
          host.held = true;
          host.cursor = e.cursor;
          host.press = {e.cursor.x - host.objectDest.x, 30};
          break;
        case Poke::kRelease:
          host.held = false;
          host.cursor = e.cursor;
          break;
        case Poke::kBillboard:
          host.billboardUpdate = true;
          break;
        case Poke::kSoundOff:
          host.sound = false;
          break;
        case Poke::kChannelBusy:
          host.channelPlaying = true;
          break;
        case Poke::kChannelFree:
          host.channelPlaying = false;
          break;
        case Poke::kRelayout:
          host.relayout = 1;
          host.workArea.bottom -= 30;
          break;
        case Poke::kPlayerNewTitle:
          host.playerPlaying = host.titleValid = host.titleChanged = true;
          host.title = "Artist - Song";
          break;
        case Poke::kPlayerOff:
          host.playerPlaying = host.titleValid = false;
          break;
        case Poke::kBubbleButton:
          host.winampButton = e.cursor.x;
          host.clicked = true;
          break;
      }
    }
    host.objectDraws.clear();
    host.overlayDraws.clear();
    const size_t drawsBefore = host.allObjectDraws.size();
    c.script(record, host);
    std::ostringstream line;
    bool any = false;
    for (size_t i = drawsBefore; i < host.allObjectDraws.size(); ++i) {
      const DrawnFrame& d = host.allObjectDraws[i];
      const int index = FrameIndex(c.frames, d.frame);
      EXPECT_GE(index, 0) << c.name << " tick " << tick;
      EXPECT_LE(d.at.y + d.frame.h, host.createdObject.height) << c.name << " tick " << tick;
      EXPECT_LE(d.frame.w, host.createdObject.width) << c.name << " tick " << tick;
      line << ' ' << index << '@' << d.at.x << ',' << d.at.y;
      any = true;
    }
    for (const DrawnFrame& d : host.overlayDraws) {
      EXPECT_LE(d.frame.w, host.createdOverlay.width) << c.name << " tick " << tick;
      EXPECT_LE(d.frame.h, host.createdOverlay.height) << c.name << " tick " << tick;
      line << " o=" << FrameIndex(c.frames, d.frame) << '@' << host.overlayDest.x << ','
           << host.overlayDest.y;
      any = true;
    }
    for (; samples < host.samples.size(); ++samples, any = true) line << " snd=" << host.samples[samples];
    for (; files < host.soundFilePlays; ++files, any = true) line << " file";
    if (record.frameTime != frameTime) {
      frameTime = record.frameTime;
      if (record.active) line << " ft=" << frameTime;
      any = true;
    }
    if (!record.active) {
      out << tick << " end\n";
      break;
    }
    if (any || record.state != state) out << tick << " s" << record.state << line.str() << '\n';
    state = record.state;
  }
  return out.str();
}

// Compares each case's trace with its section of the golden file (under
// scene/scripts/testdata); WAYLUNE_UPDATE_TRACES=1 writes the file afresh.
// The cases run one after the other on one fresh memories object: a figure's
// second case is his second appearance.
inline void ExpectGoldenTraces(const char* file, const std::vector<TraceCase>& cases) {
  FigureMemories memories;
  const std::string path = std::string(WAYLUNE_SOURCE_DIR) + "/scene/scripts/testdata/" + file;
  std::map<std::string, std::string> golden;
  {
    std::ifstream in(path);
    std::string lineText, section;
    while (std::getline(in, lineText)) {
      if (lineText.rfind("== ", 0) == 0)
        section = lineText.substr(3);
      else
        golden[section] += lineText + '\n';
    }
  }
  const bool update = std::getenv("WAYLUNE_UPDATE_TRACES") != nullptr;
  std::ostringstream fresh;
  for (const TraceCase& c : cases) {
    const std::string trace = Trace(c, memories);
    fresh << "== " << c.name << '\n' << trace;
    if (!update) {
      EXPECT_EQ(trace, golden[c.name]) << c.name << " differs from " << path;
    }
  }
  if (update) std::ofstream(path) << fresh.str();
}
