#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTreeWidget>
#include <QtTest>
#include <filesystem>
#include <memory>
#include <mutex>
#include <optional>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include "db/channel_database.h"
#include "db/channel_file.h"
#include "db/record_text.h"
#include "platform/text.h"
#include "tests/support/button_centre.h"
#include "tests/support/temp_dir.h"
#include "ui/resources.h"
#include "ui/sattree/sat_param_dialog.h"
#include "ui/sattree/sat_tree_dlg.h"
#include "view/button_table.h"

using namespace orbix;
using testing::ButtonCentre;
using Texts = std::vector<std::string>;

namespace {

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

// The window over a file in a temporary directory; the rest of the program logs what it was asked.
struct Rig final : IProgramTree, IStatusText {
    testing::CTempDir dir;
    CRecordingNotices notices;
    CPidFilter filter;
    CRealClock clock;
    bool locked = false;
    Texts calls;
    std::vector<TuneTarget> tunes;
    std::string fileAtTune;
    TuneTarget current;
    std::vector<std::pair<TransponderParams, bool>> dialogs;  // what it was given, add mode
    std::vector<bool> accepted;                               // each OK: whether the window took it
    // The dialog's answer: OK with the record it was given, unless changed.
    std::function<std::optional<TransponderParams>(TransponderParams)> answer =
        [](TransponderParams tp) { return std::optional(tp); };
    mutable std::mutex statusMutex;  // the search's worker sets the status
    Texts status;
    std::unique_ptr<CSatTreeDlg> win;
    IChannelFileDialog* fileDialog = nullptr;

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

    void Open(const std::string& utf8) { Write(utf8), Open(); }
    void Open() {
        win.reset();
        win = std::make_unique<CSatTreeDlg>(
            SatTreeServices{.notices = notices,
                            .pidFilter = filter,
                            .clock = clock,
                            .programTree = *this,
                            .statusText = *this,
                            .locked = [this] { return locked; },
                            .tunerLocked = {},
                            .stopPlayer = Log("stopPlayer"),
                            .requestTune =
                                [this](const TuneTarget& t) {
                                    Log("requestTune")(), tunes.push_back(t), fileAtTune = File();
                                },
                            .currentTarget = [this] { return current; },
                            .setCurrent = [this](const TuneTarget& t) { current = t; },
                            .clearProgramTree = [this] { return Log("clear")(), true; },
                            .rebuildProgramTree = Log("rebuild"),
                            .closed = Log("closed"),
                            .paramDialog =
                                [this](const TransponderParams& initial, bool addMode,
                                       const SatParamAccept& accept) {
                                    dialogs.push_back({initial, addMode});
                                    std::optional<TransponderParams> typed = answer(initial);
                                    if (!typed) return typed;
                                    // A refused OK keeps the real dialog open; the user cancels.
                                    accepted.push_back(!accept || accept(*typed));
                                    return accepted.back() ? typed : std::nullopt;
                                },
                            .databasePath = Path(),
                            .streamPort = 0,
                            .receiveTimeoutMs = 200,
                            .channelFileDialog = fileDialog});
        win->show();
        QVERIFY(QTest::qWaitForWindowExposed(win.get()));
        win->Tree()->expandAll();
    }

    void Click(int button) {
        QTest::mousePress(win.get(), Qt::LeftButton, {}, ButtonCentre(button));
        QTest::mouseRelease(win.get(), Qt::LeftButton, {}, ButtonCentre(button));
    }

