// The monitors, as Windows' EnumDisplayMonitors and GetMonitorInfoW give
// them, and their changes, as the WM_DISPLAYCHANGE Windows broadcasts.
//
// One X screen spans every monitor, so root coordinates are the virtual
// screen's. RandR 1.5 lists the monitors the server shows, including those
// `xrandr --setmonitor` makes up (one output split in two, or several
// joined); without it, Xinerama lists its screens; without either the
// whole X screen is the one monitor.
// HACK: RandR's header brings in XRender's, whose picture id is named
// Picture, as the layer's desktop picture is; it is renamed while the
// header is read, and none of XRender is used.
#define Picture XRenderPictureId
#include <X11/extensions/Xrandr.h>
#undef Picture
#include <X11/extensions/Xinerama.h>

#include "platform/linux/system/watchers.h"
#include "platform/linux/wayland/wl_backend.h"
#include "platform/linux/window/x11_window.h"

#include <algorithm>
#include <tuple>

namespace {

bool sameRect(const RECT& a, const RECT& b)
{
    return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}

RECT intersection(const RECT& a, const RECT& b)
{
    return RECT{std::max(a.left, b.left), std::max(a.top, b.top), std::min(a.right, b.right),
                std::min(a.bottom, b.bottom)};
}

bool isEmpty(const RECT& r)
{
    return r.right <= r.left || r.bottom <= r.top;
}

// Whether the server lists RandR 1.5 monitors; asked once per connection.
bool hasRandrMonitors(Display* display)
{
    X11Connection& x = x11();
    if (!x.randrChecked) {
        x.randrChecked = true;
        int errorBase = 0;
        int major = 0;
        int minor = 0;
        if (XRRQueryExtension(display, &x.randrEventBase, &errorBase) && XRRQueryVersion(display, &major, &minor))
            x.randrMonitors = major > 1 || (major == 1 && minor >= 5);
        else
            x.randrEventBase = -1;
    }
    return x.randrMonitors;
}

std::vector<MonitorArea> queryMonitors(Display* display)
{
    std::vector<MonitorArea> found;
    const Window root = DefaultRootWindow(display);
    if (hasRandrMonitors(display)) {
        int count = 0;
        if (XRRMonitorInfo* monitors = XRRGetMonitors(display, root, True, &count)) {
            for (int i = 0; i < count; ++i) {
                const XRRMonitorInfo& m = monitors[i];
                found.push_back({RECT{m.x, m.y, m.x + m.width, m.y + m.height}, m.primary != 0});
            }
            XRRFreeMonitors(monitors);
        }
    }
    int eventBase = 0;
    int errorBase = 0;
    if (found.empty() && XineramaQueryExtension(display, &eventBase, &errorBase) && XineramaIsActive(display)) {
        int count = 0;
        if (XineramaScreenInfo* screens = XineramaQueryScreens(display, &count)) {
            // Xinerama names no primary; its first screen is taken.
            for (int i = 0; i < count; ++i) {
                const XineramaScreenInfo& s = screens[i];
                found.push_back({RECT{s.x_org, s.y_org, s.x_org + s.width, s.y_org + s.height}, false});
            }
            XFree(screens);
        }
    }
    const std::vector<MonitorArea> ordered = orderMonitors(found);
    if (!ordered.empty())
        return ordered;
    const int screen = DefaultScreen(display);
    return {{RECT{0, 0, DisplayWidth(display, screen), DisplayHeight(display, screen)}, true}};
}

// What a change is judged by: the screen's size and the monitors.
struct DisplayLayout {
    int width = 0;
    int height = 0;
    std::vector<MonitorArea> monitors;

    bool operator==(const DisplayLayout& other) const
    {
        return width == other.width && height == other.height && monitors.size() == other.monitors.size() &&
               std::equal(monitors.begin(), monitors.end(), other.monitors.begin(),
                          [](const MonitorArea& a, const MonitorArea& b) {
                              return sameRect(a.rect, b.rect) && a.primary == b.primary;
                          });
    }
};

DisplayLayout currentLayout(Display* display)
{
    const int screen = DefaultScreen(display);
    return DisplayLayout{DisplayWidth(display, screen), DisplayHeight(display, screen), queryMonitors(display)};
}

// Bits per pixel of the screen's depth, as Windows reports it (32 for the
// usual depth 24).
int bitsPerPixel(Display* display)
{
    const int depth = DefaultDepth(display, DefaultScreen(display));
    int bits = depth;
    int count = 0;
    if (XPixmapFormatValues* formats = XListPixmapFormats(display, &count)) {
        for (int i = 0; i < count; ++i) {
            if (formats[i].depth == depth)
                bits = formats[i].bits_per_pixel;
        }
        XFree(formats);
    }
    return bits;
}

// Announces a changed layout once to the top-level windows.
// HACK: Xvfb (21.1) sends no event when `xrandr --setmonitor` or
// `--delmonitor` changes the monitors, only when the screen's size
// changes, so the layout is also compared once a second.
struct DisplayWatch : PlatformPolledSource {
    void poll() override { announceIfChanged(); }

