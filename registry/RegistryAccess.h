// RegistryAccess: registry keys and values addressed by textual paths, and their export to and
// import from the XML undo files. The engine's CRegistryLib builds on it.
#pragma once
#include <windows.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "registry/DataFormat.h"
#include "registry/KeySnapshot.h"
#include "registry/ValueRecord.h"
#include "xml/XmlWriter.h"  // undo files

class XmlReader;

using ValueRecordArray = std::vector<std::unique_ptr<ValueRecord>>;

class RegistryAccess {
public:
    RegistryAccess();
    virtual ~RegistryAccess() = default;
    RegistryAccess(const RegistryAccess&) = delete;
    RegistryAccess& operator=(const RegistryAccess&) = delete;

    bool isWin9x = false;  // keys are deleted with their subtree by the platform itself

    // --- access layer ---
    static std::string SeperateMainKey(std::string& path);
    static HKEY RootKeyFromName(const std::string& root);  // null for an unknown root
    static LONG OpenKey(const std::string& root, const std::string& subkey, HKEY* out);
    LONG DeleteValue(const std::string& root, const std::string& subkey, const std::string& name);
    LONG DeleteKey(const std::string& root, const std::string& subkey);
    static LONG DeleteKeyTree(HKEY parent, const std::string& subkey);
    static void ListValues(HKEY key, ValueRecordArray& out);
    // The record ListValues gives for the unnamed value ("(value not set)" when there is none),
    // in one registry call. A value literally named "(Default)" is not the unnamed value and is
    // never taken for it.
    static ValueRecord ReadDefaultValue(HKEY key);
    // A value read through the wide API, as the record its ANSI reading gives, with `exactName`
    // and `exactData` set; `name` is null for the unnamed value.
    static ValueRecord ValueFromWide(const wchar_t* name, DWORD nameLength, DWORD type, const wchar_t* data,
                                     DWORD bytes);

    // --- undo files: XML export and import of keys (XmlExport.cpp, XmlImport.cpp) ---
    XmlWriter undoWriter;  // idle until the repair writes the undo file through it
    // Import messages ("couldn't create key ...", "couldn't set value ...", parse errors): the window
    // restores the arrow cursor and shows a message box, the console prints them; null drops them.
    std::function<void(const std::string&)> xmlMessage;
    // The entry as an exact copy: the key with its subtree, or (with `value`) only that value of it
    // plus the subtree. 0 when it was read whole, else the first error met (1 for an unknown root).
    static LONG SnapshotEntry(const std::string& path, const ValueRecord* value, KeySnapshot& out);
    // The copy as one key chain from the root down to `path`; 1 when every line was written and
    // every name can be read back exactly, else 0.
    static int WriteSnapshotXml(XmlWriter& writer, const std::string& path, const KeySnapshot& snap);
    // Both of the above: 1 when the whole entry went into the file.
    int SaveKeyAsXml(XmlWriter& writer, const std::string& path, const ValueRecord* value);
    // Reads and checks the whole file, and only then writes it: 1 when every key and value was
    // written, 0 when the file failed the check (nothing written) or something could not be written.
    // Messages go to xmlMessage.
    int LoadXmlFile(XmlReader& reader, const std::string& path);
    bool xmlRefusedForRights = false;  // the last LoadXmlFile met ERROR_ACCESS_DENIED writing a key or value
    static std::string XmlEscape(const std::string& text);
    static std::string XmlUnescape(const std::string& text);
};
