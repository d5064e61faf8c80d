// Checking a registry editor export before it is imported: the whole text must be an export, and
// the keys it names are what proves afterwards that the import reached its end.
#pragma once
#include <string>

struct ExportCheck {
    bool ok = false;
    std::string problem;   // why the file is not a whole export
    std::wstring firstKey;  // full key names as written between brackets
    std::wstring lastKey;
};

// The bytes of an export in either of the editor's formats ("Windows Registry Editor Version 5.00"
// in UTF-16 or UTF-8, "REGEDIT4" in the code page).
ExportCheck CheckEditorExport(const std::string& bytes);

// True when the key a bracketed name stands for exists.
bool ExportKeyExists(const std::wstring& name);
