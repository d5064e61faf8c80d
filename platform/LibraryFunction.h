// A function of a system library loaded at its first use rather than with the program: the
// libraries the programs need only now and then (the shell's, the common dialogs') then cost the
// window program nothing while it starts. The library stays loaded for the life of the process.
#pragma once
#include <windows.h>

// The function `name` of `library`, or null when either cannot be found (the last error says why).
template <typename Function>
Function LibraryFunction(const char* library, const char* name) {
    HMODULE module = LoadLibraryA(library);
    if (!module) return nullptr;
    FARPROC found = GetProcAddress(module, name);
    return found ? reinterpret_cast<Function>(reinterpret_cast<void*>(found)) : nullptr;
}
