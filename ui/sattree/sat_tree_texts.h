#pragma once

#include <string>

#include "platform/text.h"
#include "platform/text_template.h"

namespace orbix::sattree_texts {

// The satellite tree window's messages, in GBK as the user sees them.
inline std::string PickToDelete() { return Gbk("请选择你要删除的卫星，或者转发器!"); }
inline std::string PickForEdit() { return Gbk("请选择卫星列表中的一个转发器!"); }
inline std::string PickUnderSatellite() { return Gbk("请选择卫星接点下的转发器!"); }
inline std::string EnterNames() { return Gbk("请输入卫星名和转发器名!"); }
inline std::string AlreadyStored() { return Gbk("输入的参数以存在，请重新输入"); }
inline std::string ConfirmOverwrite() { return Gbk("该转发器已经存在，确定要修改该参数吗？"); }
inline constexpr const char* kConfirmCaption = "WARNING";
// The lock button and the search button say it with different marks.
inline std::string WaitForSearchLock() { return Gbk("请等待搜索节目完成!"); }
inline std::string WaitForSearch() { return Gbk("请等待搜索节目完成！"); }
inline std::string PickToLock() { return Gbk("请选中转发器！"); }
inline std::string SearchNetwork() { return Gbk("搜索网络"); }
inline std::string PickToSearch() { return Gbk("请选中你想锁定的转发器!"); }
inline constexpr std::string_view kLockFirst = "请先锁定%1然后再搜索";
// '%' is never part of a GBK character, so the GBK name fills the GBK template.
inline std::string LockFirst(const std::string& transponderGbk) {
    return FillTemplate(Gbk(kLockFirst), {transponderGbk});
}
inline std::string Searching() { return Gbk("请等待搜索中"); }
inline std::string Blank() { return " "; }

// The channel file import and export (menu of the tree, dialogs), in UTF-8.
inline constexpr const char* kImportItem = "导入频道文件…";
inline constexpr const char* kExportItem = "导出卫星到频道文件…";
inline constexpr const char* kImportCaption = "导入频道文件";
inline constexpr const char* kExportCaption = "导出卫星到频道文件";
inline constexpr const char* kLnbCaption = "LNB类型";
inline constexpr const char* kLnbPrompt = "用哪种LNB接收这些转发器：";
inline constexpr const char* kLnbUniversal = "通用Ku（本振9750/10600，11700 MHz以上开22K）";
inline constexpr const char* kLnbC = "C波段（本振5150）";
inline constexpr const char* kLnbSingle = "单本振Ku（输入本振频率）";
inline constexpr const char* kLoPrompt = "本振频率[MHz]：";
inline constexpr const char* kPickToExport = "请选择要导出的卫星!";

}  // namespace orbix::sattree_texts
