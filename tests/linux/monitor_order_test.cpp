// The monitors as the Linux layer enumerates them from what an X server
// lists (RandR 1.5 or Xinerama).
#include "platform/linux/window/monitor_order.h"

#include <gtest/gtest.h>

#include <string>

namespace {

std::string describe(const std::vector<MonitorArea>& monitors)
{
    std::string text;
    for (const MonitorArea& m : monitors)
        text += std::to_string(m.rect.left) + "," + std::to_string(m.rect.top) + (m.primary ? "* " : " ");
    return text;
}

}  // namespace

// Guards what the scene relies on: exactly one primary, listed first as on
// Windows (RandR marks none until a user picks one); mirrored outputs, which
// list one rectangle twice, give one monitor (one vortex, not two drawn
// over each other); an empty rectangle gives none; the rest top to bottom,
// left to right, also left of and above the origin.
TEST(MonitorOrder, OnePrimaryFirstMirrorsOnceEmptiesDropped)
{
    const RECT a{0, 0, 1024, 768}, b{1024, 0, 2048, 768}, c{-1280, -200, 0, 824}, d{-1280, 768, 0, 1792};
    const RECT empty{5, 5, 5, 900};
    const struct { std::vector<MonitorArea> found; const char* expected; } cases[] = {
        {{{b, false}, {a, false}}, "1024,0* 0,0 "},
        {{{b, false}, {a, true}, {c, false}}, "0,0* -1280,-200 1024,0 "},
        {{{a, false}, {b, false}, {a, true}, {empty, true}}, "0,0* 1024,0 "},
        {{{c, true}, {a, true}, {c, false}}, "-1280,-200* 0,0 "},
        {{{d, false}, {b, false}, {a, true}}, "0,0* 1024,0 -1280,768 "},
        {{{empty, false}}, ""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(describe(orderMonitors(c.found)), c.expected);
}