    QTreeWidgetItem* Item(const std::string& satellite,
                          const std::string& transponder = {}) {  // names unique here
        const std::string& name = transponder.empty() ? satellite : transponder;
        return win->Tree()
            ->findItems(QString::fromStdString(name), Qt::MatchExactly | Qt::MatchRecursive)
            .value(0);
    }
    QPoint At(const std::string& satellite, const std::string& transponder = {}) {
        return win->Tree()->visualItemRect(Item(satellite, transponder)).center();
    }
    // A click on the item's row, as the user selects it.
    void Select(const std::string& satellite, const std::string& transponder = {}) {
        QTest::mouseClick(win->Tree()->viewport(), Qt::LeftButton, {}, At(satellite, transponder));
        QVERIFY(Item(satellite, transponder) &&
                win->Tree()->currentItem() == Item(satellite, transponder));
    }
    // The tree as text: "sino{CETV,B}Asia{T1}".
    std::string TreeText() const {
        std::string out;
        for (int i = 0; i < win->Tree()->topLevelItemCount(); ++i) {
            const QTreeWidgetItem* sat = win->Tree()->topLevelItem(i);
            out += sat->text(0).toStdString() + "{";
            for (int j = 0; j < sat->childCount(); ++j) {
                // Appended one by one: "," + a temporary string trips GCC 12's
                // -Wrestrict at -O3.
                if (j > 0) out += ',';
                out += sat->child(j)->text(0).toStdString();
            }
            out += "}";
        }
        return out;
    }
    Texts Messages() const { return notices.TextsUtf8(); }
    void ClearLogs() { notices.Clear(), calls.clear(), dialogs.clear(), accepted.clear(); }
};

std::string Replaced(std::string s, const std::string& from, const std::string& to) {
    const auto at = s.find(from);
    if (at != std::string::npos) s.replace(at, from.size(), to);
    return s;
}

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
    void cleanup() { rig.reset(); }

    // No file gives the default content; a file is shown as it is, untouched,
    // a satellite without transponders left out.
    void treeFromTheFile() {
        rig->Open();
        QCOMPARE(rig->File(), kDefault);
        QCOMPARE(rig->TreeText(), std::string("sino{CETV}"));
        rig->Write(
            "[Main]\r\nNUM=2\r\nSAT1=Empty\r\nSAT2=B\r\n[Empty]\r\nNUMTP=0\r\n[B]\r\nNUMTP=2\r\n"
            "TP1=X|2|2|\r\nTP2=卫视|3|3|\r\n");
        const std::string before = rig->File();
        rig->Open();
        QCOMPARE(rig->TreeText(), std::string("B{X,卫视}"));
        QCOMPARE(rig->File(), before);
    }

    // A file that lists satellites but whose "NUM" cannot be used, or that is
    // not a profile at all, is never taken for an empty one: the user is told
    // the file and the line, the file stays byte for byte, and the tree shows
    // what can be read.
    void damagedFileIsToldAndLeftAsItIs() {
        std::mt19937 random(17);
        std::string noise(3000, '\0');
        for (char& c : noise) c = static_cast<char>(random());
        const std::string sat = "SAT1=B\r\n[B]\r\nNUMTP=1\r\nTP1=X|2|2|\r\n";
        // file (UTF-8, stored as GBK; noise as it is), line named, tree
        const std::tuple<const char*, std::string, const char*, const char*> cases[] = {
            {"negative", "[Main]\r\nNUM=-3\r\n" + sat, " 第 2 行", "B{X}"},
            {"missing", "[Main]\r\n" + sat, " 第 1 行", "B{X}"},
            {"not a number", "[Main]\r\nNUM=zwei\r\n" + sat, " 第 2 行", "B{X}"},
            {"zero", "[Main]\r\nNUM=0\r\n" + sat, " 第 2 行", "B{X}"},
            {"a stray line", "[Main]\r\nNUM=1\r\n" + sat + "garbage\r\n", " 第 7 行", "B{X}"},
            {"random bytes", noise, nullptr, ""},
        };
        for (const auto& [what, text, line, tree] : cases) {
            const std::string bytes = line ? Gbk(text) : text;
            testing::WriteBytes(rig->Path(), bytes);
            rig->ClearLogs();
            rig->Open();
            QVERIFY2(testing::ReadBytes(rig->Path()) == bytes, what);
            QCOMPARE(rig->TreeText(), std::string(tree));
            const Texts told = rig->Messages();
            QVERIFY2(told.size() == 1 && told[0].starts_with("频道数据库文件 " + rig->Path()) &&
                         told[0].find("已损坏") != std::string::npos &&
                         (!line || told[0].find(line) != std::string::npos),
                     what);
        }
    }

