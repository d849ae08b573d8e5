#pragma once

#include <string>
#include <vector>

namespace orbix::ctl {

// Each command of the command-line companion takes its own arguments (the
// command name excluded) and returns the process exit code.
int RunProbe(const std::vector<std::string>& args);
int RunTune(const std::vector<std::string>& args);
int RunScan(const std::vector<std::string>& args);
int RunDoctor(const std::vector<std::string>& args);
int RunMedia(const std::vector<std::string>& args);
int RunScanNetwork(const std::vector<std::string>& args);
int RunImport(const std::vector<std::string>& args);
int RunExport(const std::vector<std::string>& args);
int RunWatch(const std::vector<std::string>& args);
int RunStats(const std::vector<std::string>& args);
int RunIpData(const std::vector<std::string>& args);

}  // namespace orbix::ctl