    void announceIfChanged()
    {
        Display* display = x11().display;
        if (display == nullptr)
            return;
        DisplayLayout now = currentLayout(display);
        if (now == last)
            return;
        last = std::move(now);
        postToTopLevelWindows(WM_DISPLAYCHANGE, static_cast<WPARAM>(bitsPerPixel(display)),
                              MAKELPARAM(last.width, last.height));
    }

    DisplayLayout last;
};

DisplayWatch watch;

}  // namespace

std::vector<MonitorArea> orderMonitors(const std::vector<MonitorArea>& found)
{
    std::vector<MonitorArea> ordered;
    for (const MonitorArea& m : found) {
        if (isEmpty(m.rect))
            continue;
        auto same = std::find_if(ordered.begin(), ordered.end(),
                                 [&](const MonitorArea& o) { return sameRect(o.rect, m.rect); });
        if (same == ordered.end())
            ordered.push_back(m);
        else
            same->primary = same->primary || m.primary;
    }
    // Windows always has exactly one primary: the first the server marks,
    // else the first it lists (RandR marks none until one is chosen).
    const auto marked = std::find_if(ordered.begin(), ordered.end(), [](const MonitorArea& m) { return m.primary; });
    const auto primary = marked != ordered.end() ? marked : ordered.begin();
    for (auto it = ordered.begin(); it != ordered.end(); ++it)
        it->primary = it == primary;
    std::stable_sort(ordered.begin(), ordered.end(), [](const MonitorArea& a, const MonitorArea& b) {
        return std::make_tuple(!a.primary, a.rect.top, a.rect.left) < std::make_tuple(!b.primary, b.rect.top, b.rect.left);
    });
    return ordered;
}

bool translateMonitorEvent(XEvent& event)
{
    const int base = x11().randrEventBase;
    if (base < 0 || event.type != base + RRScreenChangeNotify)
        return false;
    // Xlib keeps the screen's size; this is what brings it up to date.
    XRRUpdateConfiguration(&event);
    watch.announceIfChanged();
    return true;
}

RECT primaryMonitorRect(Display* display)
{
    return queryMonitors(display).front().rect;
}

void watchDisplayChanges()
{
    // Wayland announces its outputs' changes itself (wl_monitor.cpp).
    if (waylandChosen())
        return;
    Display* display = x11Display();
    if (display == nullptr)
        return;
    hasRandrMonitors(display);
    if (x11().randrEventBase >= 0)
        XRRSelectInput(display, DefaultRootWindow(display), RRScreenChangeNotifyMask);
    watch.last = currentLayout(display);
    platformAddEventSource(&watch);
}

BOOL enumerateMonitorAreas(const std::vector<MonitorArea>& monitors, HDC dc, LPCRECT clip, MONITORENUMPROC callback,
                           LPARAM data)
{
    if (callback == nullptr)
        return FALSE;
    // With a window's device context: its area, in its own coordinates.
    RECT area{-32768, -32768, 32767, 32767};
    POINT origin{0, 0};
    if (dc != nullptr) {
        PlatformWindow* window = platformOwnWindow(dc->window);
        if (window == nullptr)
            return FALSE;
        area = window->screenRect();
        origin = POINT{area.left, area.top};
    }
    if (clip != nullptr)
        area = intersection(area, RECT{clip->left + origin.x, clip->top + origin.y, clip->right + origin.x,
                                       clip->bottom + origin.y});
    for (size_t i = 0; i < monitors.size(); ++i) {
        RECT part = intersection(monitors[i].rect, area);
        if (isEmpty(part))
            continue;
        part = RECT{part.left - origin.x, part.top - origin.y, part.right - origin.x, part.bottom - origin.y};
        if (!callback(reinterpret_cast<HMONITOR>(i + 1), dc, &part, data))
            return FALSE;
    }
    return TRUE;
}

BOOL EnumDisplayMonitors(HDC dc, LPCRECT clip, MONITORENUMPROC callback, LPARAM data)
{
    if (waylandChosen())
        return waylandEnumDisplayMonitors(dc, clip, callback, data);
    Display* display = x11Display();
    if (display == nullptr || callback == nullptr)
        return FALSE;
    x11().monitors = queryMonitors(display);
    return enumerateMonitorAreas(x11().monitors, dc, clip, callback, data);
}

BOOL GetMonitorInfoW(HMONITOR monitor, LPMONITORINFO info)
{
    if (waylandChosen())
        return waylandGetMonitorInfo(monitor, info);
    const uintptr_t number = reinterpret_cast<uintptr_t>(monitor);
    if (info == nullptr || info->cbSize < sizeof(MONITORINFO) || number == 0 || number > x11().monitors.size())
        return FALSE;
    const MonitorArea& m = x11().monitors[number - 1];
    info->rcMonitor = m.rect;
    info->rcWork = m.rect;
    info->dwFlags = m.primary ? MONITORINFOF_PRIMARY : 0;
    return TRUE;
}
