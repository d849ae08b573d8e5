#pragma once

#include <string_view>

namespace orbix {

// The language of the interface. What is stored (the channel database) is
// Chinese whichever is chosen; only what is shown follows this.
enum class UiLanguage { Chinese, English };

// The environment the choice reads, as given (nullptr for an unset variable).
struct LanguageEnvironment {
    const char* orbixLang = nullptr;   // ORBIXRX_LANG: "zh" or "en" overrides
    const char* lcAll = nullptr;       // LC_ALL
    const char* lcMessages = nullptr;  // LC_MESSAGES
    const char* lang = nullptr;        // LANG
};

// ORBIXRX_LANG=zh|en decides if set to one of those. Otherwise the first set
// and non-empty of LC_ALL, LC_MESSAGES and LANG (the order the C library
// reads them in): a locale starting "zh" gives Chinese, any other English.
// With none set the interface stays Chinese.
UiLanguage ChooseUiLanguage(const LanguageEnvironment& env);

// The same, from this process's environment.
UiLanguage UiLanguageFromEnvironment();

// "zh" or "en", the suffix of the translation files.
std::string_view LanguageCode(UiLanguage language);

}  // namespace orbix
