// The support address a user may set (`supporturl`): a second link on the help page, never what
// Help opens by itself; and the shell's "open" that Help and the live update use.
#pragma once
#include <string>

constexpr const char SETTING_SUPPORT_URL[] = "supporturl";

// The setting's text when it is a string that reads back exactly and starts with "http://" or
// "https://"; empty otherwise (a missing, empty or odd value never leads anywhere).
std::string SupportPageAddress();
// Whether a text may be handed to the shell as the support page.
bool IsSupportAddress(const std::string& text);

// Opens `file` (a program or an address) with the shell, the shell's library loaded at this first
// use. The shell's answer: above 32 when it started, an error number otherwise.
long long OpenWithShell(void* owner, const char* file, const char* parameters, int show);
