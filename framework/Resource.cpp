// LoadDataResource: the one way embedded data is read.
#include "framework/Resource.h"

bool LoadDataResource(const char* name, const char* type, const void** data, DWORD* size, HMODULE module) {
    if (!module) module = GetModuleHandleA(nullptr);
    HRSRC found = FindResourceA(module, name, type);
    if (!found) return false;
    HGLOBAL loaded = LoadResource(module, found);
    if (!loaded) return false;
    const void* bytes = LockResource(loaded);
    if (!bytes) return false;
    *data = bytes;
    *size = SizeofResource(module, found);
    return true;
}
