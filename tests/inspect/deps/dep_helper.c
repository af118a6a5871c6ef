/* Needs velmoradep.dll, and is needed by the server. */
__declspec(dllimport) int VelmoraDepValue(void);
__declspec(dllexport) int HelperValue(void) { return VelmoraDepValue() + 1; }
