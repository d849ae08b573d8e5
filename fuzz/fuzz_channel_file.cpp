// A channel file the parser accepts imports, exports and re-imports to the
// same records, whatever LNB it is received with.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "db/channel_file.h"
#include "db/channel_import.h"

namespace {

using namespace orbix;

std::vector<std::string> Records(const ChannelFileContent& content, const LnbChoice& lnb) {
    std::vector<std::string> out;
    for (const TuningEntry& e : content.dvbs) {
        out.push_back(CChannelDatabase::BuildAddRecord(MapTransponder("S", e, lnb)));
    }
    return out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const ChannelFileContent first = ParseChannelFile(text, "fuzz");
    if (!first.ok) {
        if (first.message.empty()) std::abort();
        return 0;
    }
    // Nothing to import: an export of nothing holds no channel.
    if (first.dvbs.empty()) return 0;
    const LnbChoice lnb = size % 3 == 0   ? LnbChoice{}
                          : size % 3 == 1 ? LnbChoice{LnbChoice::Kind::CBand, 5150}
                                          : LnbChoice{LnbChoice::Kind::SingleLo, 10750};
    const std::vector<std::string> imported = Records(first, lnb);
    std::vector<std::string> names;
    std::vector<TuningEntry> exported;
    for (const std::string& record : imported) {
        TransponderParams tp;
        CChannelDatabase::ParseTransponderRecord(record, tp);
        const auto entry = EntryOfRecord(tp);
        if (!entry) std::abort();  // an imported record must export
        names.push_back(tp.name);
        exported.push_back(*entry);
    }
    const ChannelFileContent second =
        ParseChannelFile(WriteChannelText(names, exported, "fuzz"), "again");
    if (!second.ok || Records(second, lnb) != imported) std::abort();
    return 0;
}
