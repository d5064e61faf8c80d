// The skin description reader: sections and keys of the description by its full path.
#pragma once
#include <string>
#include <vector>

// The description is parsed from memory and kept for the life of the program, registered under
// the full path the screens read it by; a path without a registered description is read from
// the file of that name with the platform's profile functions.

// Reads resource "SKININI" of type "INI" of the program (or of `module`, an HMODULE) and
// registers it under `path`. False, and nothing registered, when the resource is missing.
bool LoadSkinDescription(const std::string& path, void* module = nullptr);
void SetSkinDescription(const std::string& path, const std::string& text);
void ForgetSkinDescription(const std::string& path);

// Every key name of `section` in file order (a 16,384-character key list); true if any.
bool GetSectionKeys(const std::string& path, const std::string& section, std::vector<std::string>& keys);
// The value of `key`, at most 2,047 characters, or `defaultValue`.
std::string GetSkinString(const std::string& path, const std::string& section, const std::string& key,
                          const std::string& defaultValue);
// Keys "1" .. "N" (N = number of keys), in order, with empty values left out; `index` is the key
// number - 1. The numbered-section rule of every element loader.
struct NumberedLine {
    int index;
    std::string value;
};
std::vector<NumberedLine> ReadNumberedSection(const std::string& path, const std::string& section);

// The folder of path (made full), with one trailing backslash.
std::string GetSkinFolder(const std::string& path);
// Writes the bytes of resource name/type of the program to file; false and no file if the
// resource cannot be found, loaded or locked.
bool ExtractResourceToFile(const std::string& file, const char* name, const char* type);

// The full skin path of the program, set when the sub-screens are created, for later screens.
void SetSkinFilePath(const std::string& path);
std::string SkinFilePath();

// "skin.ini Not Found" (caption "Zenthar", stop icon, OK) for a window whose description is missing.
void ShowSkinNotFound(void* ownerWindow);
