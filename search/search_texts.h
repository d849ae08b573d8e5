#pragma once

#include <string>

#include "platform/text.h"
#include "platform/text_template.h"

namespace orbix::texts {

// The program search's texts, in GBK as the user sees them.
inline std::string SearchDone() { return Gbk("搜索节目完毕"); }
// The end of a search with a note, a failed one with its reason, and the
// reason of a list that could not be stored with the database's message.
inline constexpr std::string_view kSearchDoneNote = "搜索节目完毕：%1";
inline constexpr std::string_view kSearchAgain = "请重新搜索：%1";
inline constexpr std::string_view kReasonNotStored = "节目无法存入数据库：%1";
// '%' is never part of a GBK character, so GBK values fill the GBK template.
inline std::string SearchDoneNote(const std::string& noteGbk) {
    return FillTemplate(Gbk(kSearchDoneNote), {noteGbk});
}
inline std::string SearchAgain(const std::string& reasonGbk) {
    return FillTemplate(Gbk(kSearchAgain), {reasonGbk});
}
inline std::string ReasonNotStored(const std::string& messageGbk) {
    return FillTemplate(Gbk(kReasonNotStored), {messageGbk});
}
// The programs were stored, their providers' names were not.
inline constexpr std::string_view kReasonProvidersNotStored =
    "节目已存入数据库，但节目提供者名称无法存入：%1";
inline std::string ReasonProvidersNotStored(const std::string& messageGbk) {
    return FillTemplate(Gbk(kReasonProvidersNotStored), {messageGbk});
}

// Why a search failed, in plain words.
inline std::string ReasonNoSocket() { return Gbk("无法建立网络接收"); }
inline std::string ReasonNoPort() { return Gbk("无法打开接收端口"); }
inline std::string ReasonNoPat() { return Gbk("没有收到节目列表"); }
inline std::string ReasonEmptyPat() { return Gbk("节目列表是空的"); }
inline std::string ReasonSignalLost() { return Gbk("信号中断，没有收到节目信息"); }
inline std::string ReasonCloseFailed() { return Gbk("无法关闭网络接收"); }
inline std::string ReasonStopped() { return Gbk("搜索被中止"); }
// The user's PID list leaves the search too few of the card's 32 PID slots.
inline constexpr std::string_view kReasonNoPidRoom =
    "用户PID列表（PID设置）占用了PID表32个位置中的%1个，搜索没有位置，请先在PID设置中取消一些PID";
inline std::string ReasonNoPidRoom(int userPids) {
    return Gbk(FillTemplate(kReasonNoPidRoom, {std::to_string(userPids)}));
}

// Told once after a search that was to name programs from the service
// table but got none (or only a broken one).
inline std::string NoServiceTable() { return Gbk("没有收到节目名称表，节目按编号命名"); }

// Names the program records take.
inline std::string ProgramWord() { return Gbk("节目"); }

// Locked, PIDs in use, and no datagram on the stream port for 5 s.
inline std::string NoDataStatus() { return Gbk("已锁定但无数据，请检查网络和防火墙"); }
// The tray tip: at most 63 bytes.
inline std::string NoDataTip() { return Gbk("信号锁定但无数据—请运行orbixctl doctor"); }
inline constexpr std::string_view kNoDataWarning =
    "警告：信号已锁定，但5秒没有收到数据（UDP端口%1）。请检查：卡的数据包如何到达本机、"
    "接收它们的网络接口、防火墙对该端口的规则；真卡请运行 orbixctl doctor";
inline std::string NoDataWarning(int port) {
    return Gbk(FillTemplate(kNoDataWarning, {std::to_string(port)}));
}

// The end of a network search: transponders added, known, and skipped.
inline constexpr std::string_view kNetworkScanDone =
    "网络搜索完毕：新增%1个转发器，已有%2个，跳过%3个DVB-S2和%4个其他轨道位置的转发器";

// The receiver's messages (shown with the caption "Warning"); %d is the
// system's error number.
inline constexpr const char* kSocketCreateFailed = "creat socket failure!Error NO. is %d";
inline constexpr const char* kBindFailed = "Binding failure!Error NO. is %d";
inline constexpr const char* kBroadcastFailed = "Broadcast setting failure!Error NO. is %d";
inline constexpr const char* kReceiveFailed = "Receive data failure!Error NO. is %d";
inline constexpr const char* kCloseFailed = "close socket failure!Error NO. is %d";

}  // namespace orbix::texts
