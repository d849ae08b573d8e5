#include "card/pid_filter.h"

#include <algorithm>

#include "card/card_access.h"

namespace orbix {
namespace {

constexpr std::uint16_t kClassMask = 0x6000;
constexpr std::uint16_t kPatPid = 0x0000;
constexpr std::uint16_t kSdtPid = 0x0011;
constexpr std::uint16_t kNullPid = 0x1FFF;
constexpr int kPageSize = 32;

}  // namespace

CPidFilter::~CPidFilter() {
    // Only while the card is still there: after the main window has gone,
    // the access object no longer exists and nothing may be written.
    if (m_access.load() != nullptr) ClearPids(PidClass::All);
}

std::array<std::uint16_t, CPidFilter::kSlots> CPidFilter::Table() const {
    std::lock_guard lock(m_mutex);
    return m_table;
}

void CPidFilter::Clear(std::uint16_t classBits) {
    for (auto& slot : m_table) {
        if ((slot & kClassMask) == classBits) slot = 0;
    }
}

void CPidFilter::Add(std::uint16_t pid, std::uint16_t classBits) {
    auto free = std::ranges::find_if(m_table, [](std::uint16_t s) { return (s & kInUse) == 0; });
    if (free != m_table.end()) *free = static_cast<std::uint16_t>(pid | classBits);
}

void CPidFilter::Write() {
    CCardAccess* access = m_access.load();
    if (access == nullptr) return;
    PidTableBytes bytes{};
    for (int i = 0; i < kSlots; ++i) {
        bytes[2 * i] = static_cast<std::uint8_t>(m_table[i] & 0xFF);
        bytes[2 * i + 1] = static_cast<std::uint8_t>(m_table[i] >> 8);
    }
    access->WritePidTable(bytes);
}

void CPidFilter::ClearPids(PidClass which) {
    std::lock_guard lock(m_mutex);
    switch (which) {
        case PidClass::All:
            m_table.fill(0);
            break;
        case PidClass::Program:
            Clear(kProgramClass);
            break;
        case PidClass::User:
            Clear(kUserClass);
            break;
    }
    Write();
}

void CPidFilter::SetPatPid() {
    std::lock_guard lock(m_mutex);
    Clear(kProgramClass);
    Add(kPatPid, kProgramClass);
    Write();
}

void CPidFilter::SetPmtPids(std::span<const PatEntry> programs) {
    std::lock_guard lock(m_mutex);
    Clear(kProgramClass);
    for (const PatEntry& e : programs) {
        if (e.programNumber != 0) Add(e.pid, kProgramClass);
    }
    Write();
}

void CPidFilter::SetPmtPidsPage(std::span<const PatEntry> programs, int count, int page) {
    std::lock_guard lock(m_mutex);
    Clear(kProgramClass);
    const int first = std::max(0, page * kPageSize - kPageSize);
    const int end = std::min({page * kPageSize, count, static_cast<int>(programs.size())});
    for (int i = first; i < end; ++i) {
        if (programs[i].pid < kNullPid) Add(programs[i].pid, kProgramClass);
    }
    Write();
}

void CPidFilter::SetUserPids(std::span<const std::uint16_t> pids) {
    std::lock_guard lock(m_mutex);
    Clear(kUserClass);
    for (std::uint16_t pid : pids) {
        if (pid != 0) Add(pid, kUserClass);
    }
    Write();
}

void CPidFilter::SetProgramPids(const ProgramPids& program) {
    std::lock_guard lock(m_mutex);
    Clear(kProgramClass);
    // The PAT goes in even though its PID is 0: the class bits make the
    // slot word non-zero. The program's own fields are skipped when 0.
    Add(kPatPid, kProgramClass);
    for (std::uint16_t pid : {program.pmtPid, program.pcrPid, program.videoPid, program.audioPid1,
                              program.audioPid2, kSdtPid}) {
        if (pid != 0) Add(pid, kProgramClass);
    }
    Write();
}

void CPidFilter::RewritePids() {
    std::lock_guard lock(m_mutex);
    Write();
}

}  // namespace orbix
