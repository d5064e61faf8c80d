// Where the support button leads: the setting `supporturl`, or the project's own page.
#pragma once
#include <string>

constexpr const char SETTING_SUPPORT_URL[] = "supporturl";
constexpr const char DEFAULT_SUPPORT_URL[] = "https://zenthar.org/support";

// The setting's text when it is a string that reads back exactly and starts with "http://" or
// "https://"; the default otherwise (a missing, empty or odd value never opens something else).
std::string SupportPageAddress();
// Whether a text may be handed to the shell as the support page.
bool IsSupportAddress(const std::string& text);
