#include <cstdio>
#include <string>
#include <vector>

#include "app/ctl/commands.h"
#include "db/channel_import.h"
#include "platform/text.h"
#include "ui/console_language.h"

namespace orbix::ctl {
namespace {

constexpr const char* kImportUsage =
    "usage: orbixctl import FILE [--satellite NAME] [--lnb ku|c|MHZ]\n";
constexpr const char* kExportUsage = "usage: orbixctl export SATELLITE FILE\n";

int ExitCode(TransferOutcome outcome) {
    switch (outcome) {
        case TransferOutcome::Done:
            return 0;
        case TransferOutcome::Failed:
            return 1;
        case TransferOutcome::BadInput:
            break;
    }
    return 2;
}

int Report(TransferOutcome outcome, const std::vector<std::string>& messages) {
    std::FILE* out = outcome == TransferOutcome::Done ? stdout : stderr;
    for (const std::string& m : messages) std::fprintf(out, "%s\n", TrPrintable(m).c_str());
    return ExitCode(outcome);
}

struct ImportArgs {
    std::string file;
    std::string satellite;  // GBK; empty for the file's name
    LnbChoice lnb;
};

bool ParseImportArgs(const std::vector<std::string>& args, ImportArgs& out) {
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        const bool hasValue = i + 1 < args.size();
        if (a == "--satellite" && hasValue) {
            out.satellite = Gbk(args[++i]);
            if (out.satellite.empty()) return false;
        } else if (a == "--lnb" && hasValue) {
            auto lnb = ParseLnbChoice(args[++i]);
            if (!lnb) return false;
            out.lnb = *lnb;
        } else if (out.file.empty() && !a.empty() && a.front() != '-') {
            out.file = a;
        } else {
            return false;
        }
    }
    return !out.file.empty();
}

}  // namespace

int RunImport(const std::vector<std::string>& args) {
    ImportArgs parsed;
    if (!ParseImportArgs(args, parsed)) {
        std::fprintf(stderr, "%s", kImportUsage);
        return 2;
    }
    CChannelDatabase db;
    const ImportResult result = ImportChannelFile(db, parsed.file, parsed.satellite, parsed.lnb);
    return Report(result.outcome, result.messages);
}

int RunExport(const std::vector<std::string>& args) {
    if (args.size() != 2) {
        std::fprintf(stderr, "%s", kExportUsage);
        return 2;
    }
    const ExportResult result = ExportSatellite(CChannelDatabase(), Gbk(args[0]), args[1]);
    return Report(result.outcome, result.messages);
}

}  // namespace orbix::ctl
