#include "db/channel_database.h"

#include <algorithm>
#include <optional>
#include <utility>
#include <vector>

#include "db/db_texts.h"
#include "db/gbk_scan.h"
#include "db/name_check.h"
#include "db/record_text.h"
#include "platform/text.h"

namespace orbix {
namespace {

constexpr std::string_view kMain = "Main";
constexpr std::string_view kNum = "NUM";
constexpr std::string_view kSatPrefix = "SAT";
constexpr std::string_view kNumTp = "NUMTP";
constexpr std::string_view kTpPrefix = "TP";
constexpr std::string_view kLast = "Last";
constexpr std::string_view kLastAtStartUp = "LAST";  // the start-up reader's spelling
constexpr std::string_view kLock = "Lock";
constexpr std::string_view kDefault = "Default";
constexpr std::string_view kSino = "sino";
constexpr std::string_view kPid = "PID";
constexpr std::string_view kPidOfListWindow = "PId";  // the program list window's spelling
constexpr std::string_view kIp = "IP";
constexpr std::string_view kActiveCount = "ACTIVENUMPID";
constexpr std::string_view kActiveList = "ACTIVEPID";
constexpr std::string_view kInactiveCount = "NOACTIVENUMPID";
constexpr std::string_view kInactiveList = "NOACTIVEPID";
constexpr std::string_view kNotFound = CChannelDatabase::kNotFound;

// Buffer sizes of the readers; they are limits of the file format.
constexpr std::size_t kSatelliteNameBuffer = 20;
constexpr std::size_t kSatelliteSearchBuffer = 50;
constexpr std::size_t kSatelliteCopyBuffer = 100;
constexpr std::size_t kRecordBuffer = 100;
constexpr std::size_t kLastBuffer = 50;
constexpr std::size_t kLockBuffer = 100;
constexpr std::size_t kProgramBuffer = 50;
constexpr std::size_t kProgramSearchBuffer = 100;
constexpr std::size_t kCountBuffer = 4;
// Room for 32 PIDs of four digits and their "|" with plenty to spare: the
// lists are read whole, so nothing the user entered is cut on the way back
// (neither in the PID settings dialog nor when the worker restores them).
constexpr std::size_t kPidListBuffer = 4096;

constexpr std::string_view kDefaultRecordUtf8 = "CETV|12622|32.533|垂直|11300|自动|开|Ku|开|";

std::string SatKey(int k) { return CChannelDatabase::MakeKey(k, kSatPrefix); }
std::string TpKey(int k) { return CChannelDatabase::MakeKey(k, kTpPrefix); }

// --- reads, on whatever profile they are given

// A count far beyond any real channel list, or below zero, comes from a
// damaged file; every scan runs up to the count, so scans take it clamped to
// 0 ... 9999. A change never writes back a count derived from a clamped one:
// it would cut off or overwrite the keys beyond the clamp.
constexpr int kMaxCount = 9999;

struct StoredCount {
    int value = 0;  // as stored, with its sign

