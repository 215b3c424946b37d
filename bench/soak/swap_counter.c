/* LD_PRELOAD shim for the soak run and the frame-rate benchmark: counts
 * glXSwapBuffers per drawable (the drawable of a GLUT window is its X window id)
 * and rewrites SOAK_FRAMES_FILE every SOAK_FRAMES_EVERY swaps (default 50) with
 * one line "0xXID COUNT" per drawable and a last line "time=SECONDS" (monotonic
 * clock at that swap), so that a reader can divide frames by the exact time
 * between two rewrites. No GL headers needed: only the call's address is passed on. */
#define _GNU_SOURCE
#include <dlfcn.h>
#include <stdio.h>
#include <stdlib.h>
#include <time.h>

typedef void (*SwapFn)(void*, unsigned long);

#define MAX_DRAWABLES 8
static unsigned long drawables[MAX_DRAWABLES];
static unsigned long counts[MAX_DRAWABLES];
static int used;
static unsigned long total;

static void writeCounts(void) {
  const char* path = getenv("SOAK_FRAMES_FILE");
  if (!path) return;
  char tmp[4096];
  snprintf(tmp, sizeof tmp, "%s.tmp", path);
  FILE* f = fopen(tmp, "w");
  if (!f) return;
  struct timespec now;
  clock_gettime(CLOCK_MONOTONIC, &now);
  for (int i = 0; i < used; ++i) fprintf(f, "0x%lx %lu\n", drawables[i], counts[i]);
  fprintf(f, "time=%ld.%09ld\n", (long)now.tv_sec, now.tv_nsec);
  if (fclose(f) == 0) rename(tmp, path);
}

void glXSwapBuffers(void* display, unsigned long drawable) {
  static SwapFn real;
  static unsigned long every;
  if (!real) real = (SwapFn)dlsym(RTLD_NEXT, "glXSwapBuffers");
  if (!every) {
    const char* e = getenv("SOAK_FRAMES_EVERY");
    every = e && atol(e) > 0 ? (unsigned long)atol(e) : 50;
  }
  if (real) real(display, drawable);
  int i = 0;
  while (i < used && drawables[i] != drawable) ++i;
  if (i == used && used < MAX_DRAWABLES) drawables[used++] = drawable;
  if (i < used) ++counts[i];
  if (++total % every == 0) writeCounts();
}
