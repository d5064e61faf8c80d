// Path clean-up steps shared by the scanners (pure text work, no windows.h).
// Searches skip the trail bytes of double-byte characters once SetLeadByteTest has been called.
#pragma once
#include <string>

void SetLeadByteTest(bool (*isLeadByte)(unsigned char));

// Position of `needle` in `text`, stepping over double-byte characters; npos when absent.
size_t MbFind(const std::string& text, const std::string& needle, size_t from = 0);
bool MbContains(const std::string& text, const std::string& needle);

std::string CleanQuotes(std::string text);        // Q: remove every double quote
std::string CleanSlash(std::string text);         // S: cut at the first "/" past position 0
std::string CleanDash(std::string text);          // D: cut at the first " -" past position 0
std::string ExecutableCut(std::string text);      // cut after the first ".exe", then the first ".EXE"
std::string StripOuterQuotes(std::string text);   // every leading and trailing double quote
std::string TrimWhite(const std::string& text);   // blanks, tabs and line ends at both ends
std::string AsciiLower(std::string text);
// Folder and file joined with one backslash unless the folder already ends in one.
std::string JoinFolderFile(const std::string& folder, const std::string& file);
bool EndsWithBackslash(const std::string& text);
