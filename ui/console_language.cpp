#include "ui/console_language.h"

#include <QCoreApplication>

#include "platform/ui_language.h"
#include "ui/translations.h"

namespace orbix {

struct CConsoleLanguage::Parts {
    Parts(int& argc, char** argv, std::span<const std::string_view> templates)
        : app(argc, argv), translations(UiLanguageFromEnvironment(), templates) {}
    QCoreApplication app;
    CTranslations translations;
};

CConsoleLanguage::CConsoleLanguage(int& argc, char** argv,
                                   std::span<const std::string_view> templates)
    : m_parts(std::make_unique<Parts>(argc, argv, templates)) {}

CConsoleLanguage::~CConsoleLanguage() = default;

}  // namespace orbix
