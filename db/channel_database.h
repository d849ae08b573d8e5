#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "db/profile_file.h"

namespace orbix {

// One transponder's tuning record. The texts are kept as stored (GBK).
struct TransponderParams {
    std::string satellite;        // the section the record came from
    std::string name;             // field 1
    float frequency = 0;          // downlink frequency, MHz
    std::int32_t symbolRate = 0;  // kilosymbols per second
    std::string polarisation;     // "垂直", "水平", "关" or typed text
    std::string lnbFrequency;     // LO frequency text, MHz
    std::string fec;
    std::string diseqc;
    std::string band;
    std::string tone22k;
};

// One program's record. PIDs are lower-case hexadecimal text, "00" for none.
// The stored field order (name, type, pmtPid, videoPid, audioPid1, audioPid2,
// pcrPid) differs from this one; reader and writer map by field.
struct ProgramEntry {
    std::string key;  // the INI key, "节目"n
    std::string name;
    std::string type;  // "电视节目" or "广播节目"
    std::string pmtPid;
    std::string audioPid1;
    std::string audioPid2;
    std::string videoPid;
    std::string pcrPid;
};

// A satellite "=" transponder line of section "Last" or "Lock".
struct SatelliteTransponder {
    std::string satellite;
    std::string transponder;
};

// The IP-data PID lists of section "IP": counts and "|"-terminated lists.
struct PidLists {
    int activeCount = 0;
    std::string active;
    int inactiveCount = 0;
    std::string inactive;
};

enum class AddOutcome {
    Added,        // a new transponder (and perhaps a new satellite) was stored
    Overwritten,  // an existing transponder of that name got the new record
    Identical,    // the stored record is already exactly this one
    Declined,     // the caller did not confirm the overwrite
    Refused,      // CheckNewNames or CheckRecordLength has a message for it
    WriteFailed,  // the file could not be written; it is unchanged
    // "Main"/"NUM" or the satellite's "NUMTP" is below 0 or above 9999 (or
    // would pass 9999); the file is unchanged, CountOutOfRangeMessage() says why.
    CountOutOfRange,
};

enum class DeleteOutcome {
    NotFound,            // no such transponder, or a satellite not listed in "Main"
    TransponderDeleted,  // the satellite keeps its other transponders
    SatelliteDeleted,    // the satellite went with its last transponder
    WriteFailed,         // the file could not be written; it is unchanged
    // a count the delete would rewrite is below 0 or above 9999; the file is
    // unchanged, CountOutOfRangeMessage() says why.
    CountOutOfRange,
};

// Where a tune began: the transponder's key number and its record as stored
// then. The write-back checks that both still stand.
struct TuneSnapshot {
    int index = -1;  // -1: not in the file
    std::string record;
};

enum class WriteBackOutcome {
    Written,      // the record under its key got the new frequency
    Changed,      // edited, renamed, renumbered or deleted meanwhile: nothing written
    WriteFailed,  // the file could not be written; it is unchanged
};

// The channel database: satellites, transponders, programs and PID lists in
// one profile file. It keeps no state; every operation reads or writes the
// file when called, so any number of instances may exist at once, on any
// thread. Names compare exactly, byte for byte; numbers are 1-based.
//
// Operations that change several keys (adding, deleting, the lock lines, the
// default content) make all their changes as one replacement of the file, in
// the order the keys are listed below, so a crash or a failed write leaves
// either all of them or none.
class CChannelDatabase {
  public:
    static constexpr const char* kDefaultPath = "./SATSETUPL.ini";
    static constexpr const char* kNotFound = "NOT FIND";

    explicit CChannelDatabase(std::string iniPath = kDefaultPath);
    virtual ~CChannelDatabase() = default;

    const std::string& Path() const { return m_file.Path(); }

    // prefix followed by n in decimal: MakeKey(1, "SAT") is "SAT1".
    static std::string MakeKey(int n, std::string_view prefix);
    // "节目" followed by n in decimal (GBK).
    static std::string MakeProgramKey(int n);

    // --- satellites and transponders
    // Counts are clamped to 0 ... 9999, which only a damaged file leaves.
    // The changes below refuse to rewrite a count that lies outside.
    int CountSatellites() const;
    bool SatelliteExists(std::string_view name) const;
    // "NOT FIND" when "SAT"k is absent; at most 19 bytes.
    std::string GetSatelliteName(int k) const;
    int FindSatelliteIndex(std::string_view name) const;
    int CountTransponders(std::string_view satellite) const;
    // The name of "TP"k into out and its length; 0 with out unchanged when
    // the key is absent.
    int GetTransponderName(std::string_view satellite, int k, std::string& out) const;
    int FindTransponderIndex(std::string_view satellite, std::string_view name) const;
    // out unchanged when the transponder is not found.
    void ReadTransponder(std::string_view satellite, std::string_view name,
                         TransponderParams& out) const;
    // "Default"/"sino"; satellite "sino", empty texts and zeros when absent.
    void ReadDefaultTransponder(TransponderParams& out) const;
    // The stored text of "TP"k as a 100-byte reader sees it, "NOT FIND" when
    // absent.
    std::string ReadTransponderRecord(std::string_view satellite, int k) const;

    // --- record texts
    // name|frequency "%.1f"|symbol rate "%d"|fields 4 to 9|: the record the
    // tune write-back and the edit commands store.
    static std::string BuildTuneRecord(const TransponderParams& tp);
    // As BuildTuneRecord, but the symbol rate written "%df" (27500f), as the
    // add command stores it.
    static std::string BuildAddRecord(const TransponderParams& tp);
    // name|type|pmtPid|videoPid|audioPid1|audioPid2|pcrPid|
    static std::string BuildProgramRecord(const ProgramEntry& entry);
    // The nine fields of a transponder record into out (all but satellite):
    // frequency as the leading decimal number, symbol rate as the leading
    // integer, the rest as text; missing fields empty or 0.
    static void ParseTransponderRecord(std::string_view record, TransponderParams& out);
    // The seven fields of a program record, in stored order (key untouched).
    static void ParseProgramRecord(std::string_view record, ProgramEntry& out);

