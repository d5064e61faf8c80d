// Conversions between the system code page, UTF-8 and UTF-16 for registry names and data.
#include "registry/WideText.h"

#include <windows.h>

#include <algorithm>
#include <vector>

namespace {
// Every code page the system can use as its ANSI code page carries ASCII unchanged.
bool isAscii(const wchar_t* text, size_t length) {
    return std::all_of(text, text + length, [](wchar_t c) { return c < 0x80; });
}
}  // namespace

std::wstring WideFromAnsi(const std::string& text) {
    if (text.empty()) return std::wstring();
    const int n = MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    std::wstring out(n > 0 ? n : 0, L'\0');
    if (n > 0) MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), &out[0], n);
    return out;
}

std::string AnsiFromWide(const std::wstring& text, bool* exact) {
    if (exact) *exact = true;
    if (text.empty()) return std::string();
    BOOL defaulted = FALSE;
    const int n = WideCharToMultiByte(CP_ACP, 0, text.data(), static_cast<int>(text.size()), nullptr, 0, nullptr,
                                      exact ? &defaulted : nullptr);
    std::string out(n > 0 ? n : 0, '\0');
    if (n > 0)
        WideCharToMultiByte(CP_ACP, 0, text.data(), static_cast<int>(text.size()), &out[0], n, nullptr,
                            exact ? &defaulted : nullptr);
    // A best-fit letter ("a" for an accented one) is not the stored text either.
    if (exact) *exact = n > 0 && !defaulted && WideFromAnsi(out) == text;
    return out;
}

std::string Utf8FromWide(const std::wstring& text) {
    if (text.empty()) return std::string();
    const int n = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
    std::string out(n > 0 ? n : 0, '\0');
    if (n > 0) WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), &out[0], n, nullptr, nullptr);
    return out;
}

bool WideFromUtf8(const std::string& text, std::wstring& out) {
    out.clear();
    if (text.empty()) return true;
    const int n = MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, text.data(), static_cast<int>(text.size()),
                                      nullptr, 0);
    if (n <= 0) return false;
    out.resize(n);
    MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, text.data(), static_cast<int>(text.size()), &out[0], n);
    return true;
}

std::string RegistryAnsi(const wchar_t* text, size_t length) {
    if (length == 0) return std::string();
    if (isAscii(text, length)) return std::string(text, text + length);
    // No flags and no default-character report: the same conversion the ANSI calls make.
    const int n = WideCharToMultiByte(CP_ACP, 0, text, static_cast<int>(length), nullptr, 0, nullptr, nullptr);
    std::string out(n > 0 ? n : 0, '\0');
    if (n > 0) WideCharToMultiByte(CP_ACP, 0, text, static_cast<int>(length), &out[0], n, nullptr, nullptr);
    return out;
}

bool SameText(const wchar_t* wide, size_t length, const std::string& ansi) {
    if (ansi.empty() || length == 0) return ansi.empty() && length == 0;
    if (ansi.size() == length && isAscii(wide, length))
        return std::equal(ansi.begin(), ansi.end(), wide, [](char a, wchar_t w) { return static_cast<unsigned char>(a) == w; });
    int n = MultiByteToWideChar(CP_ACP, MB_ERR_INVALID_CHARS, ansi.data(), static_cast<int>(ansi.size()), nullptr, 0);
    if (n <= 0 || static_cast<size_t>(n) != length) return false;
    std::vector<wchar_t> back(static_cast<size_t>(n));
    MultiByteToWideChar(CP_ACP, MB_ERR_INVALID_CHARS, ansi.data(), static_cast<int>(ansi.size()), back.data(), n);
    return std::equal(back.begin(), back.end(), wide);
}
