#pragma once
// Names and sizes of the billboard's pictures, shared by the program and the
// art generator.

#include "objects/portable/poster_geometry.h"  // kPosterWidth, kPosterHeight

inline constexpr char kWallName[] = "PLAKATWAND";
inline constexpr int kWallWidth = 168;
inline constexpr int kWallHeight = 149;
// The poster field: kPosterWidth x kPosterHeight at (1,1) of the wall.
inline constexpr int kPosterFieldX = 1;
inline constexpr int kPosterFieldY = 1;

// Built-in motifs "MOTIV02" ... "MOTIV08", each a poster of the field's size.
// 3 is the New Year motif, 4 the paper of the calendar sheet and the text posters.
inline constexpr char kMotifNameFormat[] = "MOTIV%02d";
inline constexpr int kFirstBuiltinMotif = 2;
inline constexpr int kLastBuiltinMotif = 8;
inline constexpr int kPaperMotif = 4;
// The start motifs "MOTIV_START_00" and "MOTIV_START_01".
inline constexpr char kStartMotifNameFormat[] = "MOTIV_START_%02d";
inline constexpr int kStartMotifCount = 2;

// Where the program writes on the paper (calendar header and text posters).
inline constexpr int kCalendarHeaderTop = 7;
inline constexpr int kCalendarGridTop = 25;
