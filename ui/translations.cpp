#include "ui/translations.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QLocale>

namespace orbix {
namespace {

// Qt ships its Chinese as zh_CN.
QString QtTranslationName(UiLanguage language) {
    return language == UiLanguage::Chinese ? QStringLiteral("qtbase_zh_CN") : QStringLiteral("qtbase_en");
}

}  // namespace

CTranslations::CTranslations(UiLanguage language) {
    // The program's texts are written in Chinese, so only English needs a file.
    if (language == UiLanguage::English) {
        m_ownLoaded = m_own.load(QStringLiteral(":/i18n/orbixrx_en.qm"));
        if (m_ownLoaded) QCoreApplication::installTranslator(&m_own);
    }
    m_qtLoaded = m_qt.load(QtTranslationName(language),
                           QLibraryInfo::path(QLibraryInfo::TranslationsPath));
    if (m_qtLoaded) QCoreApplication::installTranslator(&m_qt);
    QLocale::setDefault(QLocale(language == UiLanguage::Chinese ? QLocale::Chinese
                                                                : QLocale::English));
}

CTranslations::~CTranslations() {
    if (m_ownLoaded) QCoreApplication::removeTranslator(&m_own);
    if (m_qtLoaded) QCoreApplication::removeTranslator(&m_qt);
}

}  // namespace orbix
