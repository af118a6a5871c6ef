/* The module at the end of the chain (tests leave it out), and built for x86 the 32-bit module. */
__declspec(dllexport) int VelmoraDepValue(void) { return 42; }
