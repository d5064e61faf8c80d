// WOW64 detection and the per-thread file-system view, loaded at run time: 32-bit Windows before
// XP SP2 has none of these calls.
#include "platform/Wow64.h"

#include <windows.h>

#include "platform/LibraryFunction.h"

namespace {
using IsWow64Fn = BOOL(WINAPI*)(HANDLE, PBOOL);
using DisableFn = BOOL(WINAPI*)(PVOID*);
using RevertFn = BOOL(WINAPI*)(PVOID);

struct Calls {
    bool wow64 = false;
    DisableFn disable = nullptr;
    RevertFn revert = nullptr;
};

const Calls& calls() {
    static const Calls found = [] {
        Calls c;
        const auto isWow64 = LibraryFunction<IsWow64Fn>("kernel32.dll", "IsWow64Process");
        BOOL wow = FALSE;
        if (!isWow64 || !isWow64(GetCurrentProcess(), &wow) || !wow) return c;
        c.wow64 = true;
        c.disable = LibraryFunction<DisableFn>("kernel32.dll", "Wow64DisableWow64FsRedirection");
        c.revert = LibraryFunction<RevertFn>("kernel32.dll", "Wow64RevertWow64FsRedirection");
        return c;
    }();
    return found;
}
}  // namespace

bool RunningOn64BitWindows() { return calls().wow64; }

FileSystemView64::FileSystemView64(bool view64) {
    if (!view64) return;
    const Calls& c = calls();
    if (c.disable && c.revert) active_ = c.disable(&old_) != FALSE;
}

FileSystemView64::~FileSystemView64() {
    if (active_) calls().revert(old_);
}
