// Real shortcut files for tests, made with the shell link object.
#pragma once
#include <string>

// Writes `link` pointing at `target`; true when the file was saved and exists.
bool MakeShortcut(const std::string& link, const std::string& target);
