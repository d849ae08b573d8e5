// orbixrx: the windowed program. Only wiring: the application, the
// interface language, then the program itself (app/gui/receiver_program.cpp),
// which tests run the same way.
#include <QApplication>

#include "app/gui/receiver_program.h"
#include "app/text_templates.h"
#include "platform/ui_language.h"
#include "ui/translations.h"

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    const orbix::CTranslations translations(orbix::UiLanguageFromEnvironment(),
                                            orbix::kTextTemplates);
    return orbix::RunReceiverProgram();
}
