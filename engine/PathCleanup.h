// Path clean-up steps shared by the scanners (pure text work, no windows.h).
// Searches skip the trail bytes of double-byte characters once SetLeadByteTest has been called.
#pragma once
#include <string>
#include <utility>
#include <vector>

void SetLeadByteTest(bool (*isLeadByte)(unsigned char));

// Position of `needle` in `text`, stepping over double-byte characters; npos when absent.
size_t MbFind(const std::string& text, const std::string& needle, size_t from = 0);
bool MbContains(const std::string& text, const std::string& needle);

std::string CleanQuotes(std::string text);        // Q: remove every double quote
std::string CleanSlash(std::string text);         // S: cut at the first "/" past position 0
std::string CleanDash(std::string text);          // D: cut at the first " -" past position 0
// Q, S and D with the cuts kept out of quoted stretches: a quoted path is read whole, so
// "C:\A -B\x.exe" -min keeps its folder and loses only the switch after the quotes.
std::string CleanQSD(const std::string& text);
std::string ExecutableCut(std::string text);      // cut after the first ".exe", then the first ".EXE"
std::string StripOuterQuotes(std::string text);   // every leading and trailing double quote
std::string TrimWhite(const std::string& text);   // blanks, tabs and line ends at both ends
std::string AsciiLower(std::string text);
// A text without its double quotes, and the stretches of it that stood between a pair of them
// ([begin, end) in the unquoted text). A quote without a partner after it opens no stretch.
struct Unquoted {
    std::string text;
    std::vector<std::pair<size_t, size_t>> stretches;
    bool leadQuoted = false;  // the text began (after blanks) with a quote that opens a stretch
    bool inStretch(size_t pos) const;
};
Unquoted Unquote(const std::string& text);
// Where the text up to `end` is cut at `needle`: its first occurrence outside the quoted
// stretches, when that lies past position 0; npos for no cut.
size_t CutOutsideQuotes(const Unquoted& u, const std::string& needle, size_t end);

// Folder and file joined with one backslash unless the folder already ends in one.
std::string JoinFolderFile(const std::string& folder, const std::string& file);
bool EndsWithBackslash(const std::string& text);
