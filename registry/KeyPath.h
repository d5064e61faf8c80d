// Opening and creating keys by a code-page path of any length the registry allows.
#pragma once
#include <windows.h>

#include <string>

// The code-page calls convert a key path into a per-thread buffer of 260 characters on some
// systems and fail with ERROR_MORE_DATA beyond it, while one key name alone may be 255 letters:
// these convert the path themselves and call the wide-character API. An empty path opens `parent`.
LONG OpenKeyPath(HKEY parent, const std::string& path, REGSAM access, HKEY* out);
LONG CreateKeyPath(HKEY parent, const std::string& path, REGSAM access, HKEY* out);
