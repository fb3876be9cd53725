#pragma once
// The pace of the shell's main tick, which runs only while a scene runs or
// a bubble shows. Bubble lifetimes count its ticks of 200 ms and the
// player's title is followed at each, so it keeps that pace while a bubble
// shows or a player is known. With neither, what is left for it (the check
// whether a scene may run, the look for a newly started player) needs no
// such pace, and under Wine every tick costs the main thread's wake and its
// server requests: it ticks every 1.4 s instead.

inline constexpr unsigned kMainTickMs = 200;
inline constexpr unsigned kQuietMainTickMs = 1400;
// The check whether a scene may run: every 21 ticks of 200 ms, at either pace.
inline constexpr unsigned kMayAnimateCheckMs = 4200;

// The pace the tick needs now.
unsigned MainTickPaceMs(bool bubbleShown, bool playerKnown);

// The time the ticks counted since the last check whether a scene may run.
class MayAnimateCheck {
 public:
  // One tick `paceMs` after the last: true when the check is due (the count
  // starts again).
  bool Tick(unsigned paceMs);

 private:
  unsigned sinceMs_ = 0;
};
