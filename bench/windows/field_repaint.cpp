// The colour picker's field, repainted as one drag step repaints it, on the
// real Windows GDI (under Wine on the test machines). The field is the size
// the picker's template gives it at 200 % scaling, where one SetPixel per
// pixel made dragging stutter.
//
//   wine build/windows/bench/gyrelle_field_repaint_bench.exe [REPAINTS]
//
// Prints the median and the fastest time of one repaint in milliseconds.
#include "settings/color_picker.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <vector>

namespace {

// 100 x 100 dialog units of "MS Shell Dlg" 8 at 192 dots per inch.
constexpr int kFieldWidth = 300;
constexpr int kFieldHeight = 326;

double millisecondsBetween(const LARGE_INTEGER& from, const LARGE_INTEGER& to, const LARGE_INTEGER& frequency)
{
    return 1000.0 * static_cast<double>(to.QuadPart - from.QuadPart) / static_cast<double>(frequency.QuadPart);
}

}  // namespace

int main(int argc, char** argv)
{
    const int repaints = argc > 1 ? std::max(1, std::atoi(argv[1])) : 40;
    HWND frame = CreateWindowExW(0, L"Static", L"Field repaint", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0,
                                 kFieldWidth + 40, kFieldHeight + 60, nullptr, nullptr, GetModuleHandleW(nullptr),
                                 nullptr);
    HWND field = CreateWindowExW(WS_EX_STATICEDGE, L"Static", L"", WS_CHILD | WS_VISIBLE | SS_OWNERDRAW, 5, 5,
                                 kFieldWidth, kFieldHeight, frame, nullptr, GetModuleHandleW(nullptr), nullptr);
    if (frame == nullptr || field == nullptr) {
        std::fprintf(stderr, "no window\n");
        return 1;
    }
    pickerHue = 0.6;
    pickerSaturation = 0.5;
    pickerValue = 0.5;
    LARGE_INTEGER frequency;
    QueryPerformanceFrequency(&frequency);
    std::vector<double> times;
    for (int i = 0; i < repaints; ++i) {
        // Each drag step moves the pick a little.
        pickerSaturation = 0.25 + 0.5 * i / repaints;
        LARGE_INTEGER start;
        LARGE_INTEGER end;
        QueryPerformanceCounter(&start);
        paintPickerField(field);
        GdiFlush();
        QueryPerformanceCounter(&end);
        times.push_back(millisecondsBetween(start, end, frequency));
    }
    std::sort(times.begin(), times.end());
    std::printf("field %dx%d, %d repaints: median %.2f ms, fastest %.2f ms a repaint\n", kFieldWidth, kFieldHeight,
                repaints, times[times.size() / 2], times.front());
    DestroyWindow(frame);
    return 0;
}
