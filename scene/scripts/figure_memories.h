#pragma once
// What figures remember between appearances (static, zero at program start).

struct FigureMemories {
  static int figure02Direction;  // 0 before the first walk, then +1 or -1
  static int figure08Variant;    // 0 or 9
  static int figure10Variant;
  static int figure27Motif;      // the billboard motif the paster last saw
  static int figure11Offset;     // the runner's frame set, 0 to 28
  static int figure11T;          // the runner's pace number, drawn at each load
  static int figure24Direction;  // the dog: 0 before the first walk, then +1 or -1
  static int figure36Variant;    // 0 or 6
  static int planeDirection;     // 0 before the first flight, then +1 or -1
  static int musicianDirection;  // 0 before the first walk, then +1 or -1
  static int musicianVariant;    // walk variant, 0 or 6
  static int musicianState;      // the state he was lifted from
  static int birdFrameSet;       // 0, 4 or 8: the flock of this flight
};
