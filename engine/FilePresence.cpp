// WOW64-aware presence tests and the other readings of an entry's text.
#include "engine/FilePresence.h"

#include <windows.h>

#include "engine/DriveRules.h"
#include "engine/PathCleanup.h"
#include "engine/PathReadings.h"
#include "engine/SystemPaths.h"
#include "platform/Wow64.h"

namespace {
// Runs `test` in the 64-bit file-system view; false on 32-bit Windows (there is no other view).
template <class Test>
bool withoutRedirection(Test test) {
    if (!RunningOn64BitWindows()) return false;
    FileSystemView64 view(true);
    return view.active() && test();
}

bool fileAt(const std::string& path) {
    DWORD attrs = GetFileAttributesA(path.c_str());
    return attrs != INVALID_FILE_ATTRIBUTES && !(attrs & FILE_ATTRIBUTE_DIRECTORY);
}

bool folderAt(const std::string& path) {
    DWORD attrs = GetFileAttributesA(path.c_str());
    return attrs != INVALID_FILE_ATTRIBUTES && (attrs & FILE_ATTRIBUTE_DIRECTORY);
}

// A file (not a folder) in either view, or a place that cannot be judged.
bool namedPresent(const std::string& path, DriveTypeCache& drives) {
    if (!drives.onFixedDisk(path)) return true;
    return fileAt(path) || withoutRedirection([&] { return fileAt(path); });
}

bool searchFinds(const std::string& name) {
    auto search = [&] {
        char found[MAX_PATH];
        DWORD n = SearchPathA(nullptr, name.c_str(), ".exe", MAX_PATH, found, nullptr);
        return n > 0 && n < MAX_PATH && fileAt(found);
    };
    return search() || withoutRedirection(search);
}

std::string placed(BareNamePlace place, const std::string& name) {
    switch (place) {
    case BareNamePlace::SYSTEM_DIRECTORY: return SystemDirectory() + "\\" + name;
    case BareNamePlace::WINDOWS_DIRECTORY: return WindowsDirectory() + "\\" + name;
    case BareNamePlace::FONTS_FOLDER: return WindowsDirectory() + "\\fonts\\" + name;
    case BareNamePlace::SEARCH_ONLY: break;
    }
    return std::string();
}
}  // namespace

bool RunningUnderWow64() { return RunningOn64BitWindows(); }

bool ExistsWithoutRedirection(const std::string& path) {
    return withoutRedirection([&] { return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; });
}

bool SomeReadingPresent(const std::string& text, BareNamePlace place, DriveTypeCache& drives,
                        const std::string& partPath, const std::string& file) {
    for (std::string reading : OtherReadings(text)) {
        ExpandEnvironmentTokens(reading);
        if (IsUrl(reading)) continue;
        const bool bare = IsBareFileName(reading);
        if (!file.empty()) {
            std::string path = JoinFolderFile(bare ? SystemDirectory() + "\\" + reading : reading, file);
            if (path != partPath && namedPresent(path, drives)) return true;
            continue;
        }
        if (bare) {
            std::string at = placed(place, reading);
            if (!at.empty() && at != partPath && namedPresent(at, drives)) return true;
            const bool command = place == BareNamePlace::SEARCH_ONLY || place == BareNamePlace::WINDOWS_DIRECTORY;
            if (command && searchFinds(reading)) return true;
            continue;
        }
        // A drive root or a drive alone names no file.
        if (reading != partPath && reading.size() > 3 && namedPresent(reading, drives)) return true;
    }
    return false;
}

std::string ExistingFolderReading(const std::string& text, DriveTypeCache& drives) {
    for (std::string reading : OtherReadings(text)) {
        ExpandEnvironmentTokens(reading);
        if (IsUrl(reading)) continue;
        const std::string folder = IsBareFileName(reading) ? SystemDirectory() + "\\" + reading : reading;
        if (!drives.onFixedDisk(folder)) continue;
        if (folderAt(folder) || withoutRedirection([&] { return folderAt(folder); })) return folder;
    }
    return std::string();
}
