// The ignore list: "ignore.lst" in the current directory, one file path per line, of any length.
#include <windows.h>

#include <cstdio>
#include <cstring>

#include "registry/RegistryLib.h"

namespace {
constexpr const char* IGNORE_FILE = "ignore.lst";

// The whole file as a text-mode read gives it (CR LF as LF, a Ctrl+Z ends it); false when it
// cannot be opened.
bool readTextFile(const std::string& name, std::string& text) {
    FILE* f = std::fopen(name.c_str(), "rt");
    if (!f) return false;
    char chunk[64 * 1024];
    for (size_t n; (n = std::fread(chunk, 1, sizeof chunk, f)) > 0;) text.append(chunk, n);
    std::fclose(f);
    return true;
}
}  // namespace

// Every use of the list's file goes through here, so that where the file lives is decided once.
std::string CRegistryLib::IgnoreFileName() { return IGNORE_FILE; }

void CRegistryLib::LoadIgnoreList() {
    ignoreList.clear();
    ignoreIndex.clear();
    ignoreIndexed = 0;
    std::string text;
    if (!readTextFile(IgnoreFileName(), text)) return;
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string::npos) end = text.size();  // a last line without its line end
        // A NUL byte ends the entry, as it always has: no path holds one.
        const size_t nul = text.find('\0', start);
        auto entry = std::make_unique<RegistryError>();
        entry->filePath.assign(text, start, (nul < end ? nul : end) - start);
        ignoreIndex.emplace(entry->filePath, ignoreList.size());  // keeps the first slot of a path
        ignoreList.push_back(std::move(entry));
        start = end + 1;
    }
    ignoreIndexed = ignoreList.size();
}

int CRegistryLib::SaveIgnoreList() {
    // The entries go to a new file that then takes the old one's place, so that a failed write
    // (a full disk) leaves the list as it was rather than cut short.
    const std::string name = IgnoreFileName();
    const std::string fresh = name + ".new";
    // A read-only list stays as it is: Windows refuses to replace it, and Wine would not, so ask
    // first. A folder of the list's name cannot be replaced either.
    const DWORD attrs = GetFileAttributesA(name.c_str());
    if (attrs != INVALID_FILE_ATTRIBUTES && (attrs & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_DIRECTORY))) return EOF;
    FILE* f = std::fopen(fresh.c_str(), "w+t");
    if (!f) return EOF;
    bool written = true;
    for (const auto& entry : ignoreList) {
        if (!entry) continue;
        written = written && std::fputs(entry->filePath.c_str(), f) >= 0 && std::fputc('\n', f) != EOF;
    }
    written = std::fflush(f) == 0 && written;
    written = std::fclose(f) == 0 && written;
    if (written && MoveFileExA(fresh.c_str(), name.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
        return 0;
    DeleteFileA(fresh.c_str());
    return EOF;
}

int CRegistryLib::IsIgnored(const std::string& path) const {
    // Exact, case-sensitive comparison, as a walk over the entries would make. The index covers the
    // slots as loaded; a slot emptied or changed since then is checked by that walk instead.
    const auto found = ignoreIndex.find(path);
    if (found != ignoreIndex.end()) {
        const size_t slot = found->second;
        if (slot < ignoreList.size() && ignoreList[slot] && ignoreList[slot]->filePath == path) return 1;
        for (const auto& e : ignoreList)
            if (e && e->filePath == path) return 1;
        return 0;
    }
    for (size_t i = ignoreIndexed; i < ignoreList.size(); ++i)  // appended since the load
        if (ignoreList[i] && ignoreList[i]->filePath == path) return 1;
    return 0;
}
