// Conversions between the system code page, UTF-8 and UTF-16 for registry names and data.
#pragma once
#include <string>

// The code-page text as UTF-16 (an invalid byte sequence converts as the system converts it).
std::wstring WideFromAnsi(const std::string& text);
// The UTF-16 text in the code page; `exact` is false when a character has no form there.
std::string AnsiFromWide(const std::wstring& text, bool* exact = nullptr);
std::string Utf8FromWide(const std::wstring& text);
// False when the bytes are not valid UTF-8.
bool WideFromUtf8(const std::string& text, std::wstring& out);
