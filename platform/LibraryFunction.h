// A function of a system library loaded at its first use rather than with the program: the
// libraries the programs need only now and then (the shell's, the common dialogs') then cost the
// window program nothing while it starts. The library stays loaded for the life of the process.
#pragma once
#include <windows.h>

#include <string>

#include "platform/SystemFolders.h"

// The function `name` of the system library `library` (a file name such as "shell32.dll"), or null
// when either cannot be found (the last error says why). The library is loaded from the system
// folder by its full path, never looked for by name: a file of that name planted beside the
// program or in the current folder is never taken for it.
template <typename Function>
Function LibraryFunction(const char* library, const char* name) {
    const std::string& system = SystemDirectory();
    if (system.empty()) return nullptr;
    HMODULE module = LoadLibraryA((system + "\\" + library).c_str());
    if (!module) return nullptr;
    FARPROC found = GetProcAddress(module, name);
    return found ? reinterpret_cast<Function>(reinterpret_cast<void*>(found)) : nullptr;
}
