// Preloaded into the sanitizer runs (LD_PRELOAD): dlclose keeps every library
// mapped. The GL driver that Mesa loads for a window is otherwise unloaded
// before the leak check at exit, its frames show as "<unknown module>", and
// the suppressions file could not tell its leaks from ours.
extern "C" int dlclose(void*) { return 0; }
