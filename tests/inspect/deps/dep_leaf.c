/* The module at the end of the chain; tests delete their copy of it. */
__declspec(dllexport) int VelmoraDepValue(void) { return 42; }
