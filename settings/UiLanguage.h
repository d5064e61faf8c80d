// The languages the program's dialogs and schedule texts come in, chosen by the user's interface
// language. Pure, so it can be built and checked anywhere.
#pragma once

enum class UiLanguage { English, German };

// German for every German interface language (any sublanguage), English for all others.
UiLanguage UiLanguageFor(unsigned short languageId);
// The resource language the program's texts in `language` are stored under (a LANGID).
unsigned short ResourceLanguageOf(UiLanguage language);

// The user's interface language as the system reports it, mapped as above.
UiLanguage CurrentUiLanguage();
// True when the system's own texts (the Task Scheduler's descriptions among them) reach this user
// in `language`: the user's interface language is English or German and maps to it.
bool SystemSpeaks(UiLanguage language);
