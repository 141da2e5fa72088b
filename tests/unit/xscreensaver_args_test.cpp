// XScreenSaver's arguments as screen-saver switches.
#include "host/xscreensaver_args.h"

#include <gtest/gtest.h>

namespace {

// Guards the forms XScreenSaver 6 really sends ("--root", and
// "--root --window-id 0x400E22" from its settings preview; both set
// XSCREENSAVER_WINDOW), which once ended with "unknown option" while a
// table of the one-dash forms passed. Bad numbers fail as a preview
// without a window does; other arguments beside XScreenSaver's are
// refused; anything else is left to the host's own grammar.
TEST(XScreenSaverArguments, BecomeScreenSaverSwitches)
{
    const struct {
        std::vector<std::string> arguments;
        const char* windowVariable;
        const char* switches;
        const char* refused;
    } cases[] = {
        {{"--root"}, "0x400008", "/p 4194312", ""},
        {{"--root", "--window-id", "0x400E22"}, "0x400E22", "/p 4197922", ""},
        {{"--window-id", "77", "-root"}, "0x2a", "/p 77", ""},
        {{"-root"}, nullptr, "/s", ""},
        {{"--root"}, "", "/s", ""},
        {{"-root"}, "4242", "/p 4242", ""},
        {{"-window-id", "0XFFFFFFFF"}, nullptr, "/p 4294967295", ""},
        {{"-window-id", "0x100000000"}, nullptr, "/p", ""},
        {{"--window-id", "4294967296"}, nullptr, "/p", ""},
        {{"-window-id", "12ab"}, nullptr, "/p", ""},
        {{"-window-id", "0x"}, nullptr, "/p", ""},
        {{"--root", "--window-id"}, "42", "/p", ""},
        {{}, "0x2a", "/p 42", ""},
        {{}, nullptr, "", ""},
        {{"--root", "--fps"}, "0x2a", "", "--fps"},
        {{"/s", "-root"}, nullptr, "", "/s"},
        {{"/p", "1234"}, "0x2a", "", ""},
        {{"root"}, nullptr, "", ""},
        {{"---root"}, nullptr, "", ""},
    };
    for (const auto& c : cases) {
        std::string shown;
        for (const std::string& argument : c.arguments)
            shown += argument + " ";
        std::string refused;
        EXPECT_EQ(xscreensaverSwitches(c.arguments, c.windowVariable, &refused), c.switches)
            << shown << "/ XSCREENSAVER_WINDOW=" << (c.windowVariable != nullptr ? c.windowVariable : "(unset)");
        EXPECT_EQ(refused, c.refused) << shown;
    }
}

}  // namespace
