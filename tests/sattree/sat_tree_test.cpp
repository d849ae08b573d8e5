#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTreeWidget>
#include <QtTest>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "db/name_check.h"
#include "platform/text.h"
#include "tests/support/button_centre.h"
#include "tests/support/temp_dir.h"
#include "ui/button_table.h"
#include "ui/resources.h"
#include "ui/sattree/sat_param_dialog.h"
#include "ui/sattree/sat_tree_dlg.h"

using namespace orbix;
using testing::ButtonCentre;

namespace {

// Three transponders under sino, one under Asia. Written as UTF-8, stored as GBK.
const std::string kThree =
    "[Main]\r\nNUM=2\r\nSAT1=sino\r\nSAT2=Asia\r\n"
    "[sino]\r\nNUMTP=3\r\nTP1=CETV|12622.0|27500|垂直|11300|自动|开|Ku|开|\r\n"
    "TP2=B|11800.0|27500|水平|5150|自动|关|C|关|\r\n"
    "TP3=C|12000.0|28800|垂直|5150|3/4|关|Ku|关|\r\n"
    "[Asia]\r\nNUMTP=1\r\nTP1=T1|3840.0|27500|水平|5150|自动|关|C|关|\r\n";

class FakeProgramTree final : public IProgramTree {
  public:
    void AddProgramItem(const std::string&, bool) override {}
    void ExpandFirstItem() override {}
    void Redraw() override {}
};

class RecordingStatus final : public IStatusText {
  public:
    void SetStatusText(const std::string& textGbk) override {
        std::lock_guard lock(m_mutex);
        m_texts.push_back(Utf8(textGbk));
    }
    std::vector<std::string> Texts() const {
        std::lock_guard lock(m_mutex);
        return m_texts;
    }
    std::string Last() const {
        std::lock_guard lock(m_mutex);
        return m_texts.empty() ? std::string() : m_texts.back();
    }

  private:
    mutable std::mutex m_mutex;
    std::vector<std::string> m_texts;
};

struct DialogCall {
    TransponderParams initial;
    bool addMode;
};

// The window with fakes around it, over a database in a temporary directory.
struct Rig {
    testing::CTempDir dir;
    CRecordingNotices notices;
    CPidFilter filter;
    CRealClock clock;
    FakeProgramTree programTree;
    RecordingStatus status;
    bool locked = false;
    std::vector<std::string> calls;  // stopPlayer, requestTune, setCurrent, clear, closed
    std::vector<TuneTarget> tunes;
    std::vector<std::string> fileAtTune;
    TuneTarget current;
    std::vector<DialogCall> dialogs;
    // The dialog's answer: OK with the record it was given, unless changed.
    std::function<std::optional<TransponderParams>(TransponderParams)> answer =
        [](TransponderParams tp) { return std::optional(tp); };
    std::unique_ptr<CSatTreeDlg> win;

    std::string Path() const { return dir.File("SATSETUPL.ini"); }
    std::string File() const { return Utf8(testing::ReadBytes(Path())); }
    void Write(const std::string& utf8) { testing::WriteBytes(Path(), Gbk(utf8)); }

    void Open(int receiveTimeoutMs = 200) {
        win.reset();
        SatTreeServices s{
            .notices = notices,
            .pidFilter = filter,
            .clock = clock,
            .programTree = programTree,
            .statusText = status,
            .locked = [this] { return locked; },
            .stopPlayer = [this] { calls.push_back("stopPlayer"); },
            .requestTune =
                [this](const TuneTarget& t) {
                    calls.push_back("requestTune");
                    tunes.push_back(t);
                    fileAtTune.push_back(File());
                },
            .currentTarget = [this] { return current; },
            .setCurrent =
                [this](const TuneTarget& t) {
                    calls.push_back("setCurrent");
                    current = t;
                },
            .clearProgramTree =
                [this] {
                    calls.push_back("clear");
                    return true;
                },
            .rebuildProgramTree = [this] { calls.push_back("rebuild"); },
            .closed = [this] { calls.push_back("closed"); },
            .paramDialog =
                [this](const TransponderParams& initial, bool addMode) {
                    dialogs.push_back({initial, addMode});
                    return answer(initial);
                },
            .databasePath = Path(),
            .streamPort = 0,
            .receiveTimeoutMs = receiveTimeoutMs,
        };
        win = std::make_unique<CSatTreeDlg>(std::move(s));
        win->show();
        QVERIFY(QTest::qWaitForWindowExposed(win.get()));
        win->Tree()->expandAll();
    }

