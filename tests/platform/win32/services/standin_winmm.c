/* A waveform-audio library that has one device and fails every capability
   query with result 2, as Winmm does for a device that has gone. */
__declspec(dllexport) unsigned __stdcall waveOutGetNumDevs(void) { return 1; }
__declspec(dllexport) unsigned __stdcall waveOutGetDevCapsA(void* device, void* caps,
                                                            unsigned size) {
  (void)device;
  (void)caps;
  (void)size;
  return 2;
}
