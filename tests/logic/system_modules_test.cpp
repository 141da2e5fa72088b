// The system components the host reaches by name ("PASSWORD.CPL",
// "MPR.DLL") must come from the system folder. A module of the same name
// that someone put beside the saver, or in the folder it was started from,
// must never be loaded in its place: Windows would search there first for
// a bare name.
#include "fake_platform.h"
#include "host/saver_host.h"

#include <gtest/gtest.h>

#include <string>

namespace {

// Every load named the system folder: by the search flag, or by full path.
void expectOnlySystemFolderLoads()
{
    const std::wstring folder = fake().systemFolder + L"\\";
    for (const FakeCall& call : fake().calls) {
        if (call.name == "LoadLibraryExW") {
            EXPECT_EQ(call.wParam, static_cast<WPARAM>(LOAD_LIBRARY_SEARCH_SYSTEM32));
        }
        if (call.name == "LoadLibraryW") {
            EXPECT_EQ(call.text.compare(0, folder.size(), folder), 0) << std::string(call.text.begin(), call.text.end());
        }
    }
}

TEST(SystemModules, PlantedModulesAreNeverLoaded)
{
    for (bool searchFlags : {true, false}) {
        SCOPED_TRACE(searchFlags ? "with the search flag" : "on a system without it");
        resetFake();
        fake().platformId = 1;  // the legacy platform, the only one that loads them
        fake().searchFlagsSupported = searchFlags;
        fake().plantedModules = {L"PASSWORD.CPL", L"MPR.DLL"};
        fake().passwordCplPresent = true;
        fake().mprPresent = true;
        fake().usePasswordValue = {1, 0, 0, 0};
        fake().existingWindows = {1234};

        // The password change: the system's service is the one called.
        EXPECT_EQ(dispatchCommandLine(fakeOwnModule(), L"/a 1234"), 0);
        EXPECT_EQ(fake().count("PwdChangePasswordW"), 1u);

        // The password verifier: only the system's module exports it.
        loadPasswordVerifier();
        EXPECT_NE(hostState().verifier, nullptr);
        unloadPasswordVerifier();

        EXPECT_EQ(fake().count(searchFlags ? "LoadLibraryExW" : "LoadLibraryW"), 2u);
        expectOnlySystemFolderLoads();
    }
}

// Missing components stay missing: no fallback search anywhere else.
TEST(SystemModules, MissingSystemModuleIsNotLookedForElsewhere)
{
    resetFake();
    fake().platformId = 1;
    fake().plantedModules = {L"MPR.DLL"};
    fake().existingWindows = {1234};
    EXPECT_EQ(dispatchCommandLine(fakeOwnModule(), L"/a 1234"), 0);
    EXPECT_EQ(fake().count("PwdChangePasswordW"), 0u);
    EXPECT_EQ(fake().count("LoadLibraryW"), 0u);
    expectOnlySystemFolderLoads();
}

}  // namespace
