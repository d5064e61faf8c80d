// Embedded data: the bytes of a resource of the program's own module.
#pragma once
#include <windows.h>

#include <string>

// Finds, loads and locks resource `name` of `type`; false (outputs untouched) if any step fails.
// The bytes stay valid for the life of the module.
bool LoadDataResource(const char* name, const char* type, const void** data, DWORD* size,
                      HMODULE module = nullptr);