    // --- writes of the tune worker, the lock command and start-up
    // Stores record as "TP"k of the satellite's section.
    bool WriteTransponderRecord(std::string_view satellite, int k, std::string_view record);
    // Delete section "Last"; write "Last" key satellite = transponder; replace
    // section "Lock" by the line satellite=transponder; replace section "Last"
    // by the same line.
    bool WriteLockAndLast(std::string_view satellite, std::string_view transponder);
    // The first line of section "LAST" (50-byte section read) split at its
    // first "="; false, with out unchanged, when the section is absent or
    // empty or its first line has no "=". Only the first line counts: a line
    // without "=" is not skipped for the next one, so start-up falls back to
    // "Default"/"sino" as it should.
    bool ReadLast(SatelliteTransponder& out) const;
    // The same for section "Lock" (100-byte section read).
    bool ReadLock(SatelliteTransponder& out) const;
    // True when the first line of "Lock" is exactly satellite=transponder.
    bool IsLockTarget(std::string_view satellite, std::string_view transponder) const;
    // "Main"/"NUM" = "1", "Main"/"SAT1" = "sino", "sino"/"NUMTP" = "1",
    // "sino"/"TP1" = "CETV|12622|32.533|垂直|11300|自动|开|Ku|开|".
    bool WriteDefaultContent();

    // The key number and stored text of the transponder, read together.
    TuneSnapshot ReadTuneSnapshot(std::string_view satellite, std::string_view name) const;
    // Stores record as "TP"(before.index) only while that key still holds
    // before.record, read again inside the same change of the file.
    WriteBackOutcome WriteTuneRecordIfUnchanged(std::string_view satellite,
                                                const TuneSnapshot& before,
                                                std::string_view record);

    // Why the last failed write of this object failed, for the user (GBK):
    // the system's reason, e.g. "Permission denied".
    std::string LastWriteError() const;
    // The message (GBK) for it: the file could not be written, its name and
    // the reason; nothing was saved.
    std::string WriteFailedMessage() const;
    // The same message for another failed write of the file at path, error
    // being its errno (0 when unknown).
    static std::string WriteFailedMessageFor(const std::string& path, int error);

    // --- editing of satellites and transponders
    // Empty when a transponder of these names may be added; otherwise the
    // message (GBK) that says why not. Adds to the checks of name_check.h a
    // satellite name that differs from a stored one only in letter case,
    // since both would share one section.
    std::string CheckNewNames(std::string_view satellite, std::string_view transponder) const;
    // Empty when record fits the 99 bytes a reader of it sees; otherwise the
    // message (GBK). Long texts typed into the dialog's lists could pass it.
    static std::string CheckRecordLength(std::string_view record);
    // The message (GBK) for AddOutcome::CountOutOfRange and
    // DeleteOutcome::CountOutOfRange.
    static std::string CountOutOfRangeMessage();
    // Adds tp (record as BuildAddRecord) under tp.satellite: a new satellite
    // gets "Main"/"NUM", "Main"/"SAT"n, then "NUMTP" = "1" and "TP1"; a new
    // transponder of a stored satellite gets "NUMTP" = n + 1, then "TP"(n + 1).
    // A stored transponder of that name is overwritten in place when its
    // record differs and confirmOverwrite() returns true.
    AddOutcome AddTransponder(const TransponderParams& tp,
                              const std::function<bool()>& confirmOverwrite);
    // Stores tp (record as BuildTuneRecord) over the transponder of its names;
    // false when there is none, the record is too long or the file cannot be
    // written.
    bool EditTransponder(const TransponderParams& tp);
    // Deletes the transponder and closes up the "TP" numbering; deletes the
    // satellite instead when it was its only transponder. Deletes section
    // "Last" when it names this transponder.
    DeleteOutcome DeleteTransponder(std::string_view satellite, std::string_view transponder);
    // Deletes the satellite's section and closes up the "SAT" numbering.
    // Deletes section "Last" when it names this satellite.
    DeleteOutcome DeleteSatellite(std::string_view satellite);

    // --- programs (section "PID")
    bool WriteProgram(std::string_view key, const ProgramEntry& entry);
    // false when the key is absent; out.key is left as the caller set it.
    bool ReadProgram(std::string_view key, ProgramEntry& out) const;
    bool FindProgramByName(std::string_view name, ProgramEntry& out) const;
    // "PID"/"NUM" as a 4-byte reader sees it; 0 when absent.
    int CountPrograms() const;
    bool WriteProgramCount(int count);
    // Deletes one program key; "NUM" stays, so readers skip the gap.
    bool DeleteProgram(std::string_view key);
    // Deletes the whole "PID" section.
    bool DeleteAllPrograms();
    // Replaces the whole "PID" section by these programs (each under its
    // key) and "NUM" = their number, in one change of the file: on any
    // failure the previous section stays as it was.
    bool ReplacePrograms(const std::vector<ProgramEntry>& programs);

    // --- IP-data PID lists (section "IP")
    // Counts read with 4-byte buffers, lists with 100-byte buffers; an absent
    // list reads as "NOT FIND" and an absent count as 0.
    PidLists ReadPidLists() const;
    // "ACTIVENUMPID", "ACTIVEPID", "NOACTIVENUMPID", "NOACTIVEPID" in order.
    bool WritePidLists(const PidLists& lists);

  private:
    CProfileFile m_file;
};

}  // namespace orbix
