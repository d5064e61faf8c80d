// File types: the commands of a type's verbs ("open", "print", ...) whose program is missing.
#include "engine/PathCleanup.h"
#include "engine/SystemPaths.h"
#include "engine/VerbCommand.h"
#include "engine/scanners/ScanSupport.h"

namespace {
constexpr const char* CLASSES_ROOT = "HKEY_CLASSES_ROOT";

// Where a verb's program is looked for: the reading the record shows first, then the others.
struct VerbFile {
    std::vector<std::string> paths;  // each tried as given
    std::string text;                // the other readings of this text are tried last
    BareNamePlace place = BareNamePlace::SEARCH_ONLY;
};

// A bare library lies in the system folder; a bare program is found through the search path,
// as the system finds it when it runs the command.
VerbFile verbFileOf(const std::string& command) {
    VerbFile file;
    std::string expanded = command;
    ExpandEnvironmentTokens(expanded);
    const VerbProgram program = ReadVerbCommand(expanded);
    if (program.candidates.empty()) return file;
    file.text = program.library ? program.candidates.front() : expanded;
    file.place = program.library ? BareNamePlace::SYSTEM_DIRECTORY : BareNamePlace::WINDOWS_DIRECTORY;
    for (std::string path : program.candidates) {
        path = StripOuterQuotes(TrimWhite(path));
        if (path.empty()) continue;
        if (!MbContains(path, "\\") && !MbContains(path, ":")) path = SystemDirectory() + "\\" + path;
        // The system adds ".dll" to a library and ".exe" to a program named without an extension.
        const bool bareName = path.find('.', path.find_last_of('\\') + 1) == std::string::npos;
        if (bareName) file.paths.push_back(path + (program.library ? ".dll" : ".exe"));
        if (!program.library || !bareName) file.paths.push_back(path);
    }
    return file;
}

// The file test of one verb: every reading is missing (and the first is not ignored).
std::function<bool()> missingVerbFile(CRegistryLib& lib, VerbFile file) {
    return [&lib, file = std::move(file), view64 = FilesInView64()] {
        const EntryViewScope view(view64);
        for (size_t i = 1; i < file.paths.size(); ++i)
            if (lib.CheckFile(file.paths[i], 0) == 0) return false;
        return lib.CheckFile(file.paths.front(), 0) == -1 &&
               StaysMissing(lib.drives, file.text, file.place, file.paths.front());
    };
}
}  // namespace

void CRegistryLib::ScanFileTypes(CategoryResults& results) {
    const CategoryInfo& info = CategoryInfoOf(FILETYPES);
    if (StopRequested()) return;
    ScanCounters counts;
    RegKey root;
    if (OpenSubkey(HKEY_CLASSES_ROOT, std::string(), root) == ERROR_SUCCESS) {
        std::vector<wchar_t> classBuf, verbBuf;
        if (!PrepareSubkeyBuffer(root.get(), classBuf)) return;
        RegName type, verb;
        for (DWORD index = 0;; ++index) {
            if (StopRequested()) break;
            if (EnumSubkeyName(root.get(), index, classBuf, type) != ERROR_SUCCESS) break;
            // Class identifiers hold no file types (and are the COM scan's).
            if (type.text.empty() || AsciiLower(type.text) == "clsid") continue;
            const std::string shellPath = std::string(CLASSES_ROOT) + "\\" + type.text + "\\shell";
            RegKey shell;
            if (OpenKeyPath(shellPath, shell) != ERROR_SUCCESS || !PrepareSubkeyBuffer(shell.get(), verbBuf)) continue;
            for (DWORD v = 0; !StopRequested() && EnumSubkeyName(shell.get(), v, verbBuf, verb) == ERROR_SUCCESS; ++v) {
                RegKey command;
                if (verb.text.empty() || OpenSubkey(shell.get(), verb.text + "\\command", command) != ERROR_SUCCESS)
                    continue;
                const ValueRecord rec = ReadDefaultValue(command.get());
                VerbFile file;
                if (rec.data != "(value not set)" && NamesFile(rec)) file = verbFileOf(rec.data);
                if (file.paths.empty()) {
                    CountOnly(fileTests_, counts);
                    continue;
                }
                const std::string shown = file.paths.front();
                const std::string verbPath = shellPath + "\\" + verb.text;
                fileTests_.submit(missingVerbFile(*this, std::move(file)),
                                  [&, type, verb, rec, shown, verbPath](bool missing) {
                    ++counts.scanned;
                    if (missing && type.exact && ReadsExactly(verb, rec, true)) {
                        addError(info.type, verbPath, rec, info.action, shown);
                        ++counts.errors;
                    }
                    report(shown, info.progressText, counts.scanned, counts.errors);
                });
            }
        }
    }
    fileTests_.finish();
    AppendRow(results, FILETYPES, counts);
}