    // Add offers the selected satellite. Over a stored name it asks first; Yes
    // overwrites it, and the current record follows when it is that one. The
    // same record once more is refused.
    void addOverAStoredNameAsksFirst() {
        rig->current = {"sino", "B", {}};
        rig->Open(kThree);
        rig->Select("sino", "B");
        rig->answer = Answer("B", 11900, 30000);
        rig->Click(13);  // answered No
        QVERIFY(rig->dialogs.at(0).second && rig->dialogs[0].first.satellite == "sino");
        QCOMPARE(rig->File(), kThree);
        QCOMPARE(rig->Messages(), Texts{"该转发器已经存在，确定要修改该参数吗？"});
        QVERIFY(rig->notices.Shown().at(0).buttons == NoticeButtons::YesNo);
        rig->notices.ScriptAnswer(NoticeAnswer::Yes);
        rig->Click(13);
        const std::string written = Replaced(kThree, "TP2=B|11800.0|27500|水平|5150|自动|关|C|关|",
                                             "TP2=B|11900.0|30000f|垂直|5150|自动|关|Ku|关|");
        QCOMPARE(rig->File(), written);
        QCOMPARE(rig->current.tp.symbolRate, 30000);
        rig->ClearLogs();
        rig->Click(13);  // the very same record again: refused, not asked
        QCOMPARE(rig->Messages(), Texts{"输入的参数以存在，请重新输入"});
        QCOMPARE(rig->File(), written);
        QCOMPARE(rig->accepted, std::vector<bool>{false});
    }

    // A new satellite is counted in [Main] and gets its own section after the others.
    void addANewSatelliteAppendsItsSection() {
        rig->Open();
        rig->answer = Answer("12622V", 12622, 27500, "Sat-Ku");
        rig->Click(13);
        QCOMPARE(rig->File(), Replaced(kDefault, "NUM=1\r\nSAT1=sino\r\n",
                                       "NUM=2\r\nSAT1=sino\r\nSAT2=Sat-Ku\r\n") +
                                  "[Sat-Ku]\r\nNUMTP=1\r\n"
                                  "TP1=12622V|12622.0|27500f|垂直|5150|自动|关|Ku|关|\r\n");
        QCOMPARE(rig->TreeText(), std::string("sino{CETV}Sat-Ku{12622V}"));
    }

    // A letter-case clash, a missing LNB and a record too long
    // are refused with a message before any write.
    void addRefusesBadNames() {
        const std::string longLnb(100, '9');
        const char* const cases[][3] = {
            {"SINO", "T", "5150"}, {"sino", "T", ""}, {"sino", "T", longLnb.c_str()}};
        rig->Open(kThree);
        for (const auto& [satellite, transponder, lnb] : cases) {
            rig->ClearLogs();
            rig->answer = [&](TransponderParams tp) {
                tp.lnbFrequency = lnb;
                return Answer(transponder, 0, 0, satellite)(tp);
            };
            rig->Click(13);
            QVERIFY2(rig->Messages().size() == 1 && rig->File() == kThree, satellite);
            QVERIFY2(rig->accepted == std::vector<bool>{false}, "the dialog stays open");
        }
    }

    // Edit (the button or a double click) takes a transponder.
    void editNeedsATransponder() {
        rig->Open(kThree);
        rig->Select("sino");
        rig->Click(15);
        QCOMPARE(rig->Messages(), Texts{"请选择卫星接点下的转发器!"});
        QWidget* viewport = rig->win->Tree()->viewport();
        QTest::mousePress(viewport, Qt::LeftButton, {}, rig->At("Asia", "T1"));
        QTest::mouseDClick(viewport, Qt::LeftButton, {}, rig->At("Asia", "T1"));
        QCOMPARE(rig->dialogs.at(0).first.name + (rig->dialogs[0].second ? "+" : ""),
                 std::string("T1"));
    }

    // The edit keeps the names, writes the symbol rate without the f, and
    // refills the current record only when it is the one edited.
    void editWritesInPlace() {
        for (const auto& [current, refilled] : {std::pair{"CETV", true}, {"B", false}}) {
            rig->current = {"sino", current, {}};
            rig->Open(kThree);
            rig->answer = [](TransponderParams tp) {
                tp.polarisation = Gbk("水平");
                return Answer("ignored", 12600.5f, 30000)(tp);
            };
            rig->Select("sino", "CETV");
            rig->Click(15);
            QCOMPARE(rig->File(),
                     Replaced(kThree, "CETV|12622.0|27500|垂直", "CETV|12600.5|30000|水平"));
            QCOMPARE(rig->current.tp.frequency == 12600.5f, refilled);
        }
    }

