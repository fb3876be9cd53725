#pragma once
// What figures remember between appearances (static, zero at program start).

struct FigureMemories {
  static int figure02Direction;  // 0 before the first walk, then +1 or -1
  static int figure08Variant;    // 0 or 9
  static int figure10Variant;
  static int figure27Motif;      // the billboard motif the paster last saw
};
