__declspec(dllimport) int VelmoraDepValue(void);
__declspec(dllexport) int HelperValue(void) { return VelmoraDepValue() + 1; }
