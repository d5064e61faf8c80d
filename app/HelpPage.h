// The help page: built into the program, written to the data folder, opened with the shell.
#pragma once
#include <windows.h>

#include <string>

constexpr const char HELP_PAGE_FILE[] = "ZentharHelp.html";  // in the data folder, and beside the program

// The built-in page, with `supportAddress` (when not empty) as a link in its last section; empty
// when the program carries no page.
std::string HelpPageText(const std::string& supportAddress);
// Makes the file at `path` hold `text`: rewritten only when it differs (another version of the
// program, another support address), through a new file moved over the old. False when it cannot.
bool WriteHelpPage(const std::string& path, const std::string& text);
// Help and F1: writes the page to the data folder and opens it with the shell's "open". When it
// cannot be written there, the copy the setup installed beside the program is opened instead; when
// nothing can be opened, a message says where the page is (or why there is none).
void OpenHelpPage(HWND owner);
