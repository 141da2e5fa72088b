// A stand-in for the program that shows a preview: opens an X window,
// prints its id in decimal, destroys the window on SIGUSR1 and ends on
// SIGTERM (or after a minute, so that a broken test leaves nothing behind).
#include <X11/Xlib.h>
#include <poll.h>
#include <signal.h>
#include <unistd.h>

#include <cstdio>

namespace {

volatile sig_atomic_t destroyRequested = 0;
volatile sig_atomic_t endRequested = 0;

void onDestroy(int) { destroyRequested = 1; }
void onEnd(int) { endRequested = 1; }

}  // namespace

int main()
{
    Display* display = XOpenDisplay(nullptr);
    if (display == nullptr) {
        std::fputs("parent_window: no display\n", stderr);
        return 1;
    }
    signal(SIGUSR1, onDestroy);
    signal(SIGTERM, onEnd);
    const int screen = DefaultScreen(display);
    Window window = XCreateSimpleWindow(display, RootWindow(display, screen), 40, 30, 300, 200, 0,
                                       BlackPixel(display, screen), WhitePixel(display, screen));
    XStoreName(display, window, "Preview parent");
    XMapWindow(display, window);
    XSync(display, False);
    std::printf("%lu\n", static_cast<unsigned long>(window));
    std::fflush(stdout);
    for (int ticks = 0; ticks < 6000 && !endRequested; ++ticks) {
        if (destroyRequested && window != 0) {
            XDestroyWindow(display, window);
            XSync(display, False);
            window = 0;
        }
        while (XPending(display) > 0) {
            XEvent event;
            XNextEvent(display, &event);
        }
        pollfd wait{ConnectionNumber(display), POLLIN, 0};
        poll(&wait, 1, 10);
    }
    XCloseDisplay(display);
    return 0;
}
