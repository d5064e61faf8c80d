// The programs' safe start-up: where libraries may be loaded from.
#include "platform/SafeStart.h"

#include <windows.h>

#include "platform/LibraryFunction.h"

namespace {
// Not in older headers: the flag that names the system folder as the only place to look.
constexpr DWORD SEARCH_SYSTEM32_ONLY = 0x00000800;
}  // namespace

void LimitLibrarySearchToSystem() {
    using SetDefaultDirsFn = BOOL(WINAPI*)(DWORD);
    using SetDllDirFn = BOOL(WINAPI*)(LPCSTR);
    // Both are late-bound: the first came with an update of 2011, the second with XP SP1.
    if (const auto setDefault = LibraryFunction<SetDefaultDirsFn>("kernel32.dll", "SetDefaultDllDirectories"))
        setDefault(SEARCH_SYSTEM32_ONLY);
    // An empty text takes the current folder out of the search where the call above is missing.
    if (const auto setDir = LibraryFunction<SetDllDirFn>("kernel32.dll", "SetDllDirectoryA")) setDir("");
}