    void Press(QPoint p) { QTest::mousePress(win.get(), Qt::LeftButton, {}, p); }
    void Release(QPoint p) { QTest::mouseRelease(win.get(), Qt::LeftButton, {}, p); }
    void Click(int button) {
        Press(ButtonCentre(button));
        Release(ButtonCentre(button));
    }

    QTreeWidgetItem* Item(const std::string& satellite, const std::string& transponder = {}) {
        const auto found =
            win->Tree()->findItems(QString::fromStdString(satellite), Qt::MatchExactly);
        if (found.isEmpty()) return nullptr;
        QTreeWidgetItem* sat = found.front();
        if (transponder.empty()) return sat;
        for (int i = 0; i < sat->childCount(); ++i) {
            if (sat->child(i)->text(0).toStdString() == transponder) return sat->child(i);
        }
        return nullptr;
    }
    // A click on the item's row, as the user selects it.
    void Select(const std::string& satellite, const std::string& transponder = {}) {
        QTreeWidgetItem* item = Item(satellite, transponder);
        QVERIFY(item != nullptr);
        const QRect r = win->Tree()->visualItemRect(item);
        QTest::mouseClick(win->Tree()->viewport(), Qt::LeftButton, {}, r.center());
        QCOMPARE(win->Tree()->currentItem(), item);
    }
    // The tree as text: "sino{CETV,B}Asia{T1}".
    std::string TreeText() const {
        std::string out;
        for (int i = 0; i < win->Tree()->topLevelItemCount(); ++i) {
            const QTreeWidgetItem* sat = win->Tree()->topLevelItem(i);
            out += sat->text(0).toStdString() + "{";
            for (int j = 0; j < sat->childCount(); ++j) {
                out += (j ? "," : "") + sat->child(j)->text(0).toStdString();
            }
            out += "}";
        }
        return out;
    }
    std::vector<std::string> Messages() const { return notices.TextsUtf8(); }
};

std::string Replaced(std::string s, const std::string& from, const std::string& to) {
    const auto at = s.find(from);
    if (at != std::string::npos) s.replace(at, from.size(), to);
    return s;
}

// Texts compared as QString, so a failure shows them.
#define COMPARE_TEXT(actual, expected) \
    QCOMPARE(QString::fromStdString(actual), QString::fromStdString(expected))

TransponderParams Edited(TransponderParams tp, float frequency, int symbolRate) {
    tp.frequency = frequency;
    tp.symbolRate = symbolRate;
    return tp;
}

}  // namespace

class SatTreeTest : public QObject {
    Q_OBJECT

    std::unique_ptr<Rig> rig;

  private slots:
    void initTestCase() { InitResources(); }
    void init() { rig = std::make_unique<Rig>(); }
    void cleanup() {
        rig.reset();
        SetButtonsReady(SkinWindowKind::SatelliteTree);
    }

    void noFileGivesTheDefaultContent() {
        rig->Open();
        QCOMPARE(rig->File(), std::string("[Main]\r\nNUM=1\r\nSAT1=sino\r\n[sino]\r\nNUMTP=1\r\n"
                                          "TP1=CETV|12622|32.533|垂直|11300|自动|开|Ku|开|\r\n"));
        QCOMPARE(rig->TreeText(), std::string("sino{CETV}"));
        QVERIFY(rig->Messages().empty());
    }

    void treeShowsWhatTheFileHolds() {
        rig->Write(
            "[Main]\r\nNUM=3\r\nSAT1=A\r\nSAT2=Empty\r\nSAT3=B\r\n[A]\r\nNUMTP=1\r\nTP1=X|1|1|\r\n"
            "[Empty]\r\nNUMTP=0\r\n[B]\r\nNUMTP=2\r\nTP1=X|2|2|\r\nTP2=卫视|3|3|\r\n");
        const std::string before = rig->File();
        rig->Open();
        QCOMPARE(rig->TreeText(), std::string("A{X}B{X,卫视}"));
        QCOMPARE(rig->File(), before);
    }

