// The outputs, as Windows' monitors: an object per wl_output with its own
// listener, xdg-output for its name and logical place, its power mode; and
// their comings and goings, as WM_DISPLAYCHANGE.
//
// The virtual screen is the outputs' logical layout in buffer pixels: each
// output lies at its logical place times the largest scale there is, with
// its own buffer size (logical size times its scale), so that outputs never
// overlap and a pointer moving across them travels as far as it looks.
#include "platform/linux/wayland/wl_platform.h"
#include "platform/linux/window/monitor_order.h"

#include <algorithm>

namespace {

// The layout EnumDisplayMonitors last gave, which HMONITOR numbers
// (index + 1) name.
std::vector<MonitorArea> enumerated;

WaylandOutput* outputOf(void* data)
{
    return static_cast<WaylandOutput*>(data);
}

void onGeometry(void* data, wl_output*, int32_t x, int32_t y, int32_t, int32_t, int32_t, const char*, const char*,
                int32_t)
{
    WaylandOutput* o = outputOf(data);
    if (!o->xdgLogical) {
        o->x = x;
        o->y = y;
    }
}

void onMode(void* data, wl_output*, uint32_t flags, int32_t width, int32_t height, int32_t)
{
    if ((flags & WL_OUTPUT_MODE_CURRENT) == 0)
        return;
    outputOf(data)->modeWidth = width;
    outputOf(data)->modeHeight = height;
}

void layOutAndAnnounce()
{
    // Announced once the window exists; before, the host asks anyway.
    if (wayland().window != nullptr) {
        followOutputs();
        postToTopLevelWindows(WM_DISPLAYCHANGE, 32, 0);
    }
}

void onDone(void* data, wl_output*)
{
    WaylandOutput* o = outputOf(data);
    o->ready = true;
    if (!o->xdgLogical && o->scale > 0) {
        o->logicalWidth = o->modeWidth / o->scale;
        o->logicalHeight = o->modeHeight / o->scale;
    }
    // A new output, or a change of one the window covers (scale, place).
    layOutAndAnnounce();
}

void onScale(void* data, wl_output*, int32_t factor)
{
    outputOf(data)->scale = std::max(1, factor);
}

void onName(void* data, wl_output*, const char* name)
{
    outputOf(data)->name = name;
}

void onDescription(void*, wl_output*, const char*) {}

const wl_output_listener outputListener = {onGeometry, onMode, onDone, onScale, onName, onDescription};

void onLogicalPosition(void* data, zxdg_output_v1*, int32_t x, int32_t y)
{
    WaylandOutput* o = outputOf(data);
    o->xdgLogical = true;
    o->x = x;
    o->y = y;
}

void onLogicalSize(void* data, zxdg_output_v1*, int32_t width, int32_t height)
{
    WaylandOutput* o = outputOf(data);
    o->xdgLogical = true;
    o->logicalWidth = width;
    o->logicalHeight = height;
}

// Since version 3 wl_output's done ends each change; before, this did.
void onXdgDone(void* data, zxdg_output_v1* output)
{
    if (zxdg_output_v1_get_version(output) < 3 && outputOf(data)->ready)
        layOutAndAnnounce();
}

void onXdgName(void* data, zxdg_output_v1*, const char* name)
{
    outputOf(data)->name = name;
}

void onXdgDescription(void*, zxdg_output_v1*, const char*) {}

const zxdg_output_v1_listener xdgOutputListener = {onLogicalPosition, onLogicalSize, onXdgDone, onXdgName,
                                                   onXdgDescription};

// An output the compositor turns off ends the saver, as the display's
// power saving does on X; one already off when it starts does not.
void onPowerMode(void* data, zwlr_output_power_v1*, uint32_t mode)
{
    WaylandOutput* o = outputOf(data);
    const bool on = mode == ZWLR_OUTPUT_POWER_V1_MODE_ON;
    const bool shown = wayland().onlyOutput.empty() || o->name == wayland().onlyOutput;
    if (o->powerOn && !on && o->ready && shown)
        postToTopLevelWindows(WM_SYSCOMMAND, SC_MONITORPOWER, 2);
    o->powerOn = on;
}

void onPowerFailed(void* data, zwlr_output_power_v1* power)
{
    zwlr_output_power_v1_destroy(power);
    outputOf(data)->power = nullptr;
}

const zwlr_output_power_v1_listener powerListener = {onPowerMode, onPowerFailed};

RECT bounds(const std::vector<WaylandOutput*>& outputs)
{
    if (outputs.empty())
        return RECT{0, 0, 0, 0};
    RECT box = outputs.front()->rect;
    for (const WaylandOutput* o : outputs)
        box = RECT{std::min(box.left, o->rect.left), std::min(box.top, o->rect.top),
                   std::max(box.right, o->rect.right), std::max(box.bottom, o->rect.bottom)};
    return box;
}

}  // namespace

