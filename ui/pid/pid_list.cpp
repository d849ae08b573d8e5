#include "ui/pid/pid_list.h"

#include <array>
#include <cstddef>

namespace orbix::pidlist {

namespace {

constexpr const char* kBadPid = "PID值只能是'0-9','a-f','A-F'!";
constexpr std::array<Refusal, 6> kRefusals{{
    {"", "", false},  // Ok
    {kBadPid, "非法的PID值", true},
    {"你添加的PID已经达到32个,如果想添加请先删除一些再操作!", "", false},
    {kBadPid, "非法的PID值", true},
    {"非法的PID值!", "Warning", false},
    {"PID重复,请重新输入!", "Warning", true},
}};

}  // namespace

Refusal RefusalFor(AddCheck check) { return kRefusals[static_cast<std::size_t>(check)]; }

}  // namespace orbix::pidlist