    // Where a press and a release land decides what runs; overlaps go to the
    // lower index, and a release on another button runs nothing.
    void buttonRowHitsAndOverlaps() {
        struct Case {
            int pressX, releaseX;
            const char* ran;  // "add" (the dialog ran), a message, or "" for nothing
        };
        const Case cases[] = {
            {27, 27, "add"},
            {52, 52, "add"},  // 13 and 14 overlap at x = 51 and 52
            {53, 53, "请选择你要删除的卫星，或者转发器!"},
            {27, 76, ""},  // pressed on 13, released on 14
            {101, 101, "请选择你要删除的卫星，或者转发器!"},
            {125, 125, "请选择卫星列表中的一个转发器!"},
            {150, 150, "请选择卫星列表中的一个转发器!"},
            {175, 175, "请选中转发器！"},
            {199, 199, "请选中转发器！"},
            {224, 224, "请选中你想锁定的转发器!"},
        };
        rig->answer = [](TransponderParams) { return std::nullopt; };
        rig->Open();
        const std::string defaults = rig->File();
        for (const Case& c : cases) {
            rig->notices.Clear();
            rig->dialogs.clear();
            rig->Press({c.pressX, 297});
            rig->Release({c.releaseX, 297});
            const std::string ran = rig->dialogs.empty()
                                        ? (rig->Messages().empty() ? "" : rig->Messages().front())
                                        : "add";
            QVERIFY2(ran == c.ran, (std::to_string(c.pressX) + " got " + ran).c_str());
        }
        // Refused commands and a cancelled dialog leave the file as it was.
        COMPARE_TEXT(rig->File(), defaults);
    }
    void addWithTheDialogDefaults() {
        rig->Open();
        rig->Select("sino", "CETV");
        rig->Click(13);
        QCOMPARE(rig->dialogs.size(), 1u);
        QVERIFY(rig->dialogs[0].addMode);
        QCOMPARE(rig->dialogs[0].initial.satellite, std::string("sino"));
        QCOMPARE(rig->dialogs[0].initial.name, std::string("Transponder"));
        QCOMPARE(rig->File(), std::string("[Main]\r\nNUM=1\r\nSAT1=sino\r\n[sino]\r\nNUMTP=2\r\n"
                                          "TP1=CETV|12622|32.533|垂直|11300|自动|开|Ku|开|\r\n"
                                          "TP2=Transponder|0.0|0f|垂直|5150|自动|关|Ku|关|\r\n"));
        QCOMPARE(rig->TreeText(), std::string("sino{CETV,Transponder}"));

        // The same again is refused and writes nothing.
        const std::string before = rig->File();
        rig->Click(13);
        QCOMPARE(rig->Messages(), std::vector<std::string>{"输入的参数以存在，请重新输入"});
        QCOMPARE(rig->File(), before);
    }

    void addOverAStoredNameAsksFirst() {
        rig->Write(kThree);
        rig->current = {"sino", "B", {}};
        rig->Open();
        rig->Select("sino", "B");
        rig->answer = [](TransponderParams tp) {
            tp.name = "B";
            return std::optional(Edited(tp, 11900, 30000));
        };
        rig->Click(13);  // answered No
        QCOMPARE(rig->File(), kThree);
        const std::vector<Notice> shown = rig->notices.Shown();
        QCOMPARE(shown.size(), 1u);
        QCOMPARE(shown[0].caption, std::string("WARNING"));
        QVERIFY(shown[0].buttons == NoticeButtons::YesNo);
        QCOMPARE(Utf8(shown[0].text), std::string("该转发器已经存在，确定要修改该参数吗？"));

        rig->notices.ScriptAnswer(NoticeAnswer::Yes);
        rig->Click(13);
        // The add dialog's own defaults, with the answer's numbers.
        COMPARE_TEXT(rig->File(), Replaced(kThree, "TP2=B|11800.0|27500|水平|5150|自动|关|C|关|",
                                           "TP2=B|11900.0|30000f|垂直|5150|自动|关|Ku|关|"));
        // The current transponder was overwritten: its record follows.
        QCOMPARE(rig->calls.back(), std::string("setCurrent"));
        QCOMPARE(rig->current.tp.symbolRate, 30000);
    }

