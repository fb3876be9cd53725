#pragma once
// What figures remember between appearances. The animation owns one and
// hands it to the scripts through their host; zero is how they start.

struct FigureMemories {
  int figure02Direction = 0;  // 0 before the first walk, then +1 or -1
  int figure08Variant = 0;    // 0 or 9
  int figure10Variant = 0;
  int figure27Motif = 0;      // the billboard motif the paster last saw
  int figure11Offset = 0;     // the runner's frame set, 0 to 28
  int figure11T = 0;          // the runner's pace number, drawn at each load
  int figure24Direction = 0;  // the dog: 0 before the first walk, then +1 or -1
  int figure36Variant = 0;    // 0 or 6
  int planeDirection = 0;     // 0 before the first flight, then +1 or -1
  int musicianDirection = 0;  // 0 before the first walk, then +1 or -1
  int musicianVariant = 0;    // walk variant, 0 or 6
  int musicianState = 0;      // the state he was lifted from
  int birdFrameSet = 0;       // 0, 4 or 8: the flock of this flight
  int birthdayTextIndex = 0;  // the due birthday he tells next, from 0 at each appearance

  friend bool operator==(const FigureMemories&, const FigureMemories&) = default;
};
