/* A library that must never be loaded by name: it lies beside the test programs only. */
__declspec(dllexport) int ZentharPlanted(void) { return 1; }
