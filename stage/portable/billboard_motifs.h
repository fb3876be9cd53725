#pragma once
// The billboard's motif numbers, shared by the poster thread's choice, the
// billboard and the Billboard page (which has the calendar sheet drawn
// again for a new holiday region).

// Motif numbers: -2 start motif, 2 to 8 the built-in motifs ("MOTIV%02d"),
// 3 also the New Year motif, 4 the calendar sheet, from 9 the user's
// pictures and then the user's text files.
inline constexpr int kStartMotif = -2;
inline constexpr int kNewYearMotif = 3;
inline constexpr int kCalendarMotif = 4;
inline constexpr int kFirstUserMotif = 9;
