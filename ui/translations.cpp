#include "ui/translations.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <cstring>

#include "platform/text_template.h"
#include "ui/qt_text.h"

namespace orbix {
namespace {

// How many templates deep a text may nest ("请重新搜索：" around "节目无法
// 存入数据库：" around the database's message).
constexpr int kMaxDepth = 3;

bool HasChinese(std::string_view utf8) {
    // Every CJK character and full-width mark starts with a byte of 0xE3 or more.
    for (const char c : utf8)
        if (static_cast<unsigned char>(c) >= 0xE3) return true;
    return false;
}

// Qt ships its Chinese as zh_CN.
QString QtTranslationName(UiLanguage language) {
    return language == UiLanguage::Chinese ? QStringLiteral("qtbase_zh_CN")
                                           : QStringLiteral("qtbase_en");
}

}  // namespace

QString CTemplateTranslator::translate(const char* context, const char* source,
                                       const char* disambiguation, int n) const {
    const QString exact = QTranslator::translate(context, source, disambiguation, n);
    if (!exact.isEmpty() || !source || std::strcmp(context, kTextContext) != 0) return exact;
    return Lookup(source, 0).value_or(QString());
}

QString CTemplateTranslator::Exact(const std::string& utf8) const {
    const QString found = QTranslator::translate(kTextContext, utf8.c_str());
    return found.isEmpty() ? FromUtf8(utf8) : found;
}

// The text in the interface language, or nullopt where a Chinese part of it
// has no translation. Text without Chinese is its own translation.
std::optional<QString> CTemplateTranslator::Lookup(std::string_view utf8, int depth) const {
    const std::string key(utf8);
    const QString exact = Exact(key);
    if (exact != FromUtf8(key) || !HasChinese(utf8)) return exact;
    if (depth >= kMaxDepth) return std::nullopt;
    for (const std::string_view templ : m_templates) {
        const QString translated = Exact(std::string(templ));
        if (translated == FromUtf8(templ)) continue;
        for (const TemplateMatch& m : MatchTemplatePrefix(templ, utf8)) {
            std::optional<QString> rest =
                m.length == utf8.size() ? QString() : Lookup(utf8.substr(m.length), depth + 1);
            if (!rest) continue;
            std::vector<std::string> values;
            for (const std::string& v : m.values)
                values.push_back(Lookup(v, depth + 1).value_or(FromUtf8(v)).toStdString());
            return FromUtf8(FillTemplate(translated.toStdString(), values)) + *rest;
        }
    }
    return std::nullopt;
}

CTranslations::CTranslations(UiLanguage language, std::span<const std::string_view> templates)
    : m_own(templates) {
    // The program's texts are written in Chinese, so only English needs a file.
    if (language == UiLanguage::English) {
        m_ownLoaded = m_own.load(QStringLiteral(":/i18n/orbixrx_en.qm"));
        if (m_ownLoaded) QCoreApplication::installTranslator(&m_own);
    }
    m_qtLoaded =
        m_qt.load(QtTranslationName(language), QLibraryInfo::path(QLibraryInfo::TranslationsPath));
    if (m_qtLoaded) QCoreApplication::installTranslator(&m_qt);
    QLocale::setDefault(
        QLocale(language == UiLanguage::Chinese ? QLocale::Chinese : QLocale::English));
}

CTranslations::~CTranslations() {
    if (m_ownLoaded) QCoreApplication::removeTranslator(&m_own);
    if (m_qtLoaded) QCoreApplication::removeTranslator(&m_qt);
    QLocale::setDefault(m_previousLocale);
}

}  // namespace orbix
