// Conversions between the system code page, UTF-8 and UTF-16 for registry names and data.
#pragma once
#include <string>

// The code-page text as UTF-16 (an invalid byte sequence converts as the system converts it).
std::wstring WideFromAnsi(const std::string& text);
// The UTF-16 text in the code page; `exact` is false when a character has no form there.
std::string AnsiFromWide(const std::wstring& text, bool* exact = nullptr);
// `length` UTF-16 units in the code page exactly as the ANSI registry calls give them: best-fit
// letters and "?" where the code page has no form, embedded zeros kept.
std::string RegistryAnsi(const wchar_t* text, size_t length);
// True when the code-page text `ansi` converts back to exactly `wide` (`length` characters).
bool SameText(const wchar_t* wide, size_t length, const std::string& ansi);
std::string Utf8FromWide(const std::wstring& text);
// False when the bytes are not valid UTF-8.
bool WideFromUtf8(const std::string& text, std::wstring& out);
