/* The least a Windows program does to play sound: winmm loops one WAV file
   (the command line). measure-cost.py --sound-floor runs it to show what
   Wine's own sound path costs any program that plays. */
#include <windows.h>
#include <mmsystem.h>

int WINAPI WinMain(HINSTANCE instance, HINSTANCE previous, LPSTR line, int show) {
  (void)instance, (void)previous, (void)show;
  if (!PlaySoundA(line, NULL, SND_FILENAME | SND_ASYNC | SND_LOOP | SND_NODEFAULT)) return 1;
  for (;;) Sleep(INFINITE);
}