    void addOfANewSatelliteAppendsIt() {
        rig->Write(kThree);
        rig->Open();
        rig->answer = [](TransponderParams tp) {
            tp.satellite = Gbk("亚太");
            tp.name = "N1";
            return std::optional(Edited(tp, 11800, 27500));
        };
        rig->win->Tree()->setCurrentItem(nullptr);
        rig->Click(13);  // nothing selected: no satellite offered
        QCOMPARE(rig->dialogs[0].initial.satellite, std::string());
        const std::string expected =
            Replaced(Replaced(kThree, "SAT2=Asia\r\n", "SAT2=Asia\r\nSAT3=亚太\r\n"), "NUM=2",
                     "NUM=3") +
            "[亚太]\r\nNUMTP=1\r\nTP1=N1|11800.0|27500f|垂直|5150|自动|关|Ku|关|\r\n";
        COMPARE_TEXT(rig->File(), expected);
        QCOMPARE(rig->TreeText(), std::string("sino{CETV,B,C}Asia{T1}亚太{N1}"));
    }

    // Names the file cannot hold are refused with their message before any
    // write; so are missing names and a missing LNB.
    void addRefusesBadNames() {
        struct Case {
            const char* satellite;
            const char* transponder;
            const char* lnb;
        };
        const std::string longLnb(100, '9');  // the record would not fit
        const Case cases[] = {
            {"", "T", "5150"},
            {"sino", "T", ""},
            {"x=y", "T", "5150"},   // one name-check refusal; the texts are checked below it
            {"SINO", "T", "5150"},  // only the case differs
            {"sino", "T", longLnb.c_str()},
        };
        rig->Write(kThree);
        rig->Open();
        for (const Case& c : cases) {
            rig->notices.Clear();
            rig->answer = [&c](TransponderParams tp) {
                tp.satellite = Gbk(c.satellite);
                tp.name = Gbk(c.transponder);
                tp.lnbFrequency = c.lnb;
                return std::optional(tp);
            };
            rig->Click(13);
            QVERIFY2(rig->Messages().size() == 1, c.satellite);
            QVERIFY2(rig->File() == kThree, c.satellite);
        }
        QCOMPARE(rig->TreeText(), std::string("sino{CETV,B,C}Asia{T1}"));
    }
    void editNeedsATransponder() {
        rig->Write(kThree);
        rig->Open();
        rig->win->Tree()->setCurrentItem(rig->Item("sino", "B"));  // no click yet
        rig->Click(15);
        rig->Select("sino");
        rig->Click(15);
        QCOMPARE(rig->Messages(), (std::vector<std::string>{"请选择卫星列表中的一个转发器!",
                                                            "请选择卫星接点下的转发器!"}));
        QVERIFY(rig->dialogs.empty());
    }

    // The edit keeps key and name, writes the symbol rate without the f, and
    // refills the current record only when it is the one edited.
    void editWritesInPlace() {
        struct Case {
            const char* current;
            bool refilled;
        };
        for (const Case& c : {Case{"CETV", true}, Case{"B", false}}) {
            rig->Write(kThree);
            rig->calls.clear();
            rig->current = {"sino", c.current, {}};
            rig->Open();
            rig->answer = [](TransponderParams tp) {
                tp.name = "ignored";  // names cannot change
                tp.polarisation = Gbk("水平");
                return std::optional(Edited(tp, 12600.5f, 30000));
            };
            rig->Select("sino", "CETV");
            rig->Click(15);
            QVERIFY(!rig->dialogs.back().addMode);
            QCOMPARE(rig->dialogs.back().initial.frequency, 12622.0f);
            COMPARE_TEXT(rig->File(),
                         Replaced(kThree, "CETV|12622.0|27500|垂直", "CETV|12600.5|30000|水平"));
            const bool refilled = !rig->calls.empty() && rig->calls.back() == "setCurrent";
            QCOMPARE(refilled, c.refilled);
            if (c.refilled) QCOMPARE(rig->current.tp.frequency, 12600.5f);
        }
    }

    void doubleClickEditsTranspondersOnly() {
        rig->Write(kThree);
        rig->Open();
        QTreeWidget* tree = rig->win->Tree();
        QTest::mouseDClick(tree->viewport(), Qt::LeftButton, {},
                           tree->visualItemRect(rig->Item("sino")).center());
        QVERIFY(rig->dialogs.empty());
        QTreeWidgetItem* t1 = rig->Item("Asia", "T1");
        QTest::mousePress(tree->viewport(), Qt::LeftButton, {}, tree->visualItemRect(t1).center());
        QTest::mouseDClick(tree->viewport(), Qt::LeftButton, {}, tree->visualItemRect(t1).center());
        QCOMPARE(rig->dialogs.size(), 1u);
        QVERIFY(!rig->dialogs[0].addMode);
        QCOMPARE(rig->dialogs[0].initial.satellite, std::string("Asia"));
        QCOMPARE(rig->dialogs[0].initial.name, std::string("T1"));
    }

