#pragma once

#include <QLocale>
#include <QTranslator>
#include <optional>
#include <span>
#include <string_view>

#include "platform/ui_language.h"

namespace orbix {

// The program's own translation, which also knows the texts that carry
// values: a text that is not in the translation as it stands is matched
// against the templates ("正在播放%s"), and the values taken out of it go
// into the translated template (see platform/text_template.h).
class CTemplateTranslator : public QTranslator {
  public:
    explicit CTemplateTranslator(std::span<const std::string_view> templates)
        : m_templates(templates) {}
    QString translate(const char* context, const char* source, const char* disambiguation,
                      int n) const override;

  private:
    std::optional<QString> Lookup(std::string_view utf8, int depth) const;
    QString Exact(const std::string& utf8) const;

    std::span<const std::string_view> m_templates;
};

// The interface's own translation (compiled in) and Qt's translation of its
// own dialogs and buttons (from the system's Qt), installed on the running
// application for as long as this object lives. Create it after the
// application object. The templates must outlive it.
class CTranslations {
  public:
    CTranslations(UiLanguage language, std::span<const std::string_view> templates);
    ~CTranslations();
    CTranslations(const CTranslations&) = delete;
    CTranslations& operator=(const CTranslations&) = delete;

    // False where Qt's own translation was not found (Qt then speaks English).
    bool QtOwnLoaded() const { return m_qtLoaded; }

  private:
    CTemplateTranslator m_own;
    QTranslator m_qt;
    QLocale m_previousLocale;
    bool m_ownLoaded = false;
    bool m_qtLoaded = false;
};

}  // namespace orbix
