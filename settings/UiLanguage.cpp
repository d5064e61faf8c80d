// The user's interface language mapped to the languages the program has texts in.
#include "settings/UiLanguage.h"

namespace {
// The parts of a LANGID, as the platform packs them: primary language in the low 10 bits.
constexpr unsigned short PRIMARY_MASK = 0x3ff;
constexpr unsigned short PRIMARY_GERMAN = 0x07;
constexpr unsigned short GERMAN_GERMANY = 0x0407;
constexpr unsigned short ENGLISH_US = 0x0409;
}  // namespace

UiLanguage UiLanguageFor(unsigned short languageId) {
    return (languageId & PRIMARY_MASK) == PRIMARY_GERMAN ? UiLanguage::German : UiLanguage::English;
}

unsigned short ResourceLanguageOf(UiLanguage language) {
    return language == UiLanguage::German ? GERMAN_GERMANY : ENGLISH_US;
}
