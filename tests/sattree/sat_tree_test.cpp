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

#include "platform/text.h"
#include "tests/support/button_centre.h"
#include "tests/support/temp_dir.h"
#include "ui/button_table.h"
#include "ui/resources.h"
#include "ui/sattree/sat_param_dialog.h"
#include "ui/sattree/sat_tree_dlg.h"

using namespace orbix;
using testing::ButtonCentre;
using Texts = std::vector<std::string>;

namespace {

// What a missing file is replaced with.
const std::string kDefault =
    "[Main]\r\nNUM=1\r\nSAT1=sino\r\n[sino]\r\nNUMTP=1\r\n"
    "TP1=CETV|12622|32.533|垂直|11300|自动|开|Ku|开|\r\n";
// Three transponders under sino, one under Asia. Written as UTF-8, stored as GBK.
const std::string kThree =
    "[Main]\r\nNUM=2\r\nSAT1=sino\r\nSAT2=Asia\r\n"
    "[sino]\r\nNUMTP=3\r\nTP1=CETV|12622.0|27500|垂直|11300|自动|开|Ku|开|\r\n"
    "TP2=B|11800.0|27500|水平|5150|自动|关|C|关|\r\n"
    "TP3=C|12000.0|28800|垂直|5150|3/4|关|Ku|关|\r\n"
    "[Asia]\r\nNUMTP=1\r\nTP1=T1|3840.0|27500|水平|5150|自动|关|C|关|\r\n";

struct DialogCall {
    TransponderParams initial;
    bool addMode;
};

// The window over a database in a temporary directory, with the rest of the
// program as fakes that log what was asked of them.
struct Rig final : IProgramTree, IStatusText {
    testing::CTempDir dir;
    CRecordingNotices notices;
    CPidFilter filter;
    CRealClock clock;
    bool locked = false;
    Texts calls;  // stopPlayer, requestTune, setCurrent, clear, rebuild
    std::vector<TuneTarget> tunes;
    Texts fileAtTune;
    TuneTarget current;
    std::vector<DialogCall> dialogs;
    // The dialog's answer: OK with the record it was given, unless changed.
    std::function<std::optional<TransponderParams>(TransponderParams)> answer =
        [](TransponderParams tp) { return std::optional(tp); };
    mutable std::mutex statusMutex;  // the search's worker sets the status
    Texts status;
    std::unique_ptr<CSatTreeDlg> win;

    void AddProgramItem(const std::string&, bool) override {}
    void ExpandFirstItem() override {}
    void Redraw() override {}
    void SetStatusText(const std::string& textGbk) override {
        std::lock_guard lock(statusMutex);
        status.push_back(Utf8(textGbk));
    }
    Texts Status() const {
        std::lock_guard lock(statusMutex);
        return status;
    }

    std::string Path() const { return dir.File("SATSETUPL.ini"); }
    std::string File() const { return Utf8(testing::ReadBytes(Path())); }
    void Write(const std::string& utf8) { testing::WriteBytes(Path(), Gbk(utf8)); }
    std::function<void()> Log(const char* what) {
        return [this, what] { calls.push_back(what); };
    }

