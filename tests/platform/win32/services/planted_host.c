/* The control of the planted-DLL test: waveform audio from Winmm, without
   restricting where DLLs are looked for. Winmm's driver is then taken from
   beside this program, which shows that the planted DLL is one that gets
   loaded when nothing stops it. */
#include <windows.h>
/* After windows.h, which it needs. */
#include <mmsystem.h>

int main(void) { return waveOutGetNumDevs() > 100 ? 1 : 0; }