    // The numbering and the "Last"/"Lock" rules are the database's (its own
    // tests); here the right deletion runs, unasked, and the tree follows.
    void deleteUpdatesTheTree() {
        const char* const cases[][3] = {
            {"sino", "B", "sino{CETV,C}Asia{T1}"},
            {"Asia", "T1", "sino{CETV,B,C}"},  // the satellite goes with its last one
            {"sino", "", "Asia{T1}"},
        };
        for (const auto& [satellite, transponder, tree] : cases) {
            rig->Write(kThree);
            rig->Open();
            rig->Select(satellite, transponder);
            rig->Click(14);
            QVERIFY(rig->Messages().empty());
            QCOMPARE(rig->TreeText(), std::string(tree));
            rig->Open();  // as stored
            QCOMPARE(rig->TreeText(), std::string(tree));
        }
    }
    // The player stops first; "Lock" and "Last" are in the file before the
    // worker is handed the names and the record together.
    void lockHandsTheTargetOver() {
        rig->Write(kThree);
        rig->Open();
        rig->Select("sino", "C");
        rig->Click(16);
        QCOMPARE(rig->calls, (std::vector<std::string>{"stopPlayer", "requestTune"}));
        QCOMPARE(rig->fileAtTune.front(), kThree + "[Last]\r\nsino=C\r\n[Lock]\r\nsino=C\r\n");
        const TuneTarget& t = rig->tunes.front();
        QCOMPARE(t.satellite, std::string("sino"));
        QCOMPARE(t.transponder, std::string("C"));
        QCOMPARE(t.tp.frequency, 12000.0f);
        QCOMPARE(t.tp.symbolRate, 28800);
        QCOMPARE(Utf8(t.tp.fec), std::string("3/4"));
        QVERIFY(rig->Messages().empty());
    }

    void searchRefusals() {
        struct Case {
            bool locked;
            const char* selectSatellite;
            const char* selectTransponder;
            const char* message;
        };
        const Case cases[] = {
            {false, "sino", "CETV", "请先锁定CETV然后再搜索"},  // right after the lock
            {true, "sino", "B", "请先锁定B然后再搜索"},         // not the one in "Lock"
            {true, "Asia", "", "请选中你想锁定的转发器!"},
        };
        const std::string file = kThree + "[Lock]\r\nsino=CETV\r\n";
        rig->Write(file);
        rig->Open();
        for (const Case& c : cases) {
            rig->notices.Clear();
            rig->calls.clear();
            rig->locked = c.locked;
            rig->Select(c.selectSatellite, c.selectTransponder);
            rig->Click(17);
            QCOMPARE(rig->Messages(), std::vector<std::string>{c.message});
            QCOMPARE(rig->calls, std::vector<std::string>{"stopPlayer"});
            QVERIFY(!rig->win->Searching());
        }
        QCOMPARE(rig->File(), file);
    }

    // While a search runs: the lock is refused, and the search button says so
    // once and then ignores clicks until the window paints again.
    void commandsWhileSearching() {
        rig->Write(kThree);
        rig->Open();
        rig->Select("sino", "CETV");
        rig->win->SearchState().searchIdle = 0;
        rig->Click(16);
        rig->Click(17);
        QVERIFY(!IsButtonReady(17));
        rig->Click(17);
        QCOMPARE(rig->Messages(),
                 (std::vector<std::string>{"请等待搜索节目完成!", "请等待搜索节目完成！"}));
        QVERIFY(rig->tunes.empty());
        rig->win->update();
        QTRY_VERIFY(IsButtonReady(17));
        rig->win->SearchState().searchIdle = 1;
        QCOMPARE(rig->File(), kThree);
    }

