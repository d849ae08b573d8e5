// The interface in either language: English shows no Chinese, Chinese is
// exactly as written, and what is stored stays Chinese.
#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QRegularExpression>
#include <QTreeWidget>
#include <QtTest>

#include "app/text_templates.h"
#include "tests/support/window_rig.h"
#include "ui/qt_text.h"
#include "ui/sattree/sat_param_dialog.h"
#include "ui/translations.h"
#include "view/button_table.h"

namespace orbix {
namespace {

const QRegularExpression kChinese(QStringLiteral("[\\x{3000}-\\x{9fff}\\x{ff00}-\\x{ffef}]"));

// The main window on a simulated card, with all three windows shown.
struct Rig : testing::WindowRig {
    Rig() { MakeWindow(), dlg->ShowAll(); }
};

void AddActions(const QList<QAction*>& actions, QStringList& out) {
    for (const QAction* a : actions) {
        out << a->text() << a->toolTip();
        if (a->menu()) AddActions(a->menu()->actions(), out);
    }
}

// Every text the windows and their menus hold, with the skinned buttons'
// tips, which are looked up when shown.
QStringList ShownTexts() {
    QStringList out;
    for (const QWidget* w : QApplication::allWidgets()) {
        out << w->windowTitle() << w->toolTip();
        if (auto* l = qobject_cast<const QLabel*>(w)) out << l->text();
        if (auto* b = qobject_cast<const QAbstractButton*>(w)) out << b->text();
        if (auto* c = qobject_cast<const QComboBox*>(w))
            for (int i = 0; i < c->count(); ++i) out << c->itemText(i);
        if (auto* t = qobject_cast<const QTreeWidget*>(w))
            for (int i = 0; i < t->topLevelItemCount(); ++i) out << t->topLevelItem(i)->text(0);
        AddActions(w->actions(), out);
    }
    for (const ButtonEntry& b : g_buttonTable) out << TrUtf8(b.text);
    out.removeAll(QString());
    out.sort();
    return out;
}

class LanguageTest : public QObject {
    Q_OBJECT

  private slots:
    void englishWindowsShowNoChinese() {
        const CTranslations english(UiLanguage::English, kTextTemplates);
        Rig rig;
        CSatParamDlg params(rig.notices);
        const QStringList texts = ShownTexts();
        QVERIFY(texts.size() > 40);
        for (const QString& text : texts) QVERIFY2(!text.contains(kChinese), qPrintable(text));
        QVERIFY(texts.contains(QStringLiteral("Quit")));
    }

    void chineseWindowsAreAsWritten() {
        QStringList untranslated;
        {
            Rig rig;
            CSatParamDlg params(rig.notices);
            untranslated = ShownTexts();
        }
        const CTranslations chinese(UiLanguage::Chinese, kTextTemplates);
        Rig rig;
        CSatParamDlg params(rig.notices);
        QCOMPARE(ShownTexts(), untranslated);
        QVERIFY(untranslated.contains(QStringLiteral("退出")));
    }

    // The faces are drawn with the language's labels on the same outline:
    // what the main window shows in its button row is that language's face.
    void facesFollowTheLanguage() {
        const QRect buttons(7, 97, 190, 21);
        QImage shown[2], face[2];
        for (const UiLanguage language : {UiLanguage::Chinese, UiLanguage::English}) {
            const CTranslations translations(language, kTextTemplates);
            Rig rig;
            const int i = language == UiLanguage::English ? 1 : 0;
            face[i] = QImage(QStringLiteral(":/bitmap/129")).convertToFormat(QImage::Format_RGB32);
            shown[i] = rig.dlg->grab().toImage().convertToFormat(QImage::Format_RGB32);
            QCOMPARE(shown[i].copy(buttons), face[i].copy(buttons));
        }
        QCOMPARE(face[1].size(), face[0].size());
        QVERIFY(face[1].copy(buttons) != face[0].copy(buttons));
    }

    // Messages built from pieces and values are translated by their template.
    void messagesWithValuesAreTranslated() {
        const CTranslations english(UiLanguage::English, kTextTemplates);
        const struct {
            const char* text;
            const char* want;
        } cases[] = {
            {"正在播放节目1", "Playing 节目1"},
            {"请先锁定12622V然后再搜索", "Please lock 12622V first, then search"},
            {"请重新搜索：没有收到节目列表", "Please search again: no program table received"},
            {"文件 a.conf 第3行：无法读取。", "File a.conf line 3: cannot be read."},
            {"卫星“Sat-Ku”：新增2个转发器（新卫星）",
             "Satellite \"Sat-Ku\": 2 transponders added (new satellite)"},
            {"请重新搜索：节目无法存入数据库：频道数据库文件 ./S.ini 无法写入（Permission "
             "denied），修改没有保存!",
             "Please search again: the programs could not be stored in the database: The channel "
             "database file ./S.ini cannot be written (Permission denied); the change was not "
             "saved!"},
            {"正在接收IP数据(orbix0) 数据报12 字节3400 丢弃0",
             "Receiving IP data (orbix0)  datagrams 12  bytes 3400  dropped 0"},
            {"节目7", "节目7"},  // a name is not a text of the program
        };
        for (const auto& c : cases) QCOMPARE(TrUtf8(c.text), QString::fromUtf8(c.want));
    }

    // The parameter dialog shows its choices in English and hands back the
    // stored Chinese, so the database file is the same in either language.
    void storedChoicesStayChinese() {
        TransponderParams tp = CSatParamDlg::AddDefaults(Gbk("Sat-Ku"));
        tp.polarisation = Gbk("水平");
        tp.fec = Gbk("自动");
        tp.diseqc = Gbk("开");
        tp.frequency = 12622;
        tp.symbolRate = 27500;
        for (const UiLanguage language : {UiLanguage::English, UiLanguage::Chinese}) {
            const CTranslations translations(language, kTextTemplates);
            CRecordingNotices notices;
            CSatParamDlg dlg(notices);
            dlg.SetParams(tp);
            dlg.accept();
            const TransponderParams& back = dlg.Params();
            QCOMPARE(back.polarisation, tp.polarisation);
            QCOMPARE(back.fec, tp.fec);
            QCOMPARE(back.diseqc, tp.diseqc);
            QCOMPARE(back.tone22k, tp.tone22k);
            QCOMPARE(back.lnbFrequency, tp.lnbFrequency);
        }
    }
};

}  // namespace
}  // namespace orbix

QTEST_MAIN(orbix::LanguageTest)
#include "language_test.moc"
