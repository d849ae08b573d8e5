#include "platform/ui_language.h"

#include <cstdlib>

namespace orbix {
namespace {

bool IsSet(const char* value) { return value != nullptr && *value != '\0'; }

}  // namespace

UiLanguage ChooseUiLanguage(const LanguageEnvironment& env) {
    if (IsSet(env.orbixLang)) {
        const std::string_view choice(env.orbixLang);
        if (choice == "zh") return UiLanguage::Chinese;
        if (choice == "en") return UiLanguage::English;
    }
    for (const char* locale : {env.lcAll, env.lcMessages, env.lang}) {
        if (!IsSet(locale)) continue;
        return std::string_view(locale).starts_with("zh") ? UiLanguage::Chinese
                                                          : UiLanguage::English;
    }
    return UiLanguage::Chinese;
}

UiLanguage UiLanguageFromEnvironment() {
    return ChooseUiLanguage({std::getenv("ORBIXRX_LANG"), std::getenv("LC_ALL"),
                             std::getenv("LC_MESSAGES"), std::getenv("LANG")});
}

std::string_view LanguageCode(UiLanguage language) {
    return language == UiLanguage::English ? "en" : "zh";
}

}  // namespace orbix
