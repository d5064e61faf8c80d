// The user's interface language as the system reports it.
#include <windows.h>

#include "settings/UiLanguage.h"

UiLanguage CurrentUiLanguage() { return UiLanguageFor(GetUserDefaultUILanguage()); }

bool SystemSpeaks(UiLanguage language) {
    const LANGID user = GetUserDefaultUILanguage();
    const WORD primary = PRIMARYLANGID(user);
    return (primary == LANG_ENGLISH || primary == LANG_GERMAN) && UiLanguageFor(user) == language;
}
