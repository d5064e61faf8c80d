// The programs' safe start-up: libraries come from the system folder only.
#include <gtest/gtest.h>

#include <windows.h>

#include "platform/LibraryFunction.h"
#include "platform/SafeStart.h"

TEST(SafeStart, ALibraryBesideTheProgramIsNotLoadedByNameAfterStartUp) {
    const char PLANTED[] = "zenthar-planted.dll";  // built beside the test programs
    LimitLibrarySearchToSystem();
    // Asked for where it lies it loads: only the search keeps it out.
    HMODULE direct = LoadLibraryExA(PLANTED, nullptr, 0x00000200 /* the program's own folder */);
    ASSERT_NE(direct, nullptr) << GetLastError();
    FreeLibrary(direct);
    EXPECT_EQ(LoadLibraryA(PLANTED), nullptr);
    EXPECT_EQ((LibraryFunction<FARPROC>(PLANTED, "ZentharPlanted")), nullptr);
    EXPECT_NE((LibraryFunction<FARPROC>("shell32.dll", "ShellExecuteA")), nullptr);
}
