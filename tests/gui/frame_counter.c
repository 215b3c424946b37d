/* LD_PRELOAD shim for the window tests: counts glXSwapBuffers per drawable (a GLUT
 * window's drawable is its X window id) in a small file that the test maps too, so a
 * test waits for frames instead of sleeping. FRAME_COUNTER_FILE names the file, which
 * the test creates zero-filled with room for kSlots slots of two 64-bit words:
 * drawable, frames swapped. The count is stored after the real swap returns: the frame
 * is on screen. Only the call's address is passed on, so no GL headers are needed. */
#define _GNU_SOURCE
#include <dlfcn.h>
#include <fcntl.h>
#include <stdint.h>
#include <stdlib.h>
#include <sys/mman.h>
#include <unistd.h>

typedef void (*SwapFn)(void*, unsigned long);

enum { kSlots = 16 };
static uint64_t* slots; /* kSlots pairs, mapped from the file */
static int tried;

static void mapCounts(void) {
  tried = 1;
  const char* path = getenv("FRAME_COUNTER_FILE");
  if (!path) return;
  int fd = open(path, O_RDWR);
  if (fd < 0) return;
  void* p = mmap(NULL, kSlots * 2 * sizeof(uint64_t), PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0);
  close(fd);
  if (p != MAP_FAILED) slots = p;
}

void glXSwapBuffers(void* display, unsigned long drawable) {
  static SwapFn real;
  if (!real) real = (SwapFn)dlsym(RTLD_NEXT, "glXSwapBuffers");
  if (real) real(display, drawable);
  if (!tried) mapCounts();
  if (!slots) return;
  for (int i = 0; i < kSlots; ++i) {
    uint64_t d = __atomic_load_n(&slots[2 * i], __ATOMIC_ACQUIRE);
    if (d == 0) {
      __atomic_store_n(&slots[2 * i], (uint64_t)drawable, __ATOMIC_RELEASE);
      d = drawable;
    }
    if (d == drawable) {
      __atomic_add_fetch(&slots[2 * i + 1], 1, __ATOMIC_RELEASE);
      return;
    }
  }
}
