#include "platform/ui_language.h"

#include <gtest/gtest.h>

#include "platform/text_template.h"

namespace orbix {
namespace {

TEST(UiLanguage, LocaleAndOverrideChooseTheLanguage) {
    const UiLanguage zh = UiLanguage::Chinese, en = UiLanguage::English;
    struct Case {
        const char* name;
        LanguageEnvironment env;
        UiLanguage want;
    };
    const Case cases[] = {
        {"nothing set", {}, zh},
        {"Chinese LANG", {nullptr, nullptr, nullptr, "zh_CN.UTF-8"}, zh},
        {"Taiwan LANG", {nullptr, nullptr, nullptr, "zh_TW"}, zh},
        {"English LANG", {nullptr, nullptr, nullptr, "en_US.UTF-8"}, en},
        {"C locale is not Chinese", {nullptr, nullptr, nullptr, "C.UTF-8"}, en},
        {"LC_ALL before LANG", {nullptr, "en_GB.UTF-8", nullptr, "zh_CN.UTF-8"}, en},
        {"LC_MESSAGES before LANG", {nullptr, nullptr, "zh_CN.GBK", "de_DE"}, zh},
        {"empty LC_ALL is unset", {nullptr, "", nullptr, "zh_CN.UTF-8"}, zh},
        {"override en", {"en", nullptr, nullptr, "zh_CN.UTF-8"}, en},
        {"override zh", {"zh", "en_US.UTF-8", nullptr, nullptr}, zh},
        {"unknown override ignored", {"fr", nullptr, nullptr, "en_US"}, en},
        {"empty override ignored", {"", nullptr, nullptr, "zh_CN"}, zh},
    };
    for (const Case& c : cases) EXPECT_EQ(ChooseUiLanguage(c.env), c.want) << c.name;
}

TEST(TextTemplate, ValuesComeOutOfTheTextAndIntoTheTranslation) {
    struct Case {
        const char* templ;
        const char* text;
        const char* translated;
        const char* want;  // nullptr: the template does not match all of text
    };
    const Case cases[] = {
        {"Play %s", "Play news 1", "Spiele %s", "Spiele news 1"},
        {"File %s line %d: ", "File a b line 12: ", "%s:%d: ", "a b:12: "},
        {"Lock %1 first", "Lock 12622V first", "%1 zuerst", "12622V zuerst"},
        {"%1 and %2", "x and y", "%2 then %1", "y then x"},
        {"100%% of %s", "100% of it", "%s: 100%%", "it: 100%"},
        {"Lock %1 first", "Lock first", nullptr, nullptr},  // a value is never empty
        {"Saving %s", "Playing x", nullptr, nullptr},
    };
    for (const Case& c : cases) {
        std::string got;
        for (const TemplateMatch& m : MatchTemplatePrefix(c.templ, c.text))
            if (m.length == std::string_view(c.text).size()) {
                got = FillTemplate(c.translated, m.values);
                break;
            }
        EXPECT_EQ(got, c.want ? c.want : "") << c.templ << " / " << c.text;
    }
}

TEST(TextTemplate, PrefixMatchesLeaveTheRest) {
    const auto matches = MatchTemplatePrefix("File %s: ", "File a.conf: cannot be read: really");
    ASSERT_FALSE(matches.empty());
    EXPECT_EQ(matches.front().values.at(0), "a.conf");
    EXPECT_EQ(matches.front().length, std::string_view("File a.conf: ").size());
}

}  // namespace
}  // namespace orbix
