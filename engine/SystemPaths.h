// Operating-system parts of the path clean-up: environment expansion and system folders.
#pragma once
#include <string>

#include "platform/SystemFolders.h"  // SystemDirectory, WindowsDirectory

// Step E: when the text holds a "%", expands every %NAME% token (unknown names stay as they
// are) and returns true; otherwise leaves the text alone and returns false.
bool ExpandEnvironmentTokens(std::string& text);
// Step P: prefixes the system directory and a backslash when the text holds no backslash.
std::string PrefixSystemDirectory(const std::string& text);
// Steps Q, S, D (never cutting inside quotes: CleanQSD), E and P in order.
std::string CleanPathQSDEP(const std::string& text);
// Installs the system code page's lead-byte test for the clean-up searches.
void InitCodePageRules();