void addOutput(uint32_t globalName, uint32_t version)
{
    auto o = std::make_unique<WaylandOutput>();
    o->globalName = globalName;
    o->output = static_cast<wl_output*>(
        wl_registry_bind(wayland().registry, globalName, &wl_output_interface, std::min(version, 4u)));
    wl_output_add_listener(o->output, &outputListener, o.get());
    wayland().outputs.push_back(std::move(o));
    completeOutputs();
}

void completeOutputs()
{
    WaylandState& w = wayland();
    for (auto& o : w.outputs) {
        if (o->xdgOutput == nullptr && w.outputManager != nullptr) {
            o->xdgOutput = zxdg_output_manager_v1_get_xdg_output(w.outputManager, o->output);
            zxdg_output_v1_add_listener(o->xdgOutput, &xdgOutputListener, o.get());
        }
        if (o->power == nullptr && w.outputPower != nullptr) {
            o->power = zwlr_output_power_manager_v1_get_output_power(w.outputPower, o->output);
            zwlr_output_power_v1_add_listener(o->power, &powerListener, o.get());
        }
    }
}

void removeOutput(uint32_t globalName)
{
    auto& outputs = wayland().outputs;
    auto found = std::find_if(outputs.begin(), outputs.end(),
                              [globalName](const auto& o) { return o->globalName == globalName; });
    if (found == outputs.end())
        return;
    std::unique_ptr<WaylandOutput> gone = std::move(*found);
    outputs.erase(found);
    // Its surfaces go before the output they name.
    layOutAndAnnounce();
    if (gone->power != nullptr)
        zwlr_output_power_v1_destroy(gone->power);
    if (gone->xdgOutput != nullptr)
        zxdg_output_v1_destroy(gone->xdgOutput);
    if (wl_output_get_version(gone->output) >= WL_OUTPUT_RELEASE_SINCE_VERSION)
        wl_output_release(gone->output);
    else
        wl_output_destroy(gone->output);
}

std::vector<WaylandOutput*> shownOutputs()
{
    std::vector<WaylandOutput*> shown;
    int32_t largestScale = 1;
    for (auto& o : wayland().outputs) {
        if (!o->ready || o->logicalWidth <= 0 || o->logicalHeight <= 0)
            continue;
        if (!wayland().onlyOutput.empty() && o->name != wayland().onlyOutput)
            continue;
        shown.push_back(o.get());
        largestScale = std::max(largestScale, o->scale);
    }
    for (WaylandOutput* o : shown) {
        const LONG left = o->x * largestScale;
        const LONG top = o->y * largestScale;
        o->rect = RECT{left, top, left + o->logicalWidth * o->scale, top + o->logicalHeight * o->scale};
    }
    return shown;
}

int waylandSystemMetrics(int index)
{
    if (waylandDisplay() == nullptr)
        return 0;
    const RECT box = bounds(shownOutputs());
    switch (index) {
    case SM_XVIRTUALSCREEN: return box.left;
    case SM_YVIRTUALSCREEN: return box.top;
    case 0:  // SM_CXSCREEN
    case SM_CXVIRTUALSCREEN: return box.right - box.left;
    case 1:  // SM_CYSCREEN
    case SM_CYVIRTUALSCREEN: return box.bottom - box.top;
    default: return 0;
    }
}

BOOL waylandEnumDisplayMonitors(HDC dc, LPCRECT clip, MONITORENUMPROC callback, LPARAM data)
{
    if (waylandDisplay() == nullptr)
        return FALSE;
    std::vector<MonitorArea> found;
    for (const WaylandOutput* o : shownOutputs())
        found.push_back({o->rect, false});
    enumerated = orderMonitors(found);
    return enumerateMonitorAreas(enumerated, dc, clip, callback, data);
}

BOOL waylandGetMonitorInfo(HMONITOR monitor, LPMONITORINFO info)
{
    const uintptr_t number = reinterpret_cast<uintptr_t>(monitor);
    if (info == nullptr || info->cbSize < sizeof(MONITORINFO) || number == 0 || number > enumerated.size())
        return FALSE;
    const MonitorArea& m = enumerated[number - 1];
    info->rcMonitor = m.rect;
    info->rcWork = m.rect;
    info->dwFlags = m.primary ? MONITORINFOF_PRIMARY : 0;
    return TRUE;
}
