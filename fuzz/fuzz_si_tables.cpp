// The SDT and NIT parsers over any bytes: as one section, and as transport
// packets on PIDs 0x11 and 0x10 through the section collector and the table
// gatherer. Whatever is accepted must decode to valid GBK names and plan
// records the database can hold.
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "db/gbk_scan.h"
#include "search/network_scan.h"
#include "search/service_names.h"
#include "search/si_tables.h"

namespace {

void CheckNames(const std::vector<std::vector<std::uint8_t>>& sections) {
    for (auto charset : {orbix::NoSelectorCharset::Iso6937, orbix::NoSelectorCharset::Gb18030}) {
        for (const auto& [id, text] : orbix::DecodeServiceNames(sections, charset)) {
            if (!orbix::gbk::IsValid(text.name) || orbix::gbk::HasChar(text.name, '|'))
                __builtin_trap();
        }
    }
}

void CheckPlan(const std::vector<std::vector<std::uint8_t>>& sections) {
    orbix::TransponderParams locked;
    locked.satellite = "S";
    locked.lnbFrequency = "10600";
    const auto plan =
        orbix::PlanNetworkTransponders(orbix::DeliveriesOf(sections), {locked}, locked);
    for (const auto& tp : plan.add) {
        if (!orbix::CChannelDatabase::CheckRecordLength(orbix::CChannelDatabase::BuildAddRecord(tp))
                 .empty())
            __builtin_trap();
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::span<const std::uint8_t> bytes(data, size);
    const std::vector<std::vector<std::uint8_t>> one{{bytes.begin(), bytes.end()}};
    orbix::ParseSdtSection(bytes);
    orbix::ParseNitSection(bytes);
    CheckNames(one);
    CheckPlan(one);
    for (std::uint16_t pid : {orbix::kSdtPid, orbix::kNitPid}) {
        orbix::CSectionCollector collector(pid);
        orbix::CTableGatherer table(pid == orbix::kSdtPid ? orbix::kSdtActualTableId
                                                          : orbix::kNitActualTableId);
        std::vector<std::vector<std::uint8_t>> sections;
        for (std::size_t at = 0; at + 188 <= size; at += 188) {
            collector.Feed(bytes.subspan(at, 188), sections);
        }
        for (const auto& s : sections) {
            if (s.size() > 1024) __builtin_trap();
            table.Add(s);
        }
        if (table.Complete()) {
            CheckNames(table.Sections());
            CheckPlan(table.Sections());
        }
    }
    return 0;
}
