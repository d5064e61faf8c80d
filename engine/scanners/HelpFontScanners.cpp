// Help files and fonts: registered files that are missing.
#include "engine/PathCleanup.h"
#include "engine/SystemPaths.h"
#include "engine/scanners/ScanSupport.h"

namespace {
constexpr const char* HELP_KEY_PATH = "HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows";
constexpr const char* FONTS_KEY_PATH_NT = "HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Fonts";
constexpr const char* FONTS_KEY_PATH_9X = "HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Fonts";
}  // namespace

void CRegistryLib::ScanHelpFiles(CategoryResults& results) {
    const CategoryInfo& info = CategoryInfoOf(HELP);
    ScanCounters counts;
    auto wanted = [](const std::string& name) {
        std::string lower = AsciiLower(name);
        return lower == "help" || lower == "html help";
    };
    WalkSubkeyValues(HELP_KEY_PATH, HELP, results, counts, fileTests_, wanted,
                     [&](const RegName& subkey, const ValueRecord& rec) {
        if (rec.data == "(value not set)" || !NamesFile(rec)) return CountOnly(fileTests_, counts);
        // The data is the folder that holds the file: when it names one that exists, the file is
        // judged (and recorded) inside that folder, however the text would otherwise be cut.
        std::string folder;
        {
            const FileSystemView64 files(FilesInView64());
            folder = ExistingFolderReading(rec.data, drives);
        }
        std::string path;
        if (!folder.empty()) {
            path = JoinFolderFile(folder, rec.name);
        } else {
            folder = CleanQSD(rec.data);
            if (ExpandEnvironmentTokens(folder) || MbContains(folder, "\\")) path = JoinFolderFile(folder, rec.name);
            else path = JoinFolderFile(SystemDirectory() + "\\" + folder, rec.name);
        }
        fileTests_.submit(MissingFileTest(*this, path, rec.data, BareNamePlace::SYSTEM_DIRECTORY, rec.name),
                          [&, subkey, rec, path](bool missing) {
            ++counts.scanned;
            if (missing && ReadsExactly(subkey, rec, true)) {
                addError(info.type, std::string(HELP_KEY_PATH) + "\\" + subkey.text, rec, info.action, path);
                ++counts.errors;
            }
            report(path, info.progressText, counts.scanned, counts.errors);
        });
    });
}

void CRegistryLib::ScanFonts(CategoryResults& results) {
    const CategoryInfo& info = CategoryInfoOf(FONTS);
    ScanCounters counts;
    const std::string keyPath = isWin9x ? FONTS_KEY_PATH_9X : FONTS_KEY_PATH_NT;
    WalkKeyValues(keyPath, FONTS, results, counts, fileTests_, [&](const ValueRecord& rec) {
        if (rec.data == "(value not set)" || !NamesFile(rec)) return CountOnly(fileTests_, counts);
        std::string path = CleanQSD(rec.data);
        if (!ExpandEnvironmentTokens(path) && !MbContains(path, "\\"))
            path = WindowsDirectory() + "\\fonts\\" + path;
        fileTests_.submit(MissingFileTest(*this, path, rec.data, BareNamePlace::FONTS_FOLDER),
                          [&, rec, path](bool missing) {
            ++counts.scanned;
            if (missing && ReadsExactly(rec, true)) {
                addError(info.type, keyPath, rec, info.action, path);
                ++counts.errors;
            }
            report(path, info.progressText, counts.scanned, counts.errors);
        });
    });
}