    // The numbering and the "Last"/"Lock" rules are the database's; here the
    // right deletion runs, unasked, and the tree and the file follow.
    void deleteUpdatesTheTree() {
        const char* const cases[][3] = {
            {"sino", "B", "sino{CETV,C}Asia{T1}"},
            {"Asia", "T1", "sino{CETV,B,C}"},  // the satellite goes with its last one
            {"sino", "", "Asia{T1}"},
        };
        for (const auto& [satellite, transponder, tree] : cases) {
            rig->Open(kThree);
            rig->Select(satellite, transponder);
            rig->Click(14);
            QVERIFY(rig->Messages().empty());
            rig->Open();  // as stored
            QCOMPARE(rig->TreeText(), std::string(tree));
        }
    }

    // The player stops first; "Lock" and "Last" are in the file before the
    // worker is handed the names and the record together. A second lock moves
    // both, and the search then refuses the first transponder.
    void lockHandsTheTargetOver() {
        rig->Open(kThree);
        rig->Select("sino", "C");
        rig->Click(16);
        QCOMPARE(rig->calls, (Texts{"stopPlayer", "requestTune"}));
        QCOMPARE(rig->fileAtTune, kThree + "[Last]\r\nsino=C\r\n[Lock]\r\nsino=C\r\n");
        const TuneTarget& t = rig->tunes.at(0);
        QCOMPARE(t.satellite + "/" + t.transponder + "/" + Utf8(t.tp.fec) + "/" +
                     std::to_string(t.tp.symbolRate),
                 std::string("sino/C/3/4/28800"));
        rig->ClearLogs();
        rig->Select("sino", "B");
        rig->Click(16);
        QCOMPARE(rig->calls, (Texts{"stopPlayer", "requestTune"}));
        QCOMPARE(rig->fileAtTune, kThree + "[Lock]\r\nsino=B\r\n[Last]\r\nsino=B\r\n");
        QCOMPARE(rig->tunes.at(1).transponder + Utf8(rig->tunes[1].tp.polarisation),
                 std::string("B水平"));
        rig->locked = true;
        rig->Select("sino", "C");
        rig->Click(17);
        QCOMPARE(rig->Messages(), Texts{"请先锁定C然后再搜索"});
    }

    // A file that cannot be written (here its lock file is a directory) is
    // said so at once, with the reason: the lock asks for no tune, and the
    // edit dialog stays open.
    void unwritableFileIsToldAndNothingSucceeds() {
        rig->Open(kThree);
        std::filesystem::create_directory(rig->Path() + ".lock");
        const Texts told{"频道数据库文件 " + rig->Path() +
                         " 无法写入（Is a directory），修改没有保存!"};
        rig->Select("sino", "C");
        rig->Click(16);
        QCOMPARE(rig->Messages(), told);
        QVERIFY(rig->tunes.empty());
        rig->ClearLogs();
        rig->answer = Answer(nullptr, 12600.5f, 30000);
        rig->Click(15);
        QCOMPARE(rig->Messages(), told);
        QCOMPARE(rig->accepted, std::vector<bool>{false});
        QCOMPARE(rig->File(), kThree);
        std::filesystem::remove(rig->Path() + ".lock");
    }

    // The search button and "搜索网络" refuse alike; started, with nothing on
    // the stream, the network scan says no NIT came and leaves the file as it
    // was.
    void searchRefusalsAndASilentNetworkScan() {
        const std::tuple<bool, const char*, const char*, const char*> cases[] = {
            {false, "sino", "CETV", "请先锁定CETV然后再搜索"},  // right after the lock
            {true, "sino", "B", "请先锁定B然后再搜索"},         // not the one in "Lock"
            {true, "Asia", "", "请选中你想锁定的转发器!"},
        };
        const std::string file = kThree + "[Lock]\r\nsino=CETV\r\n";
        rig->Open(file);
        for (const auto& [locked, satellite, transponder, message] : cases) {
            rig->ClearLogs();
            rig->locked = locked;
            rig->Select(satellite, transponder);
            rig->Click(17);
            QVERIFY(!rig->win->StartNetworkScan());
            QCOMPARE(rig->Messages(), (Texts{message, message}));
            QCOMPARE(rig->calls, Texts{"stopPlayer"});
        }
        const auto actions = rig->win->Tree()->actions();
        QCOMPARE(actions.size(), 1);
        QCOMPARE(actions[0]->text(), QStringLiteral("搜索网络"));
        rig->ClearLogs();
        rig->locked = true;
        rig->Select("sino", "CETV");
        rig->win->SearchState().searchIdle = 0;
        QVERIFY(!rig->win->StartNetworkScan());  // a search runs
        rig->win->SearchState().searchIdle = 1;
        QCOMPARE(rig->Messages(), Texts{"请等待搜索节目完成！"});
        rig->ClearLogs();
        actions[0]->trigger();
        QTRY_COMPARE_WITH_TIMEOUT(rig->Messages(), Texts{"没有收到网络信息表"}, 20000);
        QCOMPARE(rig->win->SearchState().searchIdle.load(), 1);
        QCOMPARE(rig->File(), file);
    }

