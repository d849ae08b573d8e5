#pragma once

#include <array>
#include <atomic>
#include <cstdint>
#include <mutex>
#include <span>

namespace orbix {

class CCardAccess;
class INotices;

// One entry of a PAT program list: a program number and its PMT PID (the
// network PID where the number is 0).
struct PatEntry {
    std::uint16_t programNumber = 0;
    std::uint16_t pid = 0;
};

// The PIDs of one program, as numbers, in the order the filter takes them.
struct ProgramPids {
    std::uint16_t pmtPid = 0;
    std::uint16_t pcrPid = 0;
    std::uint16_t videoPid = 0;
    std::uint16_t audioPid1 = 0;
    std::uint16_t audioPid2 = 0;
};

enum class PidClass { All, Program, User };

// The card's 32-slot PID table. Two owners share it: program search and
// playback own the program-class slots, the user's PID list owns the
// user-class slots; each change keeps the other class and then writes the
// whole table to the card.
class CPidFilter {
  public:
    static constexpr int kSlots = 32;
    static constexpr std::uint16_t kInUse = 0x2000;
    static constexpr std::uint16_t kProgramClass = 0x6000;
    static constexpr std::uint16_t kUserClass = 0x2000;

    CPidFilter() = default;
    virtual ~CPidFilter();
    CPidFilter(const CPidFilter&) = delete;
    CPidFilter& operator=(const CPidFilter&) = delete;

    // The card the table is written to; nullptr once the card is gone.
    void SetCardAccess(CCardAccess* access) {
        std::lock_guard lock(m_mutex);
        m_access = access;
    }

    // Each change writes the whole table to the card and returns whether the
    // card then holds it. When it does not, the user is asked to send the
    // PIDs again ("请重新发送一遍PID!"), after the filter's lock is released
    // so that no other thread changing PIDs waits on the message box. The
    // table keeps the requested state either way. Without a card they
    // change the table only and return true.
    bool ClearPids(PidClass which);
    bool SetPatPid();
    bool SetPmtPids(std::span<const PatEntry> programs);
    // Page is 1-based: entries page x 32 - 32 up to the smaller of page x 32
    // and count.
    // pageSize below 32 leaves room to the user's PIDs.
    bool SetPmtPidsPage(std::span<const PatEntry> programs, int count, int page,
                        int pageSize = kSlots);
    bool SetUserPids(std::span<const std::uint16_t> pids);
    bool SetProgramPids(const ProgramPids& program);
    bool RewritePids();

    std::array<std::uint16_t, kSlots> Table() const;

    // The slots the user's PID list leaves to program search and playback.
    int ProgramRoom() const;
    // The slots SetProgramPids takes for program: the PAT, each non-zero
    // field and the SDT.
    static int SlotsFor(const ProgramPids& program);

  private:
    void Clear(std::uint16_t classBits);
    void Add(std::uint16_t pid, std::uint16_t classBits);
    // Changes the table and writes it under the lock; tells the user of a
    // failed write once the lock is released.
    template <typename Change>
    bool ChangeAndWrite(Change change);
    // The notices to tell of a failed write, or nullptr when it succeeded.
    INotices* Write();

    // Held across each change and its write to the card, so that two threads
    // changing different classes can never leave an older table on the card
    // than the one held here.
    mutable std::mutex m_mutex;
    std::atomic<CCardAccess*> m_access{nullptr};
    std::array<std::uint16_t, kSlots> m_table{};
};

}  // namespace orbix
