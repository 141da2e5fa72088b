// The seat's keyboard and pointer as window messages to the saver window.
//
// Keys are reported by their evdev code; the host ends on any key, so only
// Alt is told apart (WM_SYSKEYDOWN). The pointer's place is known only
// over our own surfaces, in the surface's logical units: it is put on the
// virtual screen through the output the surface covers.
#include "platform/linux/wayland/wl_platform.h"

#include <linux/input-event-codes.h>
#include <unistd.h>

#include <cmath>

namespace {

struct Input {
    wl_keyboard* keyboard = nullptr;
    wl_pointer* pointer = nullptr;
    bool cursorHidden = false;
    uint32_t enterSerial = 0;
    bool entered = false;
    // The virtual-screen place of the surface under the pointer and its
    // scale, taken when the pointer entered it.
    RECT surfaceRect{0, 0, 0, 0};
    int scale = 1;
    bool known = false;       // a position was ever reported
    POINT first{0, 0};
    POINT last{0, 0};
};

Input input;

void post(UINT message, WPARAM wParam, LPARAM lParam)
{
    if (wayland().window != nullptr)
        PostMessageW(wayland().window, message, wParam, lParam);
}

void onKeymap(void*, wl_keyboard*, uint32_t, int32_t fd, uint32_t)
{
    close(fd);
}

void onKeyboardEnter(void*, wl_keyboard*, uint32_t, wl_surface*, wl_array*) {}
void onKeyboardLeave(void*, wl_keyboard*, uint32_t, wl_surface*) {}

void onKey(void*, wl_keyboard*, uint32_t, uint32_t, uint32_t key, uint32_t state)
{
    const bool alt = key == KEY_LEFTALT || key == KEY_RIGHTALT;
    const LPARAM flags = 1 | (static_cast<LPARAM>(key & 0xFF) << 16) | (alt ? LPARAM(1) << 29 : 0);
    if (state == WL_KEYBOARD_KEY_STATE_PRESSED)
        post(alt ? WM_SYSKEYDOWN : WM_KEYDOWN, alt ? 0x12 : 0, flags);
    else
        post(alt ? WM_SYSKEYUP : WM_KEYUP, alt ? 0x12 : 0, flags);
}

void onModifiers(void*, wl_keyboard*, uint32_t, uint32_t, uint32_t, uint32_t, uint32_t) {}
void onRepeatInfo(void*, wl_keyboard*, int32_t, int32_t) {}

const wl_keyboard_listener keyboardListener = {onKeymap, onKeyboardEnter, onKeyboardLeave,
                                               onKey,    onModifiers,     onRepeatInfo};

void moved(wl_fixed_t x, wl_fixed_t y)
{
    const POINT now{input.surfaceRect.left + static_cast<LONG>(std::lround(wl_fixed_to_double(x) * input.scale)),
                    input.surfaceRect.top + static_cast<LONG>(std::lround(wl_fixed_to_double(y) * input.scale))};
    if (!input.known) {
        input.known = true;
        input.first = now;
    }
    input.last = now;
    const POINT travel{now.x - input.first.x, now.y - input.first.y};
    post(WM_MOUSEMOVE, 0, MAKELPARAM(travel.x, travel.y));
}

void onPointerEnter(void*, wl_pointer*, uint32_t serial, wl_surface* surface, wl_fixed_t x, wl_fixed_t y)
{
    input.enterSerial = serial;
    input.entered = true;
    input.surfaceRect = RECT{0, 0, 0, 0};
    input.scale = 1;
    if (WaylandWindow* window = wayland().window) {
        for (auto& s : window->surfaces) {
            if (s->surface == surface && s->output != nullptr) {
                input.surfaceRect = s->output->rect;
                input.scale = s->scale;
            }
        }
    }
    applyPointerImage();
    moved(x, y);
}

void onPointerLeave(void*, wl_pointer*, uint32_t, wl_surface*)
{
    input.entered = false;
}

void onMotion(void*, wl_pointer*, uint32_t, wl_fixed_t x, wl_fixed_t y)
{
    moved(x, y);
}

void onButton(void*, wl_pointer*, uint32_t, uint32_t, uint32_t button, uint32_t state)
{
    const bool press = state == WL_POINTER_BUTTON_STATE_PRESSED;
    const LPARAM at = MAKELPARAM(input.last.x - input.first.x, input.last.y - input.first.y);
    switch (button) {
    case BTN_LEFT: post(press ? WM_LBUTTONDOWN : WM_LBUTTONUP, press ? MK_LBUTTON : 0, at); return;
    case BTN_RIGHT: post(press ? WM_RBUTTONDOWN : WM_RBUTTONUP, press ? MK_RBUTTON : 0, at); return;
    case BTN_MIDDLE: post(press ? WM_MBUTTONDOWN : WM_MBUTTONUP, press ? MK_MBUTTON : 0, at); return;
    default: post(press ? WM_XBUTTONDOWN : WM_XBUTTONUP, MAKEWPARAM(0, button == BTN_SIDE ? 1 : 2), at); return;
    }
}

// Scrolling is no click: the wheel ends nothing.
void onAxis(void*, wl_pointer*, uint32_t, uint32_t axis, wl_fixed_t value)
{
    const int step = wl_fixed_to_double(value) < 0 ? 120 : -120;
    post(axis == WL_POINTER_AXIS_VERTICAL_SCROLL ? WM_MOUSEWHEEL : WM_MOUSEHWHEEL, MAKEWPARAM(0, step), 0);
}

void onFrame(void*, wl_pointer*) {}
void onAxisSource(void*, wl_pointer*, uint32_t) {}
void onAxisStop(void*, wl_pointer*, uint32_t, uint32_t) {}
void onAxisDiscrete(void*, wl_pointer*, uint32_t, int32_t) {}
void onAxisValue120(void*, wl_pointer*, uint32_t, int32_t) {}

const wl_pointer_listener pointerListener = {onPointerEnter, onPointerLeave, onMotion,       onButton,
                                             onAxis,         onFrame,        onAxisSource,   onAxisStop,
                                             onAxisDiscrete, onAxisValue120};

void onCapabilities(void*, wl_seat* seat, uint32_t capabilities)
{
    const bool keyboard = (capabilities & WL_SEAT_CAPABILITY_KEYBOARD) != 0;
    const bool pointer = (capabilities & WL_SEAT_CAPABILITY_POINTER) != 0;
    if (keyboard && input.keyboard == nullptr) {
        input.keyboard = wl_seat_get_keyboard(seat);
        wl_keyboard_add_listener(input.keyboard, &keyboardListener, nullptr);
    } else if (!keyboard && input.keyboard != nullptr) {
        if (wl_keyboard_get_version(input.keyboard) >= WL_KEYBOARD_RELEASE_SINCE_VERSION)
            wl_keyboard_release(input.keyboard);
        else
            wl_keyboard_destroy(input.keyboard);
        input.keyboard = nullptr;
    }
    if (pointer && input.pointer == nullptr) {
        input.pointer = wl_seat_get_pointer(seat);
        wl_pointer_add_listener(input.pointer, &pointerListener, nullptr);
    } else if (!pointer && input.pointer != nullptr) {
        if (wl_pointer_get_version(input.pointer) >= WL_POINTER_RELEASE_SINCE_VERSION)
            wl_pointer_release(input.pointer);
        else
            wl_pointer_destroy(input.pointer);
        input.pointer = nullptr;
    }
}

void onSeatName(void*, wl_seat*, const char*) {}

const wl_seat_listener seatListener = {onCapabilities, onSeatName};

}  // namespace

void bindSeat(wl_seat* seat)
{
    wayland().seat = seat;
    wl_seat_add_listener(seat, &seatListener, nullptr);
}

void applyPointerImage()
{
    if (input.pointer == nullptr || !input.entered)
        return;
    // No image hides it; an image of our own we do not have, so shown
    // means the compositor's default, which it sets when none is given.
    if (input.cursorHidden)
        wl_pointer_set_cursor(input.pointer, input.enterSerial, nullptr, 0, 0);
}

void waylandHideCursor(bool hidden)
{
    input.cursorHidden = hidden;
    applyPointerImage();
}

BOOL waylandCursorPos(LPPOINT point)
{
    if (point == nullptr)
        return FALSE;
    *point = input.known ? POINT{input.last.x - input.first.x, input.last.y - input.first.y} : POINT{0, 0};
    return TRUE;
}
