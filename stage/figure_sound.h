#pragma once
// The sounds of an animated object's record: its channel follows the record
// across the screen. Each does nothing while sound is off or the library is
// not loaded.

struct FigureRecord;

// Built-in sample n (0 to 10) on the figure's channel, panned to it.
void PlaySample(int n, FigureRecord* record);
// The user's sound file of the figure's number.
void PlayFigureSoundFile(FigureRecord* record);
// Volume and pan (or the requested volume slide) of the figure's channel.
void UpdateFigureSound(FigureRecord* record);
// Slides both channels of a leaving figure to silence.
void FadeOutFigureSounds(FigureRecord* record);
