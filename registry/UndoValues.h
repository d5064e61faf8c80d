// The undo file's text form of a value read through the wide-character API, and the bytes the
// import makes of such a text.
#pragma once
#include <windows.h>

#include <string>
#include <vector>

#include "registry/KeySnapshot.h"

// The "value" text in UTF-8: strings as their text, multi-strings one per line, numbers and
// binary data rendered as ever; types without a text form of their own as hex pairs.
std::string UndoValueText(DWORD type, const std::vector<unsigned char>& bytes);

// The bytes the import writes for a "value" text (UTF-8) read as `type`; false for a text that
// does not fit the type (a number shorter than its digits, half a hex pair, invalid UTF-8).
bool UndoValueBytes(const std::string& text, DWORD type, std::vector<unsigned char>& out);

// Bytes read through the code-page API ("raw" attribute of older files) as the wide-character API
// stores them: strings are converted as the code-page call would have converted them.
std::vector<unsigned char> WideStoredBytes(DWORD type, const std::vector<unsigned char>& ansiBytes);
