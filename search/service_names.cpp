#include "search/service_names.h"

#include <span>

#include "db/gbk_scan.h"
#include "db/profile_file.h"
#include "db/program_vocabulary.h"
#include "search/search_texts.h"
#include "search/si_tables.h"

namespace orbix {
namespace {

constexpr const char* kSourceKey = "Source";
constexpr const char* kNoSelectorKey = "NoSelector";
constexpr const char* kSourceSdt = "sdt";
constexpr const char* kSourcePat = "pat";
constexpr const char* kIso6937 = "iso6937";
constexpr const char* kGbk = "gbk";
// A program record is read with a 50-byte buffer.
constexpr std::size_t kProgramRecordBytes = 49;
constexpr std::size_t kProviderBuffer = 1 << 16;

std::string TextAt(const std::vector<std::uint8_t>& bytes, NoSelectorCharset noSelector) {
    return DecodeDvbText(std::span<const std::uint8_t>(bytes), noSelector);
}

}  // namespace

ServiceNameOptions ReadServiceNameOptions(const std::string& iniPath) {
    const CProfileFile file(iniPath);
    ServiceNameOptions out;
    std::string source, noSelector;
    file.View([&](const IProfile& p) {
        source = p.ReadString(kServiceNamesSection, kSourceKey, "", 16);
        noSelector = p.ReadString(kServiceNamesSection, kNoSelectorKey, "", 16);
    });
    out.enabled = gbk::EqualNoCase(source, kSourceSdt);
    if (gbk::EqualNoCase(noSelector, kGbk)) out.noSelector = NoSelectorCharset::Gb18030;
    return out;
}

bool WriteServiceNameOptions(const std::string& iniPath, const ServiceNameOptions& options) {
    CProfileFile file(iniPath);
    return file.Transact([&](IProfile& p) {
        p.WriteString(kServiceNamesSection, kSourceKey, options.enabled ? kSourceSdt : kSourcePat);
        p.WriteString(kServiceNamesSection, kNoSelectorKey,
                      options.noSelector == NoSelectorCharset::Gb18030 ? kGbk : kIso6937);
    });
}

ServiceNames DecodeServiceNames(const std::vector<std::vector<std::uint8_t>>& sections,
                                NoSelectorCharset noSelector) {
    ServiceNames out;
    for (const auto& bytes : sections) {
        const auto sdt = ParseSdtSection(bytes);
        if (!sdt) continue;
        for (const SdtService& s : sdt->services) {
            if (!s.hasServiceDescriptor) continue;
            ServiceText text{TextAt(s.name, noSelector), TextAt(s.provider, noSelector)};
            if (!text.name.empty()) out.try_emplace(s.serviceId, std::move(text));
        }
    }
    return out;
}

SdtResult ReceiveServiceNames(const TableWait& wait, NoSelectorCharset noSelector) {
    const auto sections = ReceiveTable(wait, kSdtPid, kSdtActualTableId);
    if (sections.empty()) return {};
    return {true, DecodeServiceNames(sections, noSelector)};
}

std::string ProgramNameFor(const ProgramEntry& program, const std::string& serviceName) {
    const std::string mark = ScrambledMark();
    const bool scrambled = program.name.ends_with(mark);
    ProgramEntry rest = program;
    rest.name.clear();
    const std::size_t used =
        CChannelDatabase::BuildProgramRecord(rest).size() + (scrambled ? mark.size() : 0);
    const std::size_t room = used < kProgramRecordBytes ? kProgramRecordBytes - used : 0;
    std::string name(gbk::TrimBlanks(CutGbk(serviceName, room)));
    if (name.empty()) return program.name;
    return scrambled ? name + mark : name;
}

int ApplyServiceNames(std::vector<ProgramEntry>& programs, const PatTable& pat,
                      const ServiceNames& services, std::map<std::string, std::string>& providers) {
    int renamed = 0;
    std::size_t next = 0;
    for (int i = 0; i < pat.count && next < programs.size(); ++i) {
        const PatEntry& entry = pat.entries[static_cast<std::size_t>(i)];
        if (entry.programNumber == 0) continue;
        ProgramEntry& program = programs[next++];
        const auto it = services.find(entry.programNumber);
        if (it == services.end()) continue;
        const std::string name = ProgramNameFor(program, it->second.name);
        if (name == program.name) continue;
        program.name = name;
        if (!it->second.provider.empty()) providers[program.key] = it->second.provider;
        ++renamed;
    }
    return renamed;
}

bool StoreProviders(const std::string& iniPath, const std::vector<ProgramEntry>& programs,
                    const std::map<std::string, std::string>& providers, int* writeError) {
    CProfileFile file(iniPath);
    const bool written = file.Transact([&](IProfile& p) {
        p.DeleteSection(kServiceProvidersSection);
        for (const ProgramEntry& program : programs) {
            const auto it = providers.find(program.key);
            if (it == providers.end()) continue;
            p.WriteString(kServiceProvidersSection, program.key,
                          it->second + "|" + program.name + "|");
        }
    });
    if (!written && writeError != nullptr) *writeError = file.LastError();
    return written;
}

std::string ReadProvider(const std::string& iniPath, std::string_view programName) {
    const auto lines = CProfileFile(iniPath).ReadSection(kServiceProvidersSection, kProviderBuffer);
    for (const std::string& line : lines) {
        // key=provider|name|
        const std::size_t eq = gbk::FindChar(line, '=');
        if (eq == std::string::npos) continue;
        const std::string_view value = std::string_view(line).substr(eq + 1);
        const std::size_t bar = gbk::FindChar(value, '|');
        if (bar == std::string::npos) continue;
        const std::string_view rest = value.substr(bar + 1);
        const std::size_t end = gbk::FindChar(rest, '|');
        if (end != std::string::npos && rest.substr(0, end) == programName)
            return std::string(value.substr(0, bar));
    }
    return {};
}

}  // namespace orbix
