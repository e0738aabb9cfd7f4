// Linked into sanitizer builds only: the options and suppressions every
// sanitized executable starts with, and a dlclose that keeps libraries loaded.

// SDL unloads the GL driver at exit; its small teardown leaks would then show
// up as allocations from "<unknown module>", which no suppression can name.
// Keeping every library mapped leaves them reachable from the libraries' data.
extern "C" int dlclose(void *) { return 0; }

// GCC 12's runtime misreads glibc 2.36's dynamic TLS after __tls_get_addr
// (Mesa's JIT takes dynamic TLS), and the leak check's thread walk can then
// crash on a garbage block at exit, depending on memory layout ("Tracer
// caught signal 11", "DTLS ... at 0x000000000d07"). Without the interception
// the threads' static TLS is still scanned.
extern "C" const char *__asan_default_options() { return "intercept_tls_get_addr=0"; }

extern "C" const char *__ubsan_default_options() { return "print_stacktrace=1:halt_on_error=1"; }

// Caches that the system's graphics, windowing, font and audio libraries keep
// for the life of the process. Our own code is never listed here.
extern "C" const char *__lsan_default_suppressions() {
  return "leak:libLLVM\n"
         "leak:swrast_dri\n"
         "leak:libgallium\n"
         "leak:libGLX_mesa\n"
         "leak:libEGL_mesa\n"
         "leak:libglapi\n"
         "leak:libX11\n"
         "leak:libwayland-client\n"
         "leak:libdecor\n"
         "leak:libxcb\n"
         "leak:libdbus\n"
         "leak:libpulse\n"
         "leak:libfontconfig\n"
         "leak:libSDL2\n"
         "leak:libmodplug\n"
         "leak:libfluidsynth\n";
}
