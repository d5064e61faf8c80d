// Undo-file text rules without the code-page step: markup escaping, data parsing, exact-byte texts.
// Pure logic: no windows.h, so the fuzz target compiles it for the host.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// & " < become entities. Control characters become numeric references ("&#10;") so that a value
// reads back byte for byte; a carriage return directly followed by a line feed stays as it is,
// which keeps the strings of a multi-string on lines of their own.
std::string escapeXmlMarkup(const std::string& text);
// One left-to-right pass: &lt; &gt; &quot; &apos; &amp; and &#N; (N below 128); anything else stays.
std::string unescapeXmlMarkup(const std::string& text);

// The bytes a value's data text stands for, by type code; empty when the text is rejected
// (a number shorter than 0x and its 8 or 16 digits, a binary text ending in half a pair).
std::vector<unsigned char> ParseData(const std::string& text, uint32_t type);

// The "raw" attribute: the exact bytes as space-separated hex pairs; false for any other text.
std::string rawBytesText(const std::vector<unsigned char>& bytes);
bool parseRawBytes(const std::string& text, std::vector<unsigned char>& out);
