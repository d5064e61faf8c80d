// The undo file's text form of a value read through the wide-character API, and back.
#include "registry/UndoValues.h"

#include <cstring>

#include "registry/DataFormat.h"
#include "registry/WideText.h"
#include "registry/XmlData.h"

namespace {

std::wstring wideChars(const std::vector<unsigned char>& bytes) {
    std::wstring w(bytes.size() / 2, L'\0');
    if (!w.empty()) std::memcpy(&w[0], bytes.data(), w.size() * 2);
    return w;
}

std::vector<unsigned char> bytesOf(const std::wstring& w) {
    std::vector<unsigned char> out(w.size() * 2);
    if (!w.empty()) std::memcpy(out.data(), w.data(), out.size());
    return out;
}

}  // namespace

std::string UndoValueText(DWORD type, const std::vector<unsigned char>& bytes) {
    switch (type) {
    case REG_SZ: case REG_EXPAND_SZ: case REG_LINK: {
        std::wstring w = wideChars(bytes);
        const size_t zero = w.find(L'\0');
        if (zero != std::wstring::npos) w.resize(zero);
        return Utf8FromWide(w);
    }
    case REG_MULTI_SZ: {
        std::wstring w = wideChars(bytes);
        if (w.size() <= 2) return std::string();
        w.resize(w.size() - 2);
        std::string out;
        size_t start = 0;
        for (size_t zero; (zero = w.find(L'\0', start)) != std::wstring::npos; start = zero + 1)
            out += Utf8FromWide(w.substr(start, zero - start)) + "\r\n";
        return out + Utf8FromWide(w.substr(start));
    }
    case REG_BINARY: case REG_DWORD: case REG_DWORD_BIG_ENDIAN: case REG_RESOURCE_LIST:
    case REG_RESOURCE_REQUIREMENTS_LIST: case REG_QWORD:
        return FormatData(type, bytes.data(), bytes.size());
    default:
        return FormatData(REG_BINARY, bytes.data(), bytes.size());
    }
}

bool UndoValueBytes(const std::string& text, DWORD type, std::vector<unsigned char>& out) {
    std::wstring w;
    switch (type) {
    case REG_BINARY: case REG_DWORD: case REG_RESOURCE_LIST: case REG_RESOURCE_REQUIREMENTS_LIST: case REG_QWORD:
        out = ParseData(text, type);
        return !out.empty();
    case REG_MULTI_SZ: {
        if (text.empty()) {
            out.assign(2, 0);
            return true;
        }
        std::string lines;
        lines.reserve(text.size());
        for (char c : text)
            if (c != '\r') lines += c == '\n' ? '\0' : c;
        if (!WideFromUtf8(lines, w)) return false;
        w.append(2, L'\0');
        out = bytesOf(w);
        return true;
    }
    default:  // strings, and what older files wrote as strings
        if (!WideFromUtf8(text, w)) return false;
        w.push_back(L'\0');
        out = bytesOf(w);
        return true;
    }
}

std::vector<unsigned char> WideStoredBytes(DWORD type, const std::vector<unsigned char>& ansiBytes) {
    if (type != REG_SZ && type != REG_EXPAND_SZ && type != REG_MULTI_SZ) return ansiBytes;
    const std::string text(ansiBytes.begin(), ansiBytes.end());
    return bytesOf(WideFromAnsi(text));
}