    int Scanned() const { return std::clamp(value, 0, kMaxCount); }
    bool InRange() const { return value >= 0 && value <= kMaxCount; }
    bool CanGrow() const { return value >= 0 && value < kMaxCount; }
};

StoredCount ReadCount(const IProfile& p, std::string_view section, std::string_view key) {
    return StoredCount{p.ReadInt(section, key, 0)};
}

int CountSatellitesIn(const IProfile& p) { return ReadCount(p, kMain, kNum).Scanned(); }

int FindSatelliteIndexIn(const IProfile& p, std::string_view name) {
    for (int k = 1; k <= CountSatellitesIn(p); ++k) {
        if (p.ReadString(kMain, SatKey(k), kNotFound, kSatelliteSearchBuffer) == name) return k;
    }
    return -1;
}

int CountTranspondersIn(const IProfile& p, std::string_view satellite) {
    return ReadCount(p, satellite, kNumTp).Scanned();
}

int FindTransponderIndexIn(const IProfile& p, std::string_view satellite, std::string_view name) {
    int n = CountTranspondersIn(p, satellite);
    for (int k = 1; k <= n; ++k) {
        std::string record = p.ReadString(satellite, TpKey(k), kNotFound, kRecordBuffer);
        if (record != kNotFound && FirstField(record) == name) return k;
    }
    return -1;
}

// Fields 2 to 9 of a transponder record.
void ReadTuningFields(CRecordReader& fields, TransponderParams& out) {
    out.frequency = LeadingNumber(fields.NextField());
    out.symbolRate = LeadingInteger(fields.NextField());
    for (std::string* text :
         {&out.polarisation, &out.lnbFrequency, &out.fec, &out.diseqc, &out.band, &out.tone22k}) {
        *text = std::string(fields.NextField());
    }
}

bool SplitPairLine(const std::vector<std::string>& lines, SatelliteTransponder& out) {
    if (lines.empty()) return false;
    std::size_t eq = lines.front().find('=');
    if (eq == std::string::npos) return false;
    out.satellite = lines.front().substr(0, eq);
    out.transponder = lines.front().substr(eq + 1);
    return true;
}

std::optional<SatelliteTransponder> ReadLastIn(const IProfile& p) {
    SatelliteTransponder last;
    if (!SplitPairLine(p.ReadSection(kLast, kLastBuffer), last)) return std::nullopt;
    return last;
}

std::string Join(std::initializer_list<std::string_view> fields) {
    std::string record;
    for (std::string_view field : fields) {
        record.append(field);
        record.push_back('|');
    }
    return record;
}

// --- multi-key changes, made inside one transaction

// Every read comes before the first write, so a count out of range leaves
// the file untouched. False in that case.
bool AddInto(IProfile& p, std::string_view satellite, std::string_view name,
             std::string_view record) {
    const bool newSatellite = FindSatelliteIndexIn(p, satellite) < 0;
    const StoredCount satellites = ReadCount(p, kMain, kNum);
    const StoredCount transponders = ReadCount(p, satellite, kNumTp);
    int k = FindTransponderIndexIn(p, satellite, name);
    if ((newSatellite && !satellites.CanGrow()) || (k < 1 && !transponders.CanGrow())) {
        return false;
    }
    if (newSatellite) {
        int n = satellites.value + 1;
        p.WriteString(kMain, kNum, std::to_string(n));
        p.WriteString(kMain, SatKey(n), satellite);
    }
    if (k < 1) {
        // A section left behind without its "SAT" key keeps its transponders.
        k = transponders.value + 1;
        p.WriteString(satellite, kNumTp, std::to_string(k));
    }
    p.WriteString(satellite, TpKey(k), record);
    return true;
}

// Copies key k + 1 ... n one place down and deletes key n. A key missing
// within the range leaves a gap one place further down.
void CloseUp(IProfile& p, std::string_view section, std::string_view prefix, int k, int n,
             std::size_t buffer) {
    for (int j = k + 1; j <= n; ++j) {
        std::string value =
            p.ReadString(section, CChannelDatabase::MakeKey(j, prefix), kNotFound, buffer);
        std::string below = CChannelDatabase::MakeKey(j - 1, prefix);
        if (value == kNotFound) {
            p.DeleteKey(section, below);
        } else {
            p.WriteString(section, below, value);
        }
    }
    p.DeleteKey(section, CChannelDatabase::MakeKey(n, prefix));
}

// The satellite's section goes, and its "SAT" key when it is listed (at j).
void RemoveSatellite(IProfile& p, std::string_view satellite, int j) {
    p.DeleteSection(satellite);
    if (j < 0) return;
    int m = CountSatellitesIn(p);
    p.WriteString(kMain, kNum, std::to_string(m - 1));
    CloseUp(p, kMain, kSatPrefix, j, m, kSatelliteCopyBuffer);
}

// Whether "Main"/"NUM" may be rewritten after taking the satellite out.
bool SatelliteCountAllowsRemoval(const IProfile& p, int j) {
    return j < 0 || ReadCount(p, kMain, kNum).InRange();
}

DeleteOutcome DeleteTransponderIn(IProfile& p, std::string_view satellite,
                                  std::string_view transponder) {
    int k = FindTransponderIndexIn(p, satellite, transponder);
    if (k < 0) return DeleteOutcome::NotFound;
    const StoredCount count = ReadCount(p, satellite, kNumTp);
    const int j = FindSatelliteIndexIn(p, satellite);
    const int n = count.value;
    if (!count.InRange() || (n == 1 && !SatelliteCountAllowsRemoval(p, j))) {
        return DeleteOutcome::CountOutOfRange;
    }
    auto last = ReadLastIn(p);
    bool lastNamesIt = last && last->satellite == satellite && last->transponder == transponder;
    p.WriteString(satellite, kNumTp, std::to_string(n - 1));
    if (lastNamesIt) p.DeleteSection(kLast);
    if (n == 1) {
        RemoveSatellite(p, satellite, j);
        return DeleteOutcome::SatelliteDeleted;
    }
    CloseUp(p, satellite, kTpPrefix, k, n, kRecordBuffer);
    return DeleteOutcome::TransponderDeleted;
}

DeleteOutcome DeleteSatelliteIn(IProfile& p, std::string_view satellite) {
    const int j = FindSatelliteIndexIn(p, satellite);
    if (!SatelliteCountAllowsRemoval(p, j)) return DeleteOutcome::CountOutOfRange;
    auto last = ReadLastIn(p);
    if (last && last->satellite == satellite) p.DeleteSection(kLast);
    RemoveSatellite(p, satellite, j);
    return j >= 0 ? DeleteOutcome::SatelliteDeleted : DeleteOutcome::NotFound;
}

}  // namespace

CChannelDatabase::CChannelDatabase(std::string iniPath) : m_file(std::move(iniPath)) {}

std::string CChannelDatabase::MakeKey(int n, std::string_view prefix) {
    return std::string(prefix) + std::to_string(n);
}

std::string CChannelDatabase::MakeProgramKey(int n) {
    static const std::string prefix = Gbk("节目");
    return prefix + std::to_string(n);
}

// --- satellites and transponders

int CChannelDatabase::CountSatellites() const { return CountSatellitesIn(m_file); }

bool CChannelDatabase::SatelliteExists(std::string_view name) const {
    bool exists = false;
    m_file.View([&](const IProfile& p) {
        int n = CountSatellitesIn(p);
        for (int k = 1; k <= n; ++k) {
            std::string stored = p.ReadString(kMain, SatKey(k), kNotFound, kSatelliteNameBuffer);
            if (stored.empty()) return;
            if (stored == name) {
                exists = true;
                return;
            }
        }
    });
    return exists;
}

std::string CChannelDatabase::GetSatelliteName(int k) const {
    return m_file.ReadString(kMain, SatKey(k), kNotFound, kSatelliteNameBuffer);
}

int CChannelDatabase::FindSatelliteIndex(std::string_view name) const {
    int k = -1;
    m_file.View([&](const IProfile& p) { k = FindSatelliteIndexIn(p, name); });
    return k;
}

int CChannelDatabase::CountTransponders(std::string_view satellite) const {
    return CountTranspondersIn(m_file, satellite);
}

int CChannelDatabase::GetTransponderName(std::string_view satellite, int k,
                                         std::string& out) const {
    std::string record = ReadTransponderRecord(satellite, k);
    if (record == kNotFound) return 0;
    out = std::string(FirstField(record));
    return static_cast<int>(out.size());
}

int CChannelDatabase::FindTransponderIndex(std::string_view satellite,
                                           std::string_view name) const {
    int k = -1;
    m_file.View([&](const IProfile& p) { k = FindTransponderIndexIn(p, satellite, name); });
    return k;
}

void CChannelDatabase::ReadTransponder(std::string_view satellite, std::string_view name,
                                       TransponderParams& out) const {
    m_file.View([&](const IProfile& p) {
        int k = FindTransponderIndexIn(p, satellite, name);
        if (k < 0) return;
        std::string record = p.ReadString(satellite, TpKey(k), kNotFound, kRecordBuffer);
        ParseTransponderRecord(record, out);
        out.satellite = std::string(satellite);
        out.name = std::string(name);  // the caller's, not the stored one
    });
}

void CChannelDatabase::ReadDefaultTransponder(TransponderParams& out) const {
    ParseTransponderRecord(m_file.ReadString(kDefault, kSino, kNotFound, kRecordBuffer), out);
    out.satellite = std::string(kSino);
}

std::string CChannelDatabase::ReadTransponderRecord(std::string_view satellite, int k) const {
    return m_file.ReadString(satellite, TpKey(k), kNotFound, kRecordBuffer);
}

// --- record texts

std::string CChannelDatabase::BuildTuneRecord(const TransponderParams& tp) {
    return Join({tp.name, FormatOneDecimal(tp.frequency), std::to_string(tp.symbolRate),
                 tp.polarisation, tp.lnbFrequency, tp.fec, tp.diseqc, tp.band, tp.tone22k});
}

std::string CChannelDatabase::BuildAddRecord(const TransponderParams& tp) {
    return Join({tp.name, FormatOneDecimal(tp.frequency), std::to_string(tp.symbolRate) + "f",
                 tp.polarisation, tp.lnbFrequency, tp.fec, tp.diseqc, tp.band, tp.tone22k});
}

std::string CChannelDatabase::BuildProgramRecord(const ProgramEntry& entry) {
    return Join({entry.name, entry.type, entry.pmtPid, entry.videoPid, entry.audioPid1,
                 entry.audioPid2, entry.pcrPid});
}

void CChannelDatabase::ParseTransponderRecord(std::string_view record, TransponderParams& out) {
    CRecordReader fields(record);
    out.name = std::string(fields.NextField());
    ReadTuningFields(fields, out);
}

void CChannelDatabase::ParseProgramRecord(std::string_view record, ProgramEntry& out) {
    CRecordReader fields(record);
    for (std::string* text : {&out.name, &out.type, &out.pmtPid, &out.videoPid, &out.audioPid1,
                              &out.audioPid2, &out.pcrPid}) {
        *text = std::string(fields.NextField());
    }
}

// --- writes of the tune worker, the lock command and start-up

bool CChannelDatabase::WriteTransponderRecord(std::string_view satellite, int k,
                                              std::string_view record) {
    return k >= 1 && m_file.WriteString(satellite, TpKey(k), record);
}

bool CChannelDatabase::WriteLockAndLast(std::string_view satellite, std::string_view transponder) {
    std::string line = std::string(satellite) + "=" + std::string(transponder);
    return m_file.Transact([&](IProfile& p) {
        p.DeleteSection(kLast);
        p.WriteString(kLast, satellite, transponder);
        p.WriteSection(kLock, line);
        p.WriteSection(kLast, line);
    });
}

bool CChannelDatabase::ReadLast(SatelliteTransponder& out) const {
    return SplitPairLine(m_file.ReadSection(kLastAtStartUp, kLastBuffer), out);
}

bool CChannelDatabase::ReadLock(SatelliteTransponder& out) const {
    return SplitPairLine(m_file.ReadSection(kLock, kLockBuffer), out);
}

bool CChannelDatabase::IsLockTarget(std::string_view satellite,
                                    std::string_view transponder) const {
    SatelliteTransponder lock;
    return ReadLock(lock) && lock.satellite == satellite && lock.transponder == transponder;
}

bool CChannelDatabase::WriteDefaultContent() {
    std::string record = Gbk(kDefaultRecordUtf8);
    return m_file.Transact([&](IProfile& p) {
        p.WriteString(kMain, kNum, "1");
        p.WriteString(kMain, SatKey(1), kSino);
        p.WriteString(kSino, kNumTp, "1");
        p.WriteString(kSino, TpKey(1), record);
    });
}

// --- editing of satellites and transponders

std::string CChannelDatabase::CheckNewNames(std::string_view satellite,
                                            std::string_view transponder) const {
    std::string message = CheckNames(satellite, transponder);
    if (!message.empty()) return message;
    m_file.View([&](const IProfile& p) {
        if (FindSatelliteIndexIn(p, satellite) >= 0) return;
        int n = CountSatellitesIn(p);
        for (int k = 1; k <= n && message.empty(); ++k) {
            std::string stored = p.ReadString(kMain, SatKey(k), kNotFound, kSatelliteSearchBuffer);
            if (gbk::EqualNoCase(stored, satellite)) message = CaseClashMessage();
        }
    });
    return message;
}

std::string CChannelDatabase::CountOutOfRangeMessage() { return Gbk(db_texts::kCountOutOfRange); }

std::string CChannelDatabase::CheckRecordLength(std::string_view record) {
    if (record.size() < kRecordBuffer) return {};
    return Gbk(db_texts::kRecordTooLong);
}

AddOutcome CChannelDatabase::AddTransponder(const TransponderParams& tp,
                                            const std::function<bool()>& confirmOverwrite) {
    std::string record = BuildAddRecord(tp);
    if (!CheckNewNames(tp.satellite, tp.name).empty() || !CheckRecordLength(record).empty()) {
        return AddOutcome::Refused;
    }
    int k = FindTransponderIndex(tp.satellite, tp.name);
    if (k >= 1) {
        if (ReadTransponderRecord(tp.satellite, k) == record) return AddOutcome::Identical;
        // Asked before the file is locked: the user may take his time.
        if (!confirmOverwrite || !confirmOverwrite()) return AddOutcome::Declined;
    }
    bool counted = true;
    bool ok =
        m_file.Transact([&](IProfile& p) { counted = AddInto(p, tp.satellite, tp.name, record); });
    if (!counted) return AddOutcome::CountOutOfRange;
    if (!ok) return AddOutcome::WriteFailed;
    return k >= 1 ? AddOutcome::Overwritten : AddOutcome::Added;
}

bool CChannelDatabase::EditTransponder(const TransponderParams& tp) {
    std::string record = BuildTuneRecord(tp);
    if (!CheckRecordLength(record).empty()) return false;
    bool found = false;
    bool ok = m_file.Transact([&](IProfile& p) {
        int k = FindTransponderIndexIn(p, tp.satellite, tp.name);
        found = k >= 1;
        if (found) p.WriteString(tp.satellite, TpKey(k), record);
    });
    return ok && found;
}

DeleteOutcome CChannelDatabase::DeleteTransponder(std::string_view satellite,
                                                  std::string_view transponder) {
    DeleteOutcome outcome = DeleteOutcome::NotFound;
    bool ok = m_file.Transact(
        [&](IProfile& p) { outcome = DeleteTransponderIn(p, satellite, transponder); });
    return ok ? outcome : DeleteOutcome::WriteFailed;
}

DeleteOutcome CChannelDatabase::DeleteSatellite(std::string_view satellite) {
    DeleteOutcome outcome = DeleteOutcome::NotFound;
    bool ok = m_file.Transact([&](IProfile& p) { outcome = DeleteSatelliteIn(p, satellite); });
    return ok ? outcome : DeleteOutcome::WriteFailed;
}

// --- programs

bool CChannelDatabase::WriteProgram(std::string_view key, const ProgramEntry& entry) {
    return m_file.WriteString(kPid, key, BuildProgramRecord(entry));
}

bool CChannelDatabase::ReadProgram(std::string_view key, ProgramEntry& out) const {
    std::string record = m_file.ReadString(kPid, key, kNotFound, kProgramBuffer);
    if (record == kNotFound) return false;
    ParseProgramRecord(record, out);
    return true;
}

bool CChannelDatabase::FindProgramByName(std::string_view name, ProgramEntry& out) const {
    bool found = false;
    m_file.View([&](const IProfile& p) {
        int m = LeadingInteger(p.ReadString(kPid, kNum, kNotFound, kCountBuffer));
        for (int i = 1; i <= m && !found; ++i) {
            std::string record =
                p.ReadString(kPid, MakeProgramKey(i), kNotFound, kProgramSearchBuffer);
            if (record == kNotFound || FirstField(record) != name) continue;
            // Filled as a read of the key itself would fill it.
            ParseProgramRecord(gbk::Head(record, kProgramBuffer - 1), out);
            found = true;
        }
    });
    return found;
}

int CChannelDatabase::CountPrograms() const {
    return LeadingInteger(m_file.ReadString(kPid, kNum, kNotFound, kCountBuffer));
}

bool CChannelDatabase::WriteProgramCount(int count) {
    return m_file.WriteString(kPid, kNum, std::to_string(count));
}

bool CChannelDatabase::DeleteProgram(std::string_view key) {
    return m_file.DeleteKey(kPidOfListWindow, key);
}

bool CChannelDatabase::DeleteAllPrograms() { return m_file.DeleteSection(kPid); }

// --- IP-data PID lists

PidLists CChannelDatabase::ReadPidLists() const {
    PidLists lists;
    m_file.View([&](const IProfile& p) {
        lists.activeCount =
            LeadingInteger(p.ReadString(kIp, kActiveCount, kNotFound, kCountBuffer));
        lists.active = p.ReadString(kIp, kActiveList, kNotFound, kPidListBuffer);
        lists.inactiveCount =
            LeadingInteger(p.ReadString(kIp, kInactiveCount, kNotFound, kCountBuffer));
        lists.inactive = p.ReadString(kIp, kInactiveList, kNotFound, kPidListBuffer);
    });
    return lists;
}

bool CChannelDatabase::WritePidLists(const PidLists& lists) {
    return m_file.Transact([&](IProfile& p) {
        p.WriteString(kIp, kActiveCount, std::to_string(lists.activeCount));
        p.WriteString(kIp, kActiveList, lists.active);
        p.WriteString(kIp, kInactiveCount, std::to_string(lists.inactiveCount));
        p.WriteString(kIp, kInactiveList, lists.inactive);
    });
}

}  // namespace orbix
