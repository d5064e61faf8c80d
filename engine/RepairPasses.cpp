// The registry repair: five passes over the ErrorList. The first writes each entry to the undo file
// and then deletes it, only when its backup and its undo record are whole; the later ones meet the
// same records again and leave them as the first pass did.
#include <array>
#include <cstdio>

#include "engine/PathCleanup.h"
#include "engine/Repair.h"
#include "registry/RegKey.h"
#include "registry/RegistryView.h"
#include "engine/RegistryLib.h"
#include "registry/WideText.h"
#include "xml/XmlElement.h"

namespace {

struct FixPass {
    const char* type;  // upper-case record type the pass takes; null: every record
    const char* valueTitle;
    const char* keyTitle;
    bool first;  // only the first pass meets every record before anything of it was deleted
};

const FixPass PASS_CLSID = {nullptr, "Fixing CLSID ", "Fixing CLSID ", true};
const FixPass PASS_HELP = {nullptr, "Fixing Help Files ", "Fixing Help Files ", false};
const FixPass PASS_FONTS = {"FONT", "Fixing fonts ", "Fixing fonts ", false};
const FixPass PASS_SHARED_TOOLS = {"SHAREDTOOL", "Fixing Shared Tools ", "Fixing Shared tools ", false};
const FixPass PASS_SHARED_FILES = {"SHAREDFILE", "Fixing Shared files ", "Fixing Shared files ", false};

// Accepts every line: tells whether an entry can be written at all, apart from the undo file.
class DiscardingWriter : public XmlWriter {
public:
    int WriteLine(const std::string&) override { return 1; }
};

bool takes(const FixPass& pass, const RegistryError& rec) {
    return !pass.type || AsciiLower(rec.type) == AsciiLower(pass.type);
}

// Deletion results as the counts read them; the deletion is never attempted for these.
constexpr LONG NOT_DELETED = -1;  // left in place on purpose: counts neither way

// Whether a kept row lies in the key or below it.
bool holdsKeptRow(const CRegistryLib& lib, const std::string& keyPath) {
    const std::string key = AsciiLower(keyPath);
    for (const auto& kept : lib.keptKeyPaths)
        if (kept == key || (kept.size() > key.size() && kept.compare(0, key.size(), key) == 0 && kept[key.size()] == '\\'))
            return true;
    return false;
}

// Writes the copy to the undo file. False when it cannot be written exactly (then nothing is
// deleted); a failing file also stops every later deletion.
bool recordEntry(CRegistryLib& lib, const std::string& path, const KeySnapshot& snap) {
    if (!lib.undoFileUsable) return false;
    DiscardingWriter probe;
    if (!CRegistryLib::WriteSnapshotXml(probe, path, snap)) return false;  // a name the file cannot carry
    if (CRegistryLib::WriteSnapshotXml(lib.undoWriter, path, snap)) return true;
    lib.undoFileUsable = false;
    return false;
}

// Writes a part-deleted key back whole from its copy.
void writeBack(const std::string& path, const KeySnapshot& snap) {
    std::string subkey = path;
    const std::string root = CRegistryLib::SeperateMainKey(subkey);
    const size_t slash = subkey.rfind('\\');
    RegKey parent;
    if (CRegistryLib::OpenKey(root, slash == std::string::npos ? std::string() : subkey.substr(0, slash),
                              parent.put()) == ERROR_SUCCESS)
        WriteKeySnapshot(parent.get(), snap);
}

// An entry of the first pass that stays in place, and why, for the repair's closing report.
void leave(CRegistryLib& lib, const RegistryError& rec, const std::string& why) {
    auto& firstLeft = lib.repairOutcome.firstLeft;
    if (firstLeft.size() >= CRegistryLib::FIRST_LEFT_KEPT) return;
    std::string entry = rec.keyPath;
    if (rec.action != "KEY" && rec.value) entry += "\\" + rec.value->name;
    firstLeft.push_back(entry + " (" + why + ")");
}

std::string notRecordedWhy(const CRegistryLib& lib, const RegistryError& rec, LONG rc) {
    if (rc == ERROR_ACCESS_DENIED) return "access denied";
    if (rc != ERROR_SUCCESS) return "could not be read, error " + std::to_string(rc);
    if (lib.notBackedUp.count(&rec)) return "the backup could not hold it whole";
    if (!lib.undoFileUsable) return "the undo file could not be written";
    return "the undo file cannot hold it exactly";
}

std::string failedWhy(LONG rc) {
    return rc == ERROR_ACCESS_DENIED ? "access denied" : "could not be removed, error " + std::to_string(rc);
}

void progress(const CRegistryLib& lib, const std::string& item, const char* title) {
    if (lib.progressCallback) lib.progressCallback(item.c_str(), title, 0, 0);
}

LONG fixKey(CRegistryLib& lib, const RegistryError& rec) {
    if (!IsRemovableKeyRecord(rec)) {
        if (!rec.keyPath.empty()) {
            ++lib.repairOutcome.leftAlone;
            leave(lib, rec, "outside the key its scan examines");
        }
        return NOT_DELETED;
    }
    if (holdsKeptRow(lib, rec.keyPath)) {
        ++lib.repairOutcome.keptInside;
        leave(lib, rec, "holds an entry you kept");
        return NOT_DELETED;
    }
    // A key to be deleted goes down under its own name in its own hive.
    const std::string path = StoredKeyPath(ClassesRootHive(rec.keyPath));
    KeySnapshot snap;
    LONG rc = CRegistryLib::SnapshotEntry(path, nullptr, snap);
    if (rc == ERROR_FILE_NOT_FOUND || rc == 1) return rc;  // gone already, or never there
    if (rc != ERROR_SUCCESS || lib.notBackedUp.count(&rec) || !recordEntry(lib, path, snap)) {
        ++lib.repairOutcome.notRecorded;
        leave(lib, rec, notRecordedWhy(lib, rec, rc));
        return rc == ERROR_ACCESS_DENIED ? rc : NOT_DELETED;
    }
    std::string subkey = path;
    const std::string root = CRegistryLib::SeperateMainKey(subkey);
    rc = lib.DeleteKey(root, subkey);
    if (rc == ERROR_SUCCESS) return rc;
    // Whatever was removed of it comes back at once, so that no key stays half deleted.
    HKEY probe = nullptr;
    if (CRegistryLib::OpenKey(root, subkey, &probe) == ERROR_SUCCESS) {
        RegCloseKey(probe);
        writeBack(path, snap);
        ++lib.repairOutcome.failed;
        leave(lib, rec, failedWhy(rc));
    }
    return rc;
}

LONG fixValue(CRegistryLib& lib, const RegistryError& rec) {
    const std::string path = ClassesRootHive(rec.keyPath);
    KeySnapshot snap;
    LONG rc = CRegistryLib::SnapshotEntry(path, rec.value.get(), snap);
    if (rc == ERROR_FILE_NOT_FOUND || rc == 1) return rc;
    const bool unnamed = rec.value->name == "(Default)";
    if (rc == ERROR_SUCCESS && snap.values.empty()) return ERROR_FILE_NOT_FOUND;  // no such value
    if (rc != ERROR_SUCCESS || (!unnamed && lib.notBackedUp.count(&rec)) || !recordEntry(lib, path, snap)) {
        if (!unnamed) {
            ++lib.repairOutcome.notRecorded;
            leave(lib, rec, notRecordedWhy(lib, rec, rc));
        }
        return rc == ERROR_ACCESS_DENIED ? rc : NOT_DELETED;
    }
    // "(Default)" is how the unnamed value is listed, not a name the registry knows.
    if (unnamed) {
        ++lib.repairOutcome.leftAlone;
        leave(lib, rec, "a key's unnamed value is not removed");
        return NOT_DELETED;
    }
    std::string subkey = path;
    const std::string root = CRegistryLib::SeperateMainKey(subkey);
    rc = lib.DeleteValue(root, subkey, rec.value->name);
    if (rc != ERROR_SUCCESS && rc != ERROR_FILE_NOT_FOUND) {
        ++lib.repairOutcome.failed;
        leave(lib, rec, failedWhy(rc));
    }
    return rc;
}

// One record of one pass: record, delete, report. Returns the deletion's result.
LONG fixRecord(CRegistryLib& lib, const FixPass& pass, const RegistryError& rec) {
    std::string subkey = rec.keyPath;
    const std::string root = CRegistryLib::SeperateMainKey(subkey);
    const bool key = rec.action == "KEY";
    std::string item = root + "\n" + subkey;
    if (!key && rec.value) item += "\n" + rec.value->name;
    const char* title = key ? pass.keyTitle : pass.valueTitle;
    LONG rc = NOT_DELETED;
    // Everything done to the entry (its copy, the undo record, the removal) happens in its own view.
    const RegistryViewScope view(rec.view64);
    if (!pass.first) {
        // Removed, held back or written back by the first pass: nothing is done to it twice.
        auto known = lib.firstPassResult.find(&rec);
        if (known != lib.firstPassResult.end()) rc = known->second;
    } else if (key) {
        rc = fixKey(lib, rec);
    } else if (rec.value) {
        rc = fixValue(lib, rec);
    }
    if (pass.first) lib.firstPassResult[&rec] = rc;
    if (pass.first && rc == ERROR_ACCESS_DENIED) ++lib.repairOutcome.refusedForRights;
    progress(lib, item, title);
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
    if (pass.first) {
        lib.firstPassResult.clear();
        lib.repairOutcome = CRegistryLib::RepairOutcome();
    }
    std::array<int32_t, SCAN_CATEGORY_COUNT> fixed{};
    for (size_t row = 0; row < lib.ErrorList.size(); ++row) {
        const auto& rec = lib.ErrorList[row];
        if (!rec || !lib.repairSelection.Registry(row) || !takes(pass, *rec)) continue;
        const LONG rc = fixRecord(lib, pass, *rec);
        ScanCategory category;
        if (pass.first && rc == ERROR_SUCCESS) {
            ++lib.repairOutcome.removed;
            lib.repairOutcome.removedRecords.push_back(rec.get());
        }
        if (!pass.first || !categoryOf(*rec, category)) continue;
        if (rc == ERROR_SUCCESS) ++fixed[category];
        if (rc == ERROR_ACCESS_DENIED) --fixed[category];
    }
    if (!pass.first) return;
    for (auto& row : results)
        if (row) row->fixedCount = fixed[row->category];
}

// Closes the undo file when a pass throws, so that the next repair starts a file of its own
// instead of appending to (and then deleting) this one.
struct CloseOnUnwind {
    XmlWriter& writer;
    ~CloseOnUnwind() { writer.Close(); }
};

// The selection holds for one FixErrors only: the passes called on their own take every row.
struct SelectionForRun {
    RowTicks& held;
    SelectionForRun(RowTicks& slot, const RowTicks& selection) : held(slot) { held = selection; }
    ~SelectionForRun() { held = RowTicks{}; }
};

}  // namespace

void CRegistryLib::FixCLSID(CategoryResults& results) { runPass(*this, PASS_CLSID, results); }
void CRegistryLib::FixHelpFiles(CategoryResults& results) { runPass(*this, PASS_HELP, results); }
void CRegistryLib::FixFonts(CategoryResults& results) { runPass(*this, PASS_FONTS, results); }
void CRegistryLib::FixSharedTools(CategoryResults& results) { runPass(*this, PASS_SHARED_TOOLS, results); }
void CRegistryLib::FixSharedFiles(CategoryResults& results) { runPass(*this, PASS_SHARED_FILES, results); }

bool CRegistryLib::FixErrors(CategoryResults& results, const std::string& undoFileName, const RowTicks& selection) {
    CloseOnUnwind closer{undoWriter};
    const SelectionForRun selected(repairSelection, selection);
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
    firstPassResult.clear();
    if (!created) return false;  // another write would try to create the file once more
    if (!registry.WriteCloseTag(undoWriter)) undoFileUsable = false;
    undoWriter.Close();
    // The file is the only record of what was removed when something went wrong: it stays then.
    if (!undoFileUsable || !repairOutcome.AllRemoved()) return false;
    std::remove(undoWriter.FileName().c_str());
    return true;
}
