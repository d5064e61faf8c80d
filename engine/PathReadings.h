// Other ways an entry's text can be read as a file name, tried before a missing file is reported
// (pure text work, no windows.h).
#pragma once
#include <string>
#include <vector>

// "scheme://...": an address, not a file. One-letter schemes are drive letters and do not count.
bool IsUrl(const std::string& text);

// No folder, no drive: found through the system's search path rather than at one place.
bool IsBareFileName(const std::string& text);

// The readings of a command or path as installers write it, trimmed, each once, in this order:
// the text inside a leading pair of quotes; the unquoted text cut after the first ".exe" in any
// letter case; the whole unquoted text; the unquoted text cut at the slash, at the dash, at both;
// the first word of a bare command. A quoted stretch is one piece of a name: the cuts, the word
// end and the switch test never fall inside it. A reading that still carries a switch (" /x" or
// " -x" outside quotes) names no file and is left out.
std::vector<std::string> OtherReadings(const std::string& text);
