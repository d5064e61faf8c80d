// The ignore list: "ignore.lst" in the data folder, one file path per line, of any length.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <functional>

#include "engine/RegistryLib.h"
#include "platform/DataFolder.h"

namespace {

// The whole file, byte for byte; false when it cannot be opened. Read in binary: a text-mode read
// would end at a Ctrl+Z byte, and every kept entry after it would be reported again.
bool readWholeFile(const std::string& name, std::string& text) {
    FILE* f = std::fopen(name.c_str(), "rb");
    if (!f) return false;
    if (std::fseek(f, 0, SEEK_END) == 0) {
        const long size = std::ftell(f);
        if (size > 0) text.reserve(static_cast<size_t>(size));
        std::rewind(f);
    }
    char chunk[64 * 1024];
    for (size_t n; (n = std::fread(chunk, 1, sizeof chunk, f)) > 0;) text.append(chunk, n);
    std::fclose(f);
    return true;
}

FileStamp stampOf(const std::string& name) {
    FileStamp stamp;
    HANDLE h = CreateFileA(name.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                           OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) return stamp;
    BY_HANDLE_FILE_INFORMATION info{};
    if (GetFileInformationByHandle(h, &info) && !(info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) {
        stamp.found = true;
        stamp.sizeHigh = info.nFileSizeHigh;
        stamp.sizeLow = info.nFileSizeLow;
        stamp.indexHigh = info.nFileIndexHigh;
        stamp.indexLow = info.nFileIndexLow;
        stamp.volume = info.dwVolumeSerialNumber;
        stamp.written = info.ftLastWriteTime;
    }
    CloseHandle(h);
    return stamp;
}
}  // namespace

bool FileStamp::operator==(const FileStamp& o) const {
    return found == o.found && sizeHigh == o.sizeHigh && sizeLow == o.sizeLow && indexHigh == o.indexHigh &&
           indexLow == o.indexLow && volume == o.volume && written.dwLowDateTime == o.written.dwLowDateTime &&
           written.dwHighDateTime == o.written.dwHighDateTime;
}

// Every use of the list's file goes through here, so that where the file lives is decided once.
std::string CRegistryLib::IgnoreFileName() { return IgnoreListPath(); }

void CRegistryLib::LoadIgnoreList() {
    // A scan reloads the list each time; a long list that neither the file nor this object has
    // changed since the last load is kept as it is (every slot still there, none appended).
    const FileStamp stamp = stampOf(IgnoreFileName());
    if (stamp.found && stamp == ignoreFileStamp && ignoreList.size() == ignoreIndexed &&
        std::all_of(ignoreList.begin(), ignoreList.end(), [](const auto& e) { return e != nullptr; }))
        return;
    ignoreList.clear();
    ignoreIndex.clear();
    ignoreIndexed = 0;
    ignoreFileStamp = FileStamp();
    std::string text;
    if (!readWholeFile(IgnoreFileName(), text)) return;
    ignoreIndex.reserve(static_cast<size_t>(std::count(text.begin(), text.end(), '\n')) + 1);
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string::npos) end = text.size();  // a last line without its line end
        // The list is written with CR LF line ends; the CR is no part of the entry.
        const size_t lineEnd = end < text.size() && end > start && text[end - 1] == '\r' ? end - 1 : end;
        // A NUL byte ends the entry, as it always has: no path holds one.
        const void* nul = std::memchr(text.data() + start, '\0', lineEnd - start);
        const size_t length = nul ? static_cast<size_t>(static_cast<const char*>(nul) - (text.data() + start)) : lineEnd - start;
        auto entry = std::make_unique<RegistryError>();
        entry->filePath.assign(text, start, length);
        ignoreIndex.emplace(std::hash<std::string>()(entry->filePath), ignoreList.size());
        ignoreList.push_back(std::move(entry));
        start = end + 1;
    }
    ignoreIndexed = ignoreList.size();
    // Taken before the read: a change made during it is seen by the next load.
    ignoreFileStamp = stamp;
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
    std::string text;  // written in one call: a call per line costs more than the lines
    for (const auto& entry : ignoreList) {
        if (!entry) continue;
        text.append(entry->filePath.c_str());  // up to a NUL, as a C string is written
        text += '\n';
    }
    FILE* f = std::fopen(fresh.c_str(), "w+t");
    if (!f) return EOF;
    bool written = std::fwrite(text.data(), 1, text.size(), f) == text.size();
    written = std::fflush(f) == 0 && written;
    written = std::fclose(f) == 0 && written;
    if (written && MoveFileExA(fresh.c_str(), name.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
        return 0;
    DeleteFileA(fresh.c_str());
    return EOF;
}

int CRegistryLib::KeepOnIgnoreList(const std::string& path) {
    CRegistryLib list;  // loads the file as it stands now
    if (list.IsIgnored(path)) return 0;
    auto entry = std::make_unique<RegistryError>();
    entry->filePath = path;
    list.ignoreList.push_back(std::move(entry));
    return list.SaveIgnoreList();
}

int CRegistryLib::WasIgnoredAtLoad(const std::string& path) const {
    const auto range = ignoreIndex.equal_range(std::hash<std::string>()(path));
    for (auto it = range.first; it != range.second; ++it)
        if (it->second < ignoreList.size() && ignoreList[it->second] && ignoreList[it->second]->filePath == path) return 1;
    return 0;
}

int CRegistryLib::IsIgnored(const std::string& path) const {
    // Exact, case-sensitive comparison, as a walk over the entries would make: the hash only picks
    // the slots to compare, and a slot emptied since the load compares with nothing.
    const auto same = [&](size_t slot) {
        return slot < ignoreList.size() && ignoreList[slot] && ignoreList[slot]->filePath == path;
    };
    const auto range = ignoreIndex.equal_range(std::hash<std::string>()(path));
    for (auto it = range.first; it != range.second; ++it)
        if (same(it->second)) return 1;
    for (size_t slot = ignoreIndexed; slot < ignoreList.size(); ++slot)  // appended since the load
        if (same(slot)) return 1;
    return 0;
}