    void Open() {
        win.reset();
        win = std::make_unique<CSatTreeDlg>(SatTreeServices{
            .notices = notices,
            .pidFilter = filter,
            .clock = clock,
            .programTree = *this,
            .statusText = *this,
            .locked = [this] { return locked; },
            .stopPlayer = Log("stopPlayer"),
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
            .clearProgramTree = [this] { return Log("clear")(), true; },
            .rebuildProgramTree = Log("rebuild"),
            .closed = Log("closed"),
            .paramDialog =
                [this](const TransponderParams& initial, bool addMode) {
                    dialogs.push_back({initial, addMode});
                    return answer(initial);
                },
            .databasePath = Path(),
            .streamPort = 0,
            .receiveTimeoutMs = 200,
        });
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
        if (found.isEmpty() || transponder.empty()) return found.value(0);
        for (int i = 0; i < found.front()->childCount(); ++i) {
            QTreeWidgetItem* tp = found.front()->child(i);
            if (tp->text(0).toStdString() == transponder) return tp;
        }
        return nullptr;
    }
    QPoint At(const std::string& satellite, const std::string& transponder = {}) {
        return win->Tree()->visualItemRect(Item(satellite, transponder)).center();
    }
    // A click on the item's row, as the user selects it.
    void Select(const std::string& satellite, const std::string& transponder = {}) {
        QTest::mouseClick(win->Tree()->viewport(), Qt::LeftButton, {}, At(satellite, transponder));
        QVERIFY(Item(satellite, transponder) != nullptr);
        QCOMPARE(win->Tree()->currentItem(), Item(satellite, transponder));
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
    Texts Messages() const { return notices.TextsUtf8(); }
};

std::string Replaced(std::string s, const std::string& from, const std::string& to) {
    const auto at = s.find(from);
    if (at != std::string::npos) s.replace(at, from.size(), to);
    return s;
}

// Texts compared as QString, so a failure shows them.
#define COMPARE_TEXT(actual, expected) \
    QCOMPARE(QString::fromStdString(actual), QString::fromStdString(expected))

// An answer of the dialog: what it was given, with these fields.
auto Answer(const char* name, float frequency, int symbolRate, const char* satellite = nullptr) {
    return [=](TransponderParams tp) {
        if (satellite) tp.satellite = Gbk(satellite);
        if (name) tp.name = name;
        tp.frequency = frequency;
        tp.symbolRate = symbolRate;
        return std::optional(tp);
    };
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

    // No file gives the default content; a file is shown as it is, untouched.
    void treeFromTheFile() {
        rig->Open();
        COMPARE_TEXT(rig->File(), kDefault);
        QCOMPARE(rig->TreeText(), std::string("sino{CETV}"));
        rig->Write(
            "[Main]\r\nNUM=3\r\nSAT1=A\r\nSAT2=Empty\r\nSAT3=B\r\n[A]\r\nNUMTP=1\r\nTP1=X|1|1|\r\n"
            "[Empty]\r\nNUMTP=0\r\n[B]\r\nNUMTP=2\r\nTP1=X|2|2|\r\nTP2=卫视|3|3|\r\n");
        const std::string before = rig->File();
        rig->Open();
        QCOMPARE(rig->TreeText(), std::string("A{X}B{X,卫视}"));
        QCOMPARE(rig->File(), before);
        QVERIFY(rig->Messages().empty());
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
        for (const Case& c : cases) {
            rig->notices.Clear();
            rig->dialogs.clear();
            rig->Press({c.pressX, 297});
            rig->Release({c.releaseX, 297});
            const std::string ran = !rig->dialogs.empty()     ? "add"
                                    : rig->Messages().empty() ? ""
                                                              : rig->Messages()[0];
            QVERIFY2(ran == c.ran, (std::to_string(c.pressX) + " got " + ran).c_str());
        }
        // Refused commands and a cancelled dialog leave the file as it was.
        COMPARE_TEXT(rig->File(), kDefault);
    }

    // Add offers the selected satellite and the dialog's defaults; the same
    // again is refused unwritten; with nothing selected no satellite is offered,
    // and a new one is appended.
    void add() {
        rig->Open();
        rig->Select("sino", "CETV");
        rig->Click(13);
        QVERIFY(rig->dialogs.at(0).addMode);
        QCOMPARE(rig->dialogs[0].initial.satellite, std::string("sino"));
        COMPARE_TEXT(rig->File(), Replaced(kDefault, "NUMTP=1", "NUMTP=2") +
                                      "TP2=Transponder|0.0|0f|垂直|5150|自动|关|Ku|关|\r\n");
        QCOMPARE(rig->TreeText(), std::string("sino{CETV,Transponder}"));
        const std::string before = rig->File();
        rig->Click(13);
        QCOMPARE(rig->Messages(), Texts{"输入的参数以存在，请重新输入"});
        QCOMPARE(rig->File(), before);

        rig->win->Tree()->setCurrentItem(nullptr);
        rig->answer = Answer("N1", 11800, 27500, "亚太");
        rig->Click(13);
        QCOMPARE(rig->dialogs.back().initial.satellite, std::string());
        QCOMPARE(rig->TreeText(), std::string("sino{CETV,Transponder}亚太{N1}"));
        rig->Open();  // as stored
        QCOMPARE(rig->TreeText(), std::string("sino{CETV,Transponder}亚太{N1}"));
    }

    // Adding over a stored name asks first; Yes overwrites it with the add
    // dialog's record, and the current record follows when it is that one.
    void addOverAStoredNameAsksFirst() {
        rig->Write(kThree);
        rig->current = {"sino", "B", {}};
        rig->Open();
        rig->Select("sino", "B");
        rig->answer = Answer("B", 11900, 30000);
        rig->Click(13);  // answered No
        QCOMPARE(rig->File(), kThree);
        QCOMPARE(rig->Messages(), Texts{"该转发器已经存在，确定要修改该参数吗？"});
        QVERIFY(rig->notices.Shown().at(0).buttons == NoticeButtons::YesNo);

        rig->notices.ScriptAnswer(NoticeAnswer::Yes);
        rig->Click(13);
        COMPARE_TEXT(rig->File(), Replaced(kThree, "TP2=B|11800.0|27500|水平|5150|自动|关|C|关|",
                                           "TP2=B|11900.0|30000f|垂直|5150|自动|关|Ku|关|"));
        QCOMPARE(rig->calls.back(), std::string("setCurrent"));
        QCOMPARE(rig->current.tp.symbolRate, 30000);
    }

    // Names the file cannot hold are refused with their message before any
    // write; so are missing names and a missing LNB.
    void addRefusesBadNames() {
        const std::string longLnb(100, '9');  // the record would not fit
        const char* const cases[][3] = {
            // satellite, transponder, LNB
            {"", "T", "5150"},
            {"sino", "T", ""},
            {"x=y", "T", "5150"},   // one name-check refusal; the texts are checked below it
            {"SINO", "T", "5150"},  // only the case differs
            {"sino", "T", longLnb.c_str()},
        };
        rig->Write(kThree);
        rig->Open();
        for (const auto& [satellite, transponder, lnb] : cases) {
            rig->notices.Clear();
            rig->answer = [&](TransponderParams tp) {
                tp.lnbFrequency = lnb;
                return Answer(transponder, 0, 0, satellite)(tp);
            };
            rig->Click(13);
            QVERIFY2(rig->Messages().size() == 1 && rig->File() == kThree, satellite);
        }
        QCOMPARE(rig->TreeText(), std::string("sino{CETV,B,C}Asia{T1}"));
    }

    // Edit (the button or a double click) takes a clicked transponder.
    void editNeedsATransponder() {
        rig->Write(kThree);
        rig->Open();
        rig->win->Tree()->setCurrentItem(rig->Item("sino", "B"));  // no click yet
        rig->Click(15);
        rig->Select("sino");
        rig->Click(15);
        QCOMPARE(rig->Messages(),
                 (Texts{"请选择卫星列表中的一个转发器!", "请选择卫星接点下的转发器!"}));
        QWidget* viewport = rig->win->Tree()->viewport();
        QTest::mouseDClick(viewport, Qt::LeftButton, {}, rig->At("sino"));
        QVERIFY(rig->dialogs.empty());
        QTest::mousePress(viewport, Qt::LeftButton, {}, rig->At("Asia", "T1"));
        QTest::mouseDClick(viewport, Qt::LeftButton, {}, rig->At("Asia", "T1"));
        QVERIFY(!rig->dialogs.at(0).addMode);
        QCOMPARE(rig->dialogs[0].initial.name, std::string("T1"));
    }

    // The edit keeps key and name, writes the symbol rate without the f, and
    // refills the current record only when it is the one edited.
    void editWritesInPlace() {
        for (const auto& [current, refilled] : {std::pair{"CETV", true}, {"B", false}}) {
            rig->Write(kThree);
            rig->calls.clear();
            rig->current = {"sino", current, {}};
            rig->Open();
            rig->answer = [](TransponderParams tp) {
                tp.polarisation = Gbk("水平");
                return Answer("ignored", 12600.5f, 30000)(tp);  // names cannot change
            };
            rig->Select("sino", "CETV");
            rig->Click(15);
            QCOMPARE(rig->dialogs.back().initial.frequency, 12622.0f);
            COMPARE_TEXT(rig->File(),
                         Replaced(kThree, "CETV|12622.0|27500|垂直", "CETV|12600.5|30000|水平"));
            QCOMPARE(!rig->calls.empty() && rig->calls.back() == "setCurrent", refilled);
            if (refilled) QCOMPARE(rig->current.tp.frequency, 12600.5f);
        }
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
        QCOMPARE(rig->calls, (Texts{"stopPlayer", "requestTune"}));
        QCOMPARE(rig->fileAtTune.at(0), kThree + "[Last]\r\nsino=C\r\n[Lock]\r\nsino=C\r\n");
        const TuneTarget& t = rig->tunes.at(0);
        QCOMPARE(t.satellite + "/" + t.transponder + "/" + Utf8(t.tp.fec),
                 std::string("sino/C/3/4"));
        QCOMPARE(t.tp.symbolRate, 28800);
        QVERIFY(rig->Messages().empty());
    }

    void searchRefusals() {
        const std::tuple<bool, const char*, const char*, const char*> cases[] = {
            {false, "sino", "CETV", "请先锁定CETV然后再搜索"},  // right after the lock
            {true, "sino", "B", "请先锁定B然后再搜索"},         // not the one in "Lock"
            {true, "Asia", "", "请选中你想锁定的转发器!"},
        };
        const std::string file = kThree + "[Lock]\r\nsino=CETV\r\n";
        rig->Write(file);
        rig->Open();
        for (const auto& [locked, satellite, transponder, message] : cases) {
            rig->notices.Clear();
            rig->calls.clear();
            rig->locked = locked;
            rig->Select(satellite, transponder);
            rig->Click(17);
            QCOMPARE(rig->Messages(), Texts{message});
            QCOMPARE(rig->calls, Texts{"stopPlayer"});
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
        QCOMPARE(rig->Messages(), (Texts{"请等待搜索节目完成!", "请等待搜索节目完成！"}));
        QVERIFY(rig->tunes.empty());
        rig->win->update();
        QTRY_VERIFY(IsButtonReady(17));
        rig->win->SearchState().searchIdle = 1;
        QCOMPARE(rig->File(), kThree);
    }

    // A search on the locked transponder empties the program list, then the
    // "PID" section, then puts the groups back, and runs; with nothing on the
    // stream it ends asking for a new search, and the button takes clicks again.
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
        QCOMPARE(rig->calls, (Texts{"stopPlayer", "clear", "rebuild"}));
        QCOMPARE(rig->File(), kThree + "[Lock]\r\nsino=CETV\r\n");
        QCOMPARE(rig->Status().at(1), std::string("请等待搜索中"));
        QTRY_VERIFY_WITH_TIMEOUT(!rig->win->Searching(), 30000);
        QVERIFY(rig->Status().back().starts_with("请重新搜索"));
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
        QCOMPARE(dlg.SatelliteEdit()->text() + "/" + dlg.TransponderEdit()->text() + "/" +
                     dlg.FrequencyEdit()->text() + "/" + dlg.LnbCombo()->currentText(),
                 QString("sino/Transponder/0/5150"));
        QCOMPARE(dlg.TransponderEdit()->maxLength(), 12);
        dlg.SetAddMode(false);
        QVERIFY(!dlg.SatelliteEdit()->isEnabled() && !dlg.TransponderEdit()->isEnabled());
    }

    // OK with a number that does not parse keeps the dialog open with a
    // warning; Enter and Escape never close it.
    void okChecksTheNumbers() {
        const char* const cases[][3] = {
            // frequency, symbol rate, the warning ("" when accepted)
            {"abc", "27500", "请输入一个数字。"},         {"", "27500", "请输入一个数字。"},
            {"inf", "27500", "请输入一个数字。"},         {"11800", "27.5", "请输入一个整数。"},
            {"11800", "99999999999", "请输入一个整数。"}, {" 11800.5 ", " 27500 ", ""},
        };
        for (const auto& [frequency, symbolRate, warning] : cases) {
            CRecordingNotices notices;
            CSatParamDlg dlg(notices);
            dlg.SetAddMode(true);
            dlg.SetParams(CSatParamDlg::AddDefaults("sino"));
            dlg.show();
            QVERIFY(QTest::qWaitForWindowExposed(&dlg));
            dlg.FrequencyEdit()->setText(frequency);
            dlg.SymbolRateEdit()->setText(symbolRate);
            dlg.LnbCombo()->setEditText(QString::fromUtf8("自定义"));
            for (int key : {Qt::Key_Return, Qt::Key_Escape}) QTest::keyClick(&dlg, Qt::Key(key));
            QVERIFY(dlg.isVisible());
            QTest::mouseClick(dlg.OkButton(), Qt::LeftButton);
            const bool accepted = *warning == '\0';
            QVERIFY2(dlg.isVisible() != accepted, frequency);
            if (!accepted) {
                QCOMPARE(notices.TextsUtf8(), Texts{warning});
                continue;
            }
            const TransponderParams got = dlg.Params();
            QCOMPARE(dlg.result(), int(QDialog::Accepted));
            QCOMPARE(got.frequency, 11800.5f);
            QCOMPARE(got.symbolRate, 27500);
            QCOMPARE(Utf8(got.lnbFrequency + "/" + got.polarisation), std::string("自定义/垂直"));
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
