#include "ui/proglist/service_name_menu.h"

#include <QAction>
#include <QActionGroup>
#include <QMenu>

#include "search/service_names.h"
#include "ui/qt_text.h"

namespace orbix {

void AddServiceNameActions(QMenu& menu, const std::string& databasePath) {
    menu.addSeparator();
    QAction* names = menu.addAction(TrUtf8("节目名称取自SDT"));
    names->setCheckable(true);
    QMenu* charset = menu.addMenu(TrUtf8("无编码标识的文字"));
    auto* group = new QActionGroup(charset);
    QAction* iso = charset->addAction(TrUtf8("ISO 6937（标准）"));
    QAction* gbk = charset->addAction(QStringLiteral("GBK/GB18030"));
    for (QAction* a : {iso, gbk}) {
        a->setCheckable(true);
        group->addAction(a);
    }
    const auto store = [databasePath, names, gbk] {
        ServiceNameOptions options;
        options.enabled = names->isChecked();
        options.noSelector =
            gbk->isChecked() ? NoSelectorCharset::Gb18030 : NoSelectorCharset::Iso6937;
        WriteServiceNameOptions(databasePath, options);
    };
    QObject::connect(names, &QAction::triggered, &menu, store);
    QObject::connect(group, &QActionGroup::triggered, &menu, store);
    QObject::connect(&menu, &QMenu::aboutToShow, &menu, [databasePath, names, iso, gbk] {
        const ServiceNameOptions options = ReadServiceNameOptions(databasePath);
        names->setChecked(options.enabled);
        (options.noSelector == NoSelectorCharset::Gb18030 ? gbk : iso)->setChecked(true);
    });
}

}  // namespace orbix