    // A search on the locked transponder empties the program list and the
    // "PID" section, then runs; with nothing on the stream it ends asking for
    // a new search, and the search button takes clicks again.
    void searchStartsOnTheLockedTransponder() {
        const std::string pid = "[PID]\r\nNUM=1\r\n节目1=节目1|电视节目|100|101|102|00|101|\r\n";
        rig->Write(kThree + "[Lock]\r\nsino=CETV\r\n" + pid);
        rig->locked = true;
        rig->Open();
        rig->Select("sino", "CETV");
        SetButtonReady(17, false);     // as a refused press during an earlier search left it
        rig->Press(ButtonCentre(16));  // any paint arms it again
        rig->Release(ButtonCentre(16) + QPoint(0, 30));
        QTRY_VERIFY(IsButtonReady(17));
        rig->calls.clear();
        rig->Click(17);
        QCOMPARE(rig->calls, (std::vector<std::string>{"stopPlayer", "clear", "rebuild"}));
        QCOMPARE(rig->File(), kThree + "[Lock]\r\nsino=CETV\r\n");
        QCOMPARE(rig->status.Texts().at(1), std::string("请等待搜索中"));
        QTRY_VERIFY_WITH_TIMEOUT(!rig->win->Searching(), 30000);
        QVERIFY(rig->status.Last().rfind("请重新搜索", 0) == 0);
        QVERIFY(rig->filter.Table()[0] & CPidFilter::kInUse);  // PID 0 was asked for
        QVERIFY(IsButtonReady(17));
        QVERIFY(rig->Messages().empty());
    }
};

// The real parameter dialog's fields and checks.
class SatParamDialogTest : public QObject {
    Q_OBJECT

  private slots:
    void addModeDefaultsAndEditModeNames() {
        CRecordingNotices notices;
        CSatParamDlg dlg(notices);
        dlg.SetAddMode(true);
        dlg.SetParams(CSatParamDlg::AddDefaults("sino"));
        QVERIFY(dlg.SatelliteEdit()->isEnabled());
        QCOMPARE(dlg.SatelliteEdit()->text(), QString("sino"));
        QCOMPARE(dlg.TransponderEdit()->text(), QString("Transponder"));
        QCOMPARE(dlg.FrequencyEdit()->text(), QString("0"));
        QCOMPARE(dlg.LnbCombo()->currentText(), QString("5150"));
        QCOMPARE(dlg.TransponderEdit()->maxLength(), 12);
        dlg.SetAddMode(false);
        QVERIFY(!dlg.SatelliteEdit()->isEnabled());
        QVERIFY(!dlg.TransponderEdit()->isEnabled());
    }

    // OK with a number that does not parse keeps the dialog open with a
    // warning; Enter and Escape never close it.
    void okChecksTheNumbers() {
        struct Case {
            const char* frequency;
            const char* symbolRate;
            const char* warning;  // "" when accepted
        };
        const Case cases[] = {
            {"abc", "27500", "请输入一个数字。"},         {"", "27500", "请输入一个数字。"},
            {"inf", "27500", "请输入一个数字。"},         {"11800", "27.5", "请输入一个整数。"},
            {"11800", "99999999999", "请输入一个整数。"}, {" 11800.5 ", " 27500 ", ""},
        };
        for (const Case& c : cases) {
            CRecordingNotices notices;
            CSatParamDlg dlg(notices);
            dlg.SetAddMode(true);
            dlg.SetParams(CSatParamDlg::AddDefaults("sino"));
            dlg.show();
            QVERIFY(QTest::qWaitForWindowExposed(&dlg));
            dlg.FrequencyEdit()->setText(c.frequency);
            dlg.SymbolRateEdit()->setText(c.symbolRate);
            dlg.LnbCombo()->setEditText(QString::fromUtf8("自定义"));
            for (int key : {Qt::Key_Return, Qt::Key_Escape}) QTest::keyClick(&dlg, Qt::Key(key));
            QVERIFY(dlg.isVisible());
            QTest::mouseClick(dlg.OkButton(), Qt::LeftButton);
            const bool accepted = std::string(c.warning).empty();
            QVERIFY2(dlg.isVisible() != accepted, c.frequency);
            if (!accepted) {
                QCOMPARE(notices.TextsUtf8(), std::vector<std::string>{c.warning});
                continue;
            }
            QCOMPARE(dlg.result(), int(QDialog::Accepted));
            QCOMPARE(dlg.Params().frequency, 11800.5f);
            QCOMPARE(dlg.Params().symbolRate, 27500);
            QCOMPARE(Utf8(dlg.Params().lnbFrequency), std::string("自定义"));
            QCOMPARE(Utf8(dlg.Params().polarisation), std::string("垂直"));
        }
    }
};

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    SatTreeTest tree;
    SatParamDialogTest dialog;
    return QTest::qExec(&tree, argc, argv) | QTest::qExec(&dialog, argc, argv);
}

#include "sat_tree_test.moc"
