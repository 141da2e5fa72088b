// XScreenSaver's arguments as screen-saver switches.
#include "host/xscreensaver_args.h"

#include <gtest/gtest.h>

namespace {

// Guards the translation table: XScreenSaver's forms become /s or /p N
// (N decimal), bad numbers fail as a preview without a window does, and
// anything else is left to the host's own grammar.
TEST(XScreenSaverArguments, BecomeScreenSaverSwitches)
{
    const struct {
        std::vector<std::string> arguments;
        const char* windowVariable;
        const char* switches;
    } cases[] = {
        {{"-root"}, nullptr, "/s"},
        {{"-root"}, "", "/s"},
        {{"-root"}, "0x1e00007", "/p 31457287"},
        {{"-root"}, "4242", "/p 4242"},
        {{"-window-id", "1234"}, nullptr, "/p 1234"},
        {{"-window-id", "0x4A2"}, "77", "/p 1186"},
        {{"-window-id", "0XFFFFFFFF"}, nullptr, "/p 4294967295"},
        {{"-window-id", "0x100000000"}, nullptr, "/p"},
        {{"-window-id", "4294967296"}, nullptr, "/p"},
        {{"-window-id", "12ab"}, nullptr, "/p"},
        {{"-window-id", "0x"}, nullptr, "/p"},
        {{"-window-id", ""}, nullptr, "/p"},
        {{"-window-id"}, nullptr, "/p"},
        {{}, "0x2a", "/p 42"},
        {{}, nullptr, ""},
        {{}, "", ""},
        {{"/s"}, "0x2a", ""},
        {{"/p", "1234"}, nullptr, ""},
        {{"-S"}, nullptr, ""},
        {{"root"}, nullptr, ""},
    };
    for (const auto& c : cases) {
        std::string shown;
        for (const std::string& argument : c.arguments)
            shown += argument + " ";
        EXPECT_EQ(xscreensaverSwitches(c.arguments, c.windowVariable), c.switches)
            << shown << "/ XSCREENSAVER_WINDOW=" << (c.windowVariable != nullptr ? c.windowVariable : "(unset)");
    }
}

}  // namespace
