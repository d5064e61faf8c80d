// The registry repair: five passes over the ErrorList that write each entry to the undo file and
// then delete it, and the fixed counts of the summary rows.
#include <array>
#include <cstdio>

#include "engine/PathCleanup.h"
#include "engine/Repair.h"
#include "registry/RegKey.h"
#include "registry/RegistryLib.h"
#include "xml/XmlElement.h"

namespace {

struct FixPass {
    const char* type;  // upper-case record type the pass takes; null: every record
    const char* valueTitle;
    const char* keyTitle;
    bool counts;  // only the first pass meets every record before anything of it was deleted
};

const FixPass PASS_CLSID = {nullptr, "Fixing CLSID ", "Fixing CLSID ", true};
const FixPass PASS_HELP = {nullptr, "Fixing Help Files ", "Fixing Help Files ", false};
const FixPass PASS_FONTS = {"FONT", "Fixing fonts ", "Fixing fonts ", false};
const FixPass PASS_SHARED_TOOLS = {"SHAREDTOOL", "Fixing Shared Tools ", "Fixing Shared tools ", false};
const FixPass PASS_SHARED_FILES = {"SHAREDFILE", "Fixing Shared files ", "Fixing Shared files ", false};

// Accepts every line: tells whether an entry can be exported at all, apart from the undo file.
class DiscardingWriter : public XmlWriter {
public:
    int WriteLine(const std::string&) override { return 1; }
};

bool takes(const FixPass& pass, const RegistryError& rec) {
    return !pass.type || AsciiLower(rec.type) == AsciiLower(pass.type);
}

// Deletion results as the counts read them; the deletion is never attempted for the last two.
constexpr LONG NOT_DELETED = -1;  // left in place on purpose: counts neither way

// Writes the entry to the undo file. Returns 0 when it may be deleted, otherwise the result that
// stands for the deletion: the open error when the key cannot be read, NOT_DELETED when it was
// not (or not whole) written.
LONG exportEntry(CRegistryLib& lib, const RegistryError& rec, const ValueRecord* value) {
    // A key to be deleted goes down under its own name, whatever case the record has for it.
    const std::string path = value ? rec.keyPath : StoredKeyPath(rec.keyPath);
    if (lib.undoFileUsable && lib.SaveKeyAsXml(lib.undoWriter, path, value)) return ERROR_SUCCESS;
    std::string subkey = rec.keyPath;
    const std::string root = CRegistryLib::SeperateMainKey(subkey);
    RegKey key;
    const LONG rc = CRegistryLib::OpenKey(root, subkey, key.put());
    if (rc != ERROR_SUCCESS) return rc;  // gone already, never there, or not ours to read
    if (lib.undoFileUsable) {
        DiscardingWriter probe;
        if (lib.SaveKeyAsXml(probe, path, value)) lib.undoFileUsable = false;  // the file failed
    }
    return NOT_DELETED;
}

bool valuePresent(const std::string& root, const std::string& subkey, const std::string& name) {
    RegKey key;
    if (CRegistryLib::OpenKey(root, subkey, key.put()) != ERROR_SUCCESS) return false;
    const char* query = name == "(Default)" ? nullptr : name.c_str();
    return RegQueryValueExA(key.get(), query, nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS;
}

void progress(const CRegistryLib& lib, const std::string& item, const char* title) {
    if (lib.progressCallback) lib.progressCallback(item.c_str(), title, 0, 0);
}

// One record of one pass: export, delete, report. Returns the deletion's result.
LONG fixRecord(CRegistryLib& lib, const FixPass& pass, const RegistryError& rec) {
    std::string subkey = rec.keyPath;
    const std::string root = CRegistryLib::SeperateMainKey(subkey);
    if (rec.action == "KEY") {
        LONG rc = NOT_DELETED;
        if (IsRemovableKeyRecord(rec)) {
            rc = exportEntry(lib, rec, nullptr);
            if (rc == ERROR_SUCCESS) rc = lib.DeleteKey(root, subkey);
        }
        progress(lib, root + "\n" + subkey, pass.keyTitle);
        return rc;
    }
    if (!rec.value) return NOT_DELETED;
    const std::string item = root + "\n" + subkey + "\n" + rec.value->name;
    // A value an earlier pass removed is not written again: its first line holds its exact bytes,
    // a second one only the text form, which an import after a crash would let overwrite them.
    if (!pass.counts && !valuePresent(root, subkey, rec.value->name)) {
        progress(lib, item, pass.valueTitle);
        return ERROR_FILE_NOT_FOUND;
    }
    LONG rc = exportEntry(lib, rec, rec.value.get());
    progress(lib, item, pass.valueTitle);
    // "(Default)" is how the unnamed value is listed, not a name the registry knows.
    if (rc == ERROR_SUCCESS && rec.value->name == "(Default)") rc = NOT_DELETED;
    if (rc == ERROR_SUCCESS) rc = lib.DeleteValue(root, subkey, rec.value->name);
    return rc;
}

// The row category of a record, from the type word its scanner gives it; false for unknown types.
bool categoryOf(const RegistryError& rec, ScanCategory& out) {
    for (const auto& row : CATEGORY_TABLE)
        if (row.type[0] != '\0' && rec.type == row.type) {
            out = row.category;
            return true;
        }
    return false;
}

void runPass(CRegistryLib& lib, const FixPass& pass, CategoryResults& results) {
    std::array<int32_t, SCAN_CATEGORY_COUNT> fixed{};
    for (const auto& rec : lib.ErrorList) {
        if (!rec || !takes(pass, *rec)) continue;
        const LONG rc = fixRecord(lib, pass, *rec);
        ScanCategory category;
        if (!pass.counts || !categoryOf(*rec, category)) continue;
        if (rc == ERROR_SUCCESS) ++fixed[category];
        if (rc == ERROR_ACCESS_DENIED) --fixed[category];
    }
    if (!pass.counts) return;
    for (auto& row : results)
        if (row) row->fixedCount = fixed[row->category];
}

// Closes the undo file when a pass throws, so that the next repair starts a file of its own
// instead of appending to (and then deleting) this one.
struct CloseOnUnwind {
    XmlWriter& writer;
    ~CloseOnUnwind() { writer.Close(); }
};

}  // namespace

void CRegistryLib::FixCLSID(CategoryResults& results) { runPass(*this, PASS_CLSID, results); }
void CRegistryLib::FixHelpFiles(CategoryResults& results) { runPass(*this, PASS_HELP, results); }
void CRegistryLib::FixFonts(CategoryResults& results) { runPass(*this, PASS_FONTS, results); }
void CRegistryLib::FixSharedTools(CategoryResults& results) { runPass(*this, PASS_SHARED_TOOLS, results); }
void CRegistryLib::FixSharedFiles(CategoryResults& results) { runPass(*this, PASS_SHARED_FILES, results); }

bool CRegistryLib::FixErrors(CategoryResults& results, const std::string& undoFileName) {
    CloseOnUnwind closer{undoWriter};
    undoWriter.SetFileName(undoFileName);
    const XmlElement registry("registry");
    // The first write creates the file; without it no entry can be recorded, so none is deleted.
    undoFileUsable = registry.WriteOpenTag(undoWriter) != 0;
    const bool created = undoFileUsable;
    FixCLSID(results);
    FixHelpFiles(results);
    FixFonts(results);
    FixSharedTools(results);
    FixSharedFiles(results);
    if (!created) return false;  // another write would try to create the file once more
    registry.WriteCloseTag(undoWriter);
    undoWriter.Close();
    std::remove(undoWriter.FileName().c_str());
    return undoFileUsable;
}
