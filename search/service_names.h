#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "db/channel_database.h"
#include "search/dvb_text.h"
#include "search/psi.h"
#include "search/si_receive.h"

namespace orbix {

// The SDT repeats at least every 2 s; waiting a little longer catches one.
inline constexpr std::int64_t kSdtWaitMs = 2500;

// Whether the search names programs from the broadcast service table, and
// how text without a table selector is read. Stored in the channel
// database's section "ServiceNames"; off when absent.
struct ServiceNameOptions {
    bool enabled = false;
    NoSelectorCharset noSelector = NoSelectorCharset::Iso6937;
};

inline constexpr const char* kServiceNamesSection = "ServiceNames";
inline constexpr const char* kServiceProvidersSection = "ServiceProviders";

ServiceNameOptions ReadServiceNameOptions(const std::string& iniPath);
bool WriteServiceNameOptions(const std::string& iniPath, const ServiceNameOptions& options);

// A service's name and provider, decoded to GBK.
struct ServiceText {
    std::string name;
    std::string provider;
};
// By service_id, which is the PAT's program_number.
using ServiceNames = std::map<std::uint16_t, ServiceText>;

// The services of the SDT sections, decoded; services without a service
// descriptor or with an empty decoded name are left out.
ServiceNames DecodeServiceNames(const std::vector<std::vector<std::uint8_t>>& sections,
                                NoSelectorCharset noSelector);

// Waits (wait.timeoutMs) for the whole SDT of the transport stream. The
// source must already pass PID 0x11. received is false when no whole table
// came.
struct SdtResult {
    bool received = false;
    ServiceNames services;
};
SdtResult ReceiveServiceNames(const TableWait& wait, NoSelectorCharset noSelector);

// The program name with the service's name in place of the numbered one,
// keeping a "(加扰)" mark, shortened at a character boundary so that the
// whole record fits the reader's 49 bytes.
std::string ProgramNameFor(const ProgramEntry& program, const std::string& serviceName);

// Names programs (those of the PAT entries with a non-zero program number,
// in PAT order, as the search makes them) from services; a program missing
// from them keeps its name. The providers, by program key, for the programs
// renamed. Returns how many were renamed.
int ApplyServiceNames(std::vector<ProgramEntry>& programs, const PatTable& pat,
                      const ServiceNames& services, std::map<std::string, std::string>& providers);

// Replaces section "ServiceProviders" by the providers: key = program key,
// value = provider "|" name "|", so that a provider is shown only for the
// program it was stored with. False when the file could not be written;
// writeError, when given, then gets the errno.
bool StoreProviders(const std::string& iniPath, const std::vector<ProgramEntry>& programs,
                    const std::map<std::string, std::string>& providers, int* writeError = nullptr);
// The provider stored with the program of this name, empty when none is.
std::string ReadProvider(const std::string& iniPath, std::string_view programName);

}  // namespace orbix
