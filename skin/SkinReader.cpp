// Skin reader: the in-memory descriptions, the profile-file fallback and the resource helpers.
#include "skin/SkinReader.h"

#include <windows.h>

#include <cctype>
#include <cstring>
#include <map>
#include <memory>
#include <mutex>

#include "framework/Handles.h"
#include "framework/Resource.h"
#include "skin/IniText.h"
#include "skin/SkinText.h"

namespace {
std::mutex descriptionsLock;
// Keyed by the upper-cased full path: file names are case-insensitive on this platform.
std::map<std::string, std::shared_ptr<const IniDocument>> descriptions;
std::string skinFilePath;

std::string pathKey(const std::string& path) {
    std::string key = path;
    for (auto& c : key) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return key;
}

std::shared_ptr<const IniDocument> findDescription(const std::string& path) {
    std::lock_guard<std::mutex> hold(descriptionsLock);
    auto it = descriptions.find(pathKey(path));
    return it == descriptions.end() ? nullptr : it->second;
}
}  // namespace

void SetSkinDescription(const std::string& path, const std::string& text) {
    auto document = std::make_shared<const IniDocument>(text);
    std::lock_guard<std::mutex> hold(descriptionsLock);
    descriptions[pathKey(path)] = document;
}

bool LoadSkinDescription(const std::string& path, void* module) {
    const void* data = nullptr;
    DWORD size = 0;
    if (!LoadDataResource("SKININI", "INI", &data, &size, static_cast<HMODULE>(module))) return false;
    SetSkinDescription(path, std::string(static_cast<const char*>(data), size));
    return true;
}

void ForgetSkinDescription(const std::string& path) {
    std::lock_guard<std::mutex> hold(descriptionsLock);
    descriptions.erase(pathKey(path));
}

bool GetSectionKeys(const std::string& path, const std::string& section, std::vector<std::string>& keys) {
    keys.clear();
    if (auto document = findDescription(path)) {
        keys = document->Keys(section, SKIN_KEY_LIST_CHARS);
        return !keys.empty();
    }
    std::vector<char> buffer(SKIN_KEY_LIST_CHARS, '\0');
    GetPrivateProfileStringA(section.c_str(), nullptr, "", buffer.data(), static_cast<DWORD>(buffer.size()),
                             path.c_str());
    for (const char* p = buffer.data(); *p && p < buffer.data() + buffer.size(); p += strlen(p) + 1) {
        keys.emplace_back(p);
    }
    return !keys.empty();
}

std::string GetSkinString(const std::string& path, const std::string& section, const std::string& key,
                          const std::string& defaultValue) {
    if (auto document = findDescription(path)) return document->Value(section, key, defaultValue, SKIN_VALUE_CHARS);
    std::vector<char> buffer(SKIN_VALUE_CHARS, '\0');
    GetPrivateProfileStringA(section.c_str(), key.c_str(), defaultValue.c_str(), buffer.data(),
                             static_cast<DWORD>(buffer.size()), path.c_str());
    return std::string(buffer.data());
}

std::vector<NumberedLine> ReadNumberedSection(const std::string& path, const std::string& section) {
    std::vector<NumberedLine> lines;
    std::vector<std::string> keys;
    GetSectionKeys(path, section, keys);
    const int count = static_cast<int>(keys.size());
    for (int i = 1; i <= count; ++i) {
        std::string value = GetSkinString(path, section, std::to_string(i), "");
        if (!value.empty()) lines.push_back(NumberedLine{i - 1, value});
    }
    return lines;
}

std::string GetSkinFolder(const std::string& path) {
    char full[MAX_PATH] = {};
    char* filePart = nullptr;
    DWORD got = GetFullPathNameA(path.c_str(), MAX_PATH, full, &filePart);
    std::string folder = (got > 0 && got < MAX_PATH) ? std::string(full) : path;
    if (filePart && got > 0 && got < MAX_PATH) folder.resize(static_cast<size_t>(filePart - full));
    if (!folder.empty() && folder.back() == '\\') folder.pop_back();
    return folder + "\\";
}

bool ExtractResourceToFile(const std::string& file, const char* name, const char* type) {
    const void* data = nullptr;
    DWORD size = 0;
    if (!LoadDataResource(name, type, &data, &size)) return false;
    OwnedHandle out(CreateFileA(file.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL,
                                nullptr));
    if (!out) return false;
    DWORD written = 0;
    const bool ok = WriteFile(out.get(), data, size, &written, nullptr) && written == size;
    FlushFileBuffers(out.get());
    return ok;
}

void SetSkinFilePath(const std::string& path) {
    std::lock_guard<std::mutex> hold(descriptionsLock);
    skinFilePath = path;
}

std::string SkinFilePath() {
    std::lock_guard<std::mutex> hold(descriptionsLock);
    return skinFilePath;
}

void ShowSkinNotFound(void* ownerWindow) {
    MessageBoxA(static_cast<HWND>(ownerWindow), "skin.ini Not Found", "Zenthar", MB_OK | MB_ICONSTOP);
}