    // While a search runs: the lock is refused, and the search button says so
    // once and then ignores clicks until the window paints again.
    void commandsWhileSearching() {
        rig->Open(kThree);
        rig->Select("sino", "CETV");
        rig->win->SearchState().searchIdle = 0;
        rig->Click(16);
        rig->Click(17);
        QTest::qWait(50);  // the event loop runs between two clicks, and paints nothing
        rig->Click(17);
        QCOMPARE(rig->Messages(), (Texts{"请等待搜索节目完成!", "请等待搜索节目完成！"}));
        QVERIFY(rig->tunes.empty());
        rig->win->update();
        QTRY_VERIFY(rig->win->IsButtonReady(17));
        rig->win->SearchState().searchIdle = 1;
    }

    // A search on the locked transponder empties the program list and runs;
    // the stored programs stay in the file. With nothing on the stream it
    // ends asking for a new search, the "PID" section still there byte for
    // byte, and the button takes clicks again: a second search runs the same.
    void searchStartsOnTheLockedTransponder() {
        const std::string pid = "[PID]\r\nNUM=1\r\n节目1=节目1|电视节目|100|101|102|00|101|\r\n";
        const std::string file = kThree + "[Lock]\r\nsino=CETV\r\n" + pid;
        rig->locked = true;
        rig->Open(file);
        rig->Select("sino", "CETV");
        for (int round = 0; round < 2; ++round) {
            rig->ClearLogs();
            rig->status.clear();
            rig->Click(17);
            QCOMPARE(rig->calls, (Texts{"stopPlayer", "clear"}));
            QCOMPARE(rig->Status().at(1), std::string("请等待搜索中"));
            QTRY_VERIFY_WITH_TIMEOUT(!rig->win->Searching(), 30000);
            QVERIFY(rig->Status().back().starts_with("请重新搜索"));
            QCOMPARE(rig->File(), file);
            QVERIFY(rig->filter.Table()[0] & CPidFilter::kInUse);  // PID 0 was asked for
            QTRY_VERIFY(rig->win->IsButtonReady(17));              // the search posts its end
        }
    }
};

// The real parameter dialog: names fixed when editing; Enter and Escape never
// close it; OK with a number that does not parse keeps it open with a warning.
class SatParamDialogTest : public QObject {
    Q_OBJECT

