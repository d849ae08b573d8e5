// The channel database's guarded writes: the tune write-back that lands only
// on the record it tuned, the program list replaced whole, and the reason a
// write failed.
#include <cstring>

#include "db/channel_database.h"
#include "db/db_texts.h"
#include "platform/text.h"
#include "platform/text_template.h"

namespace orbix {
namespace {

constexpr std::string_view kPid = "PID";
constexpr std::string_view kNum = "NUM";
constexpr std::size_t kRecordBuffer = 100;

std::string TpKey(int k) { return CChannelDatabase::MakeKey(k, "TP"); }

}  // namespace

TuneSnapshot CChannelDatabase::ReadTuneSnapshot(std::string_view satellite,
                                                std::string_view name) const {
    TuneSnapshot snapshot;
    m_file.View([&](const IProfile& p) {
        const int count = p.ReadInt(satellite, "NUMTP", 0);
        for (int k = 1; k <= count && k <= 9999; ++k) {
            std::string record = p.ReadString(satellite, TpKey(k), kNotFound, kRecordBuffer);
            if (record == kNotFound) continue;
            TransponderParams tp;
            ParseTransponderRecord(record, tp);
            if (tp.name != name) continue;
            snapshot = TuneSnapshot{k, std::move(record)};
            return;
        }
    });
    return snapshot;
}

WriteBackOutcome CChannelDatabase::WriteTuneRecordIfUnchanged(std::string_view satellite,
                                                              const TuneSnapshot& before,
                                                              std::string_view record) {
    if (before.index < 1) return WriteBackOutcome::Changed;
    bool same = false;
    const bool ok = m_file.Transact([&](IProfile& p) {
        const std::string key = TpKey(before.index);
        same = before.index <= p.ReadInt(satellite, "NUMTP", 0) &&
               p.ReadString(satellite, key, kNotFound, kRecordBuffer) == before.record;
        if (same) p.WriteString(satellite, key, record);
    });
    if (!ok) return WriteBackOutcome::WriteFailed;
    return same ? WriteBackOutcome::Written : WriteBackOutcome::Changed;
}

std::string CChannelDatabase::LastWriteError() const {
    const int error = m_file.LastError();
    return error == 0 ? std::string() : std::string(std::strerror(error));
}

std::string CChannelDatabase::WriteFailedMessage() const {
    return WriteFailedMessageFor(Path(), m_file.LastError());
}

std::string CChannelDatabase::WriteFailedMessageFor(const std::string& path, int error) {
    const std::string reason = error == 0 ? std::string() : std::string(std::strerror(error));
    return Gbk(FillTemplate(db_texts::kNotWritten, {path, reason}));
}

bool CChannelDatabase::ReplacePrograms(const std::vector<ProgramEntry>& programs) {
    return m_file.Transact([&](IProfile& p) {
        p.DeleteSection(kPid);
        for (const ProgramEntry& entry : programs)
            p.WriteString(kPid, entry.key, BuildProgramRecord(entry));
        p.WriteString(kPid, kNum, std::to_string(programs.size()));
    });
}

}  // namespace orbix
