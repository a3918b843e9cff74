/* dpfp-host FD: the libfprint helper process of libdpFpFns.so, which starts it
 * with one end of a socket pair as FD. */
#include <dlfcn.h>
#include <stdio.h>
#include <stdlib.h>

int main(int argc, char **argv) {
  if (argc != 3) {
    fprintf(stderr, "usage: dpfp-host LIBRARY FD (started by libdpFpFns.so)\n");
    return 2;
  }
  void *lib = dlopen(argv[1], RTLD_NOW);
  int (*entry)(int) = lib ? (int (*)(int))dlsym(lib, "dpfp_host_main") : NULL;
  if (!entry) {
    fprintf(stderr, "dpfp-host: %s\n", dlerror());
    return 1;
  }
  return entry(atoi(argv[2]));
}

/* GLib and libfprint keep their type data until exit: in a sanitizer build the
 * helper does not report those as leaks. */
const char *__asan_default_options(void);
const char *__asan_default_options(void) { return "detect_leaks=0"; }
