// The programs' safe start-up: libraries come from the system folder only.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>

#include "platform/LibraryFunction.h"
#include "platform/SafeStart.h"

namespace {
const char PLANTED[] = "zenthar-planted.dll";  // built beside the test programs
constexpr DWORD SEARCH_APPLICATION_DIR = 0x00000200;
}  // namespace

TEST(SafeStart, ALibraryBesideTheProgramIsNotLoadedByNameAfterStartUp) {
    LimitLibrarySearchToSystem();
    // Where it lies it loads: only the search keeps it out.
    HMODULE direct = LoadLibraryExA(PLANTED, nullptr, SEARCH_APPLICATION_DIR);
    ASSERT_NE(direct, nullptr) << GetLastError();
    FreeLibrary(direct);
    EXPECT_EQ(LoadLibraryA(PLANTED), nullptr);
    EXPECT_EQ(GetModuleHandleA(PLANTED), nullptr);
    EXPECT_EQ((LibraryFunction<FARPROC>(PLANTED, "ZentharPlanted")), nullptr);
    EXPECT_NE((LibraryFunction<FARPROC>("shell32.dll", "ShellExecuteA")), nullptr);
}
