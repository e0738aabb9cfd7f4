// Linked into sanitizer builds only. SDL unloads the GL driver at exit; its
// small teardown leaks then show up as allocations from "<unknown module>",
// which no suppression can name. Keeping every library mapped (dlclose does
// nothing) leaves those allocations reachable from the libraries' own data.
extern "C" int dlclose(void *) { return 0; }
