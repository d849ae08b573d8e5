#pragma once

#include <QTranslator>

#include "platform/ui_language.h"

namespace orbix {

// The interface's own translation (compiled in) and Qt's translation of its
// own dialogs and buttons (from the system's Qt), installed on the running
// application for as long as this object lives. Create it after the
// application object.
class CTranslations {
public:
    explicit CTranslations(UiLanguage language);
    ~CTranslations();
    CTranslations(const CTranslations&) = delete;
    CTranslations& operator=(const CTranslations&) = delete;

    // False where Qt's own translation was not found (Qt then speaks English).
    bool QtOwnLoaded() const { return m_qtLoaded; }

private:
    QTranslator m_own;
    QTranslator m_qt;
    bool m_ownLoaded = false;
    bool m_qtLoaded = false;
};

}  // namespace orbix
