/* A library that exists only beside the test program and in its working
   directory: the services must never load it. */
__declspec(dllexport) int waveOutGetNumDevs(void) { return 4242; }
