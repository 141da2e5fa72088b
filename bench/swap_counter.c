/* Preloaded into the saver by wayland_frame_cost.sh: counts the frames it
 * presents, through GLX on X11 and EGL on Wayland, into the file named by
 * GYRELLE_SWAP_COUNT (a counter in a shared mapping, so that the script
 * reads it while the saver runs, without stopping it). */
#define _GNU_SOURCE
#include <dlfcn.h>
#include <fcntl.h>
#include <stdlib.h>
#include <sys/mman.h>
#include <unistd.h>

static volatile unsigned long* frames;

static void count(void)
{
    if (frames == NULL) {
        const char* path = getenv("GYRELLE_SWAP_COUNT");
        int fd = path ? open(path, O_RDWR | O_CREAT, 0644) : -1;
        if (fd < 0 || ftruncate(fd, sizeof *frames) != 0)
            return;
        void* map = mmap(NULL, sizeof *frames, PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0);
        close(fd);
        if (map == MAP_FAILED)
            return;
        frames = map;
    }
    ++*frames;
}

void glXSwapBuffers(void* display, unsigned long drawable)
{
    static void (*real)(void*, unsigned long);
    if (real == NULL)
        real = (void (*)(void*, unsigned long))dlsym(RTLD_NEXT, "glXSwapBuffers");
    count();
    real(display, drawable);
}

unsigned eglSwapBuffers(void* display, void* surface)
{
    static unsigned (*real)(void*, void*);
    if (real == NULL)
        real = (unsigned (*)(void*, void*))dlsym(RTLD_NEXT, "eglSwapBuffers");
    count();
    return real(display, surface);
}
