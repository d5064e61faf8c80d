// Backups as registry editor files: the entries a repair removes written as the text the system's
// registry editor imports ("Windows Registry Editor Version 5.00", UTF-16 with its byte order mark),
// and that text read back into the same records a binary backup yields.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "backup/BackupFormat.h"

// The second line of every such backup: it tells our restore that the file holds only removed
// entries (read by us) rather than a full export (handed to the registry editor).
constexpr const wchar_t* REG_BACKUP_MARK = L"; Zenthar backup of the entries one repair removed";
// The last line: a file cut off at a line end is still known as cut off.
constexpr const wchar_t* REG_BACKUP_END = L"; end of backup";

// True when names and paths can be written as editor lines exactly (no line breaks or zero
// characters in them); values always can (hex when no string form is exact).
bool RegEditorCanCarry(const std::wstring& path, const KeySnapshot& snap);

// The byte order mark, the header and the mark line.
std::wstring RegEditorHeader();
// One record: a comment line with what the editor cannot express (the registry view, links),
// then "[root\path]" and its values, then each subkey the same way, deepest last.
std::wstring RegEditorRecord(const std::string& rootName, const BackupKeyRecord& record);
std::wstring RegEditorEnd();
// The text as the bytes of the file (UTF-16 little-endian).
std::string RegEditorBytes(const std::wstring& text);

// True when the bytes begin like one of our backups (the header and then the mark line).
bool IsRegEditorBackup(const std::string& bytes);
// Reads a whole backup of ours. False, with `problem` saying what and where, for anything our
// writer does not produce or a file cut off before its end line.
bool ParseRegEditorBackup(const std::string& bytes, std::vector<BackupKeyRecord>& out, std::string& problem);
