#include "card/pid_filter.h"

#include <algorithm>

#include "card/card_access.h"
#include "card/card_texts.h"

namespace orbix {
namespace {

constexpr std::uint16_t kClassMask = 0x6000;
constexpr std::uint16_t kPatPid = 0x0000;
constexpr std::uint16_t kSdtPid = 0x0011;
constexpr std::uint16_t kNullPid = 0x1FFF;

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

int CPidFilter::ProgramRoom() const {
    std::lock_guard lock(m_mutex);
    return kSlots - static_cast<int>(std::ranges::count_if(
                        m_table, [](std::uint16_t s) { return (s & kClassMask) == kUserClass; }));
}

int CPidFilter::SlotsFor(const ProgramPids& program) {
    const std::uint16_t fields[] = {program.pmtPid, program.pcrPid, program.videoPid,
                                    program.audioPid1, program.audioPid2};
    return 2 +
           static_cast<int>(std::ranges::count_if(fields, [](std::uint16_t p) { return p != 0; }));
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

INotices* CPidFilter::Write() {
    CCardAccess* access = m_access.load();
    if (access == nullptr) return nullptr;
    PidTableBytes bytes{};
    for (int i = 0; i < kSlots; ++i) {
        bytes[2 * i] = static_cast<std::uint8_t>(m_table[i] & 0xFF);
        bytes[2 * i + 1] = static_cast<std::uint8_t>(m_table[i] >> 8);
    }
    return access->WritePidTable(bytes) ? nullptr : &access->Notices();
}

template <typename Change>
bool CPidFilter::ChangeAndWrite(Change change) {
    INotices* unverified = nullptr;
    {
        std::lock_guard lock(m_mutex);
        change();
        unverified = Write();
    }
    if (unverified != nullptr) unverified->Tell(texts::ResendPids());
    return unverified == nullptr;
}

bool CPidFilter::ClearPids(PidClass which) {
    return ChangeAndWrite([&] {
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
    });
}

bool CPidFilter::SetPatPid() {
    return ChangeAndWrite([&] {
        Clear(kProgramClass);
        Add(kPatPid, kProgramClass);
    });
}

bool CPidFilter::SetPmtPids(std::span<const PatEntry> programs) {
    return ChangeAndWrite([&] {
        Clear(kProgramClass);
        for (const PatEntry& e : programs) {
            if (e.programNumber != 0) Add(e.pid, kProgramClass);
        }
    });
}

bool CPidFilter::SetPmtPidsPage(std::span<const PatEntry> programs, int count, int page,
                                int pageSize) {
    return ChangeAndWrite([&] {
        Clear(kProgramClass);
        const int first = std::max(0, page * pageSize - pageSize);
        const int end = std::min({page * pageSize, count, static_cast<int>(programs.size())});
        for (int i = first; i < end; ++i) {
            if (programs[i].pid < kNullPid) Add(programs[i].pid, kProgramClass);
        }
    });
}

bool CPidFilter::SetUserPids(std::span<const std::uint16_t> pids) {
    return ChangeAndWrite([&] {
        Clear(kUserClass);
        for (std::uint16_t pid : pids) {
            if (pid != 0) Add(pid, kUserClass);
        }
    });
}

bool CPidFilter::SetProgramPids(const ProgramPids& program) {
    return ChangeAndWrite([&] {
        Clear(kProgramClass);
        // The PAT goes in even though its PID is 0: the class bits make the
        // slot word non-zero. The program's own fields are skipped when 0.
        Add(kPatPid, kProgramClass);
        for (std::uint16_t pid : {program.pmtPid, program.pcrPid, program.videoPid,
                                  program.audioPid1, program.audioPid2, kSdtPid}) {
            if (pid != 0) Add(pid, kProgramClass);
        }
    });
}

bool CPidFilter::RewritePids() {
    return ChangeAndWrite([] {});
}

}  // namespace orbix