  private slots:
    // Each tuning value out of range, or not a number, keeps the dialog open
    // with a message naming the field and its range; so do the add dialog's
    // untouched defaults. What was typed stays in the fields.
    void okChecksTheNumbers() {
        const std::string frequencyRange =
            "下行频率必须是C波段3000至4200 MHz或Ku波段10700至12750 MHz之间的数字!";
        const std::string symbolRange = "符号率必须是1000至45000 KSPS之间的整数!";
        const std::string loRange = "LNB本振频率必须是0至20000 MHz之间的数字!";
        // frequency, symbol rate, LO, the warning
        const std::tuple<const char*, const char*, const char*, std::string> refused[] = {
            {"0", "0", "5150", frequencyRange},  // the add dialog's defaults
            {"-5", "27500", "10600", frequencyRange},
            {"nonsense", "27500", "10600", frequencyRange},
            {"inf", "27500", "10600", frequencyRange},
            {"2150", "27500", "10600", frequencyRange},  // an IF, not a downlink
            {"11800", "0", "9750", symbolRange},
            {"11800", "1e30", "9750", symbolRange},
            {"11800", "2147483647", "9750", symbolRange},
            {"11800", "nonsense", "9750", symbolRange},
            {"11800", "27.5", "9750", symbolRange},
            {"11800", "999", "9750", symbolRange},
            {"11800", "27500", "-5", loRange},
            {"11800", "27500", "1e30", loRange},
            {"11800", "27500", "nonsense", loRange},
            {"11800", "27500", "自定义", loRange},
            {"11800", "27500", "", loRange},
        };
        CRecordingNotices notices;
        CSatParamDlg dlg(notices);
        dlg.SetAddMode(false);
        QVERIFY(!dlg.SatelliteEdit()->isEnabled() && !dlg.TransponderEdit()->isEnabled());
        dlg.SetAddMode(true);
        dlg.SetParams(CSatParamDlg::AddDefaults("sino"));
        dlg.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dlg));
        for (int key : {Qt::Key_Return, Qt::Key_Escape}) QTest::keyClick(&dlg, Qt::Key(key));
        bool first = true;
        for (const auto& [frequency, symbolRate, lo, warning] : refused) {
            notices.Clear();
            if (!first) {  // the first case is the dialog as it opened
                dlg.FrequencyEdit()->setText(frequency);
                dlg.SymbolRateEdit()->setText(symbolRate);
                dlg.LnbCombo()->setEditText(QString::fromUtf8(lo));
            }
            first = false;
            QTest::mouseClick(dlg.OkButton(), Qt::LeftButton);
            QVERIFY2(dlg.isVisible() && notices.TextsUtf8() == Texts{warning},
                     (std::string(frequency) + " " + symbolRate + " " + lo).c_str());
            QCOMPARE(dlg.SymbolRateEdit()->text(), QString::fromUtf8(symbolRate));
        }
        dlg.FrequencyEdit()->setText(" 11800.5 ");
        dlg.SymbolRateEdit()->setText(" 27500 ");
        // Each list lands in its own field: polarisation, LNB, FEC, DiSEqC, band, 22K.
        const QStringList values{"水平", "9750.5", "3/4", "开", "C", "关"};
        const QList<QComboBox*> combos = dlg.findChildren<QComboBox*>();
        QCOMPARE(combos.size(), values.size());
        for (int i = 0; i < combos.size(); ++i) combos[i]->setCurrentText(values[i]);
        QTest::mouseClick(dlg.OkButton(), Qt::LeftButton);
        QCOMPARE(dlg.result(), int(QDialog::Accepted));
        QCOMPARE(Utf8(CChannelDatabase::BuildAddRecord(dlg.Params())),
                 std::string("Transponder|11800.5|27500f|水平|9750.5|3/4|开|C|关|"));
    }

    // An accept check that refuses keeps the dialog open with every field as
    // typed; the next OK it takes closes it.
    void refusedOkKeepsWhatWasTyped() {
        CRecordingNotices notices;
        CSatParamDlg dlg(notices);
        dlg.SetAddMode(true);
        dlg.SetParams(CSatParamDlg::AddDefaults("sino"));
        std::vector<std::string> checked;
        dlg.SetAcceptCheck([&](const TransponderParams& tp) {
            checked.push_back(tp.name + "/" + FormatOneDecimal(tp.frequency) + "/" + tp.fec);
            return checked.size() > 1;
        });
        dlg.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dlg));
        dlg.TransponderEdit()->setText("Typed");
        dlg.FrequencyEdit()->setText("12622.4");
        dlg.SymbolRateEdit()->setText("27500");
        dlg.FecCombo()->setEditText("7/8");
        QTest::mouseClick(dlg.OkButton(), Qt::LeftButton);
        QVERIFY(dlg.isVisible());
        QCOMPARE(dlg.TransponderEdit()->text() + "/" + dlg.FrequencyEdit()->text() + "/" +
                     dlg.FecCombo()->currentText(),
                 QString("Typed/12622.4/7/8"));
        QTest::mouseClick(dlg.OkButton(), Qt::LeftButton);
        QCOMPARE(dlg.result(), int(QDialog::Accepted));
        QCOMPARE(checked, (std::vector<std::string>(2, "Typed/12622.4/7/8")));
    }
};

// The file dialogs of the channel file commands, answered from a script.
struct ScriptedFileDialog final : IChannelFileDialog {
    std::optional<ImportChoice> import;
    std::optional<std::string> exportPath;
    std::string startDir;
    std::optional<ImportChoice> AskImport(const std::string& start) override {
        startDir = start;
        return import;
    }
    std::optional<std::string> AskExportPath(const std::string&) override { return exportPath; }
};

class SatTreeChannelFileTest : public QObject {
    Q_OBJECT

