#include "ui/proglist/service_name_menu.h"

#include <QApplication>
#include <QFormLayout>
#include <QLineEdit>
#include <QMenu>
#include <QtTest>

#include "platform/text.h"
#include "search/service_names.h"
#include "tests/support/temp_dir.h"
#include "ui/pid/program_pid_dlg.h"

using namespace orbix;

class ServiceNameMenuTest : public QObject {
    Q_OBJECT

    static QAction* Find(QMenu& menu, const QString& text) {
        for (QAction* a : menu.actions()) {
            if (a->text() == text) return a;
            if (a->menu() != nullptr)
                if (QAction* inner = Find(*a->menu(), text)) return inner;
        }
        return nullptr;
    }

  private slots:
    // The checks follow the file when the menu opens; a click stores at once.
    void MenuShowsAndStoresTheSetting() {
        testing::CTempDir dir;
        const std::string path = dir.File("SATSETUPL.ini");
        QMenu menu;
        AddServiceNameActions(menu, path);
        QAction* names = Find(menu, QStringLiteral("节目名称取自SDT"));
        QAction* iso = Find(menu, QStringLiteral("ISO 6937（标准）"));
        QAction* gbk = Find(menu, QStringLiteral("GBK/GB18030"));
        QVERIFY(names && iso && gbk);
        emit menu.aboutToShow();
        QVERIFY(!names->isChecked());  // off without the section
        QVERIFY(iso->isChecked());
        names->trigger();
        QVERIFY(ReadServiceNameOptions(path).enabled);
        gbk->trigger();
        QCOMPARE(ReadServiceNameOptions(path).noSelector, NoSelectorCharset::Gb18030);
        QVERIFY(ReadServiceNameOptions(path).enabled);
        WriteServiceNameOptions(path, {});
        emit menu.aboutToShow();
        QVERIFY(!names->isChecked());
        QVERIFY(iso->isChecked() && !gbk->isChecked());
        if (qEnvironmentVariableIsSet("ORBIXRX_SCREENSHOTS")) {
            menu.popup({100, 100});
            menu.grab().save(qEnvironmentVariable("ORBIXRX_SCREENSHOTS") + "/menu.png");
        }
    }

    // The provider row only appears for a program that has one.
    void ProgramInfoShowsTheProviderWhenThereIsOne() {
        for (const std::string& provider : {std::string(), Gbk("天网传媒")}) {
            CProgramPidDlg dialog;
            dialog.SetProgram(
                {Gbk("节目1"), Gbk("新闻1"), Gbk("电视节目"), "1001", "211", "212", "210", "210"});
            dialog.provider = provider;
            dialog.show();
            QVERIFY(QTest::qWaitForWindowExposed(&dialog));
            QCOMPARE(dialog.ProviderEdit()->isVisible(), !provider.empty());
            QCOMPARE(dialog.ProviderEdit()->text().toStdString(), Utf8(provider));
            if (!provider.empty() && qEnvironmentVariableIsSet("ORBIXRX_SCREENSHOTS"))
                dialog.grab().save(qEnvironmentVariable("ORBIXRX_SCREENSHOTS") + "/info.png");
        }
    }

    // Stored with one name, the provider is not shown for another.
    void ProviderBelongsToTheNameItWasStoredWith() {
        testing::CTempDir dir;
        const std::string path = dir.File("SATSETUPL.ini");
        const ProgramEntry p{Gbk("节目1"), Gbk("新闻1"), Gbk("电视节目"), "1001", "00", "00",
                             "00",         "0"};
        QVERIFY(StoreProviders(path, {p}, {{p.key, Gbk("天网")}}));
        QCOMPARE(ReadProvider(path, Gbk("新闻1")), Gbk("天网"));
        QCOMPARE(ReadProvider(path, Gbk("节目1")), std::string());
    }
};

QTEST_MAIN(ServiceNameMenuTest)
#include "service_name_menu_test.moc"
