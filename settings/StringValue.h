// Reading a registry value as a string under the settings' validation rule.
#pragma once
#include <windows.h>

#include <string>

// Reads value `name` of `key` through the ANSI API. Valid: REG_SZ or REG_EXPAND_SZ whose last
// byte is NUL, or REG_MULTI_SZ of at least two bytes whose last two are NUL; `text` is then the
// data up to its first NUL. Any other type gives ERROR_INVALID_DATA; a failed read its own code.
// The buffer is sized from the registry's answer, so long values are read whole. On failure
// `text` is left untouched.
LONG ReadStringValue(HKEY key, const char* name, std::string& text);

// True when `ansi` is exactly the stored (UTF-16) text of string value `name`, that is when the
// value holds no character the code page cannot carry.
bool StoredTextMatches(HKEY key, const char* name, const std::string& ansi);

// The code page form of `wide`; false when some character has no exact equivalent.
bool ExactAnsi(const std::wstring& wide, std::string& ansi);