  private slots:
    void importsMergesRefusesAndExports() {
        Rig rig;
        ScriptedFileDialog files;
        rig.fileDialog = &files;
        rig.Open(kDefault);
        const std::string good = rig.dir.File("Asia 7");
        testing::WriteBytes(good,
                            "[a]\n DELIVERY_SYSTEM = DVBS\n FREQUENCY = 3840000\n"
                            " POLARIZATION = HORIZONTAL\n SYMBOL_RATE = 27500000\n"
                            "[b]\n DELIVERY_SYSTEM = DVBS\n FREQUENCY = 4000000\n"
                            " POLARIZATION = RIGHT\n SYMBOL_RATE = 4420000\n INNER_FEC = 3/4\n"
                            "[c]\n DELIVERY_SYSTEM = DVBS2\n FREQUENCY = 4100000\n");
        const std::string bad = rig.dir.File("bad");
        testing::WriteBytes(bad,
                            "[a]\n DELIVERY_SYSTEM = DVBS\n FREQUENCY = 12x\n"
                            " POLARIZATION = VERTICAL\n SYMBOL_RATE = 27500000\n");
        const LnbChoice c{LnbChoice::Kind::CBand, 5150};
        struct Row {
            std::optional<ImportChoice> choice;
            bool changed;
            std::string tree;
            Texts messages;
        };
        const Row rows[] = {
            {std::nullopt, false, "sino{CETV}", {}},
            {ImportChoice{good, c},
             true,
             "sino{CETV}Asia 7{3840H,4000V}",
             {"跳过1个 DVB-S2 频道（本卡的解调器只支持 DVB-S）。\n"
              "卫星“Asia 7”：新增2个转发器（新卫星）"}},
            {ImportChoice{good, c},
             false,
             "sino{CETV}Asia 7{3840H,4000V}",
             {"跳过1个 DVB-S2 频道（本卡的解调器只支持 DVB-S）。\n"
              "卫星“Asia 7”：新增0个转发器，2个与已有转发器重复（同极化、频率相差不超过2 "
              "MHz），未导入"}},
            {ImportChoice{bad, c},
             false,
             "sino{CETV}Asia 7{3840H,4000V}",
             {"文件 " + bad + " 第3行：数值无效（应为不带符号的十进制整数）。"}},
        };
        for (const Row& r : rows) {
            rig.ClearLogs();
            files.import = r.choice;
            const std::string before = testing::ReadBytes(rig.Path());
            QCOMPARE(rig.win->ImportChannelFile(), r.changed);
            QCOMPARE(rig.TreeText(), r.tree);
            QVERIFY2(rig.Messages() == r.messages,
                     (rig.Messages().empty() ? std::string("none") : rig.Messages()[0]).c_str());
            QCOMPARE(testing::ReadBytes(rig.Path()) != before, r.changed);
        }
        QCOMPARE(files.startDir, std::filesystem::is_directory("/usr/share/dvb/dvb-s")
                                     ? std::string("/usr/share/dvb/dvb-s")
                                     : std::string());
        QCOMPARE(Utf8(CChannelDatabase(rig.Path()).ReadTransponderRecord(Gbk("Asia 7"), 2)),
                 std::string("4000V|4000.0|4420f|垂直|5150|3/4|关|C|关|"));

        // Export: the satellite of the selected transponder.
        rig.ClearLogs();
        files.exportPath = rig.dir.File("out.conf");
        rig.win->Tree()->setCurrentItem(nullptr);
        QVERIFY(!rig.win->ExportSelectedSatellite());
        QCOMPARE(rig.Messages(), Texts{"请选择要导出的卫星!"});
        rig.win->Tree()->expandAll();
        rig.Select("Asia 7", "4000V");
        QVERIFY(rig.win->ExportSelectedSatellite());
        const ChannelFileContent exported = ReadChannelFile(*files.exportPath);
        QVERIFY(exported.ok);
        QCOMPARE(exported.dvbs.size(), std::size_t(2));
        QCOMPARE(exported.dvbs[1].frequencyKhz, 4000000u);
    }
};

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    SatTreeTest tree;
    SatParamDialogTest dialog;
    SatTreeChannelFileTest files;
    return QTest::qExec(&tree, argc, argv) | QTest::qExec(&dialog, argc, argv) |
           QTest::qExec(&files, argc, argv);
}

#include "sat_tree_test.moc"
