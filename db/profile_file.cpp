#include "db/profile_file.h"

#include <cerrno>
#include <climits>
#include <memory>
#include <optional>

#include "db/gbk_scan.h"
#include "db/profile_store.h"
#include "db/profile_text.h"

namespace orbix {
namespace {

bool HasLineBreakOrNul(std::string_view text) {
    return text.find_first_of(std::string_view("\r\n\0", 3)) != std::string_view::npos;
}

std::string Cut(std::string_view text, std::size_t bufferSize) {
    if (bufferSize == 0) return {};
    return std::string(gbk::Head(text, bufferSize - 1));
}

// An optional sign and the decimal digits after it, as the Windows integer
// read takes them; clamped to the int range.
int LeadingSignedDigits(std::string_view text) {
    bool negative = !text.empty() && text.front() == '-';
    if (!text.empty() && (text.front() == '-' || text.front() == '+')) text.remove_prefix(1);
    long long n = 0;
    for (char c : text) {
        if (c < '0' || c > '9') break;
        n = n * 10 + (c - '0');
        if (n > INT_MAX) return negative ? INT_MIN : INT_MAX;
    }
    return static_cast<int>(negative ? -n : n);
}

// A line of a section that the Windows section read returns besides the key
// lines: anything but a blank line or a ";" comment.
bool IsPlainSectionLine(const ProfileLine& line) {
    std::string_view trimmed = gbk::TrimBlanks(line.text);
    return line.kind == ProfileLine::Kind::Other && !trimmed.empty() && trimmed.front() != ';';
}

const ProfileLine* FindKeyLine(const CParsedProfile& profile, std::string_view section,
                               std::string_view key) {
    const ProfileSection* sec = profile.FindSection(gbk::TrimBlanks(section));
    return sec ? profile.FindKey(*sec, gbk::TrimBlanks(key)) : nullptr;
}

std::string ReadStringFrom(const CParsedProfile& profile, std::string_view section,
                           std::string_view key, std::string_view defaultValue,
                           std::size_t bufferSize) {
    const ProfileLine* line = FindKeyLine(profile, section, key);
    return Cut(line ? UnquoteValue(line->value) : defaultValue, bufferSize);
}

int ReadIntFrom(const CParsedProfile& profile, std::string_view section, std::string_view key,
                int defaultValue) {
    const ProfileLine* line = FindKeyLine(profile, section, key);
    return line ? LeadingSignedDigits(UnquoteValue(line->value)) : defaultValue;
}

std::vector<std::string> ReadSectionFrom(const CParsedProfile& profile, std::string_view section,
                                         std::size_t bufferSize) {
    std::vector<std::string> result;
    const ProfileSection* sec = profile.FindSection(gbk::TrimBlanks(section));
    if (sec == nullptr || bufferSize < 2) return result;
    std::size_t room = bufferSize - 1;  // one byte ends the list
    for (std::size_t i = sec->header + 1; i < sec->end && room > 1; ++i) {
        const ProfileLine& line = profile.Lines()[i];
        std::string text;
        if (line.kind == ProfileLine::Kind::Key) {
            text = std::string(line.name) + "=" + std::string(line.value);
        } else if (IsPlainSectionLine(line)) {
            text = std::string(gbk::TrimBlanks(line.text));
        } else {
            continue;
        }
        if (text.size() + 1 > room) text.resize(room - 1);
        room -= text.size() + 1;
        result.push_back(std::move(text));
    }
    return result;
}

}  // namespace

CMemoryProfile::CMemoryProfile(std::string text)
    : m_profile(std::make_shared<const CParsedProfile>(std::move(text))) {}

CMemoryProfile::CMemoryProfile(std::shared_ptr<const CParsedProfile> profile)
    : m_profile(std::move(profile)) {}

const std::string& CMemoryProfile::Text() const {
    return m_pending ? *m_pending : m_profile->Text();
}

std::string CMemoryProfile::ReadString(std::string_view section, std::string_view key,
                                       std::string_view defaultValue,
                                       std::size_t bufferSize) const {
    return ReadStringFrom(Profile(), section, key, defaultValue, bufferSize);
}

int CMemoryProfile::ReadInt(std::string_view section, std::string_view key,
                            int defaultValue) const {
    return ReadIntFrom(Profile(), section, key, defaultValue);
}

std::vector<std::string> CMemoryProfile::ReadSection(std::string_view section,
                                                     std::size_t bufferSize) const {
    return ReadSectionFrom(Profile(), section, bufferSize);
}

bool CMemoryProfile::WriteString(std::string_view section, std::string_view key,
                                 std::string_view value) {
    bool ok = IsWritableSectionName(section) && IsWritableKey(key) && IsWritableValue(value);
    return Apply(ok, [&] { return WithKey(Profile(), section, key, value); });
}

bool CMemoryProfile::DeleteKey(std::string_view section, std::string_view key) {
    bool ok = IsWritableSectionName(section) && IsWritableKey(key);
    return Apply(ok, [&] { return WithoutKey(Profile(), section, key); });
}

bool CMemoryProfile::WriteSection(std::string_view section, std::string_view line) {
    bool ok = IsWritableSectionName(section) && IsWritableSectionLine(line);
    return Apply(ok, [&] { return WithSectionReplaced(Profile(), section, line); });
}

bool CMemoryProfile::DeleteSection(std::string_view section) {
    bool ok = IsWritableSectionName(section);
    return Apply(ok, [&] { return WithoutSection(Profile(), section); });
}

const CParsedProfile& CMemoryProfile::Profile() const {
    if (m_pending) {
        m_profile = std::make_shared<const CParsedProfile>(std::move(*m_pending));
        m_pending.reset();
    }
    return *m_profile;
}

bool CMemoryProfile::Apply(bool acceptable, const std::function<std::string()>& change) {
    if (!acceptable) {
        m_failed = true;
        return false;
    }
    std::string next = change();
    if (next != Profile().Text()) m_pending = std::move(next);
    return true;
}

bool IsWritableSectionName(std::string_view section) {
    std::string_view trimmed = gbk::TrimBlanks(section);
    return !trimmed.empty() && trimmed == section && !HasLineBreakOrNul(section) &&
           !gbk::HasChar(section, ']') && !gbk::EndsInLeadByte(section);
}

bool IsWritableKey(std::string_view key) {
    std::string_view trimmed = gbk::TrimBlanks(key);
    return !trimmed.empty() && trimmed == key && !HasLineBreakOrNul(key) &&
           key.find('=') == std::string_view::npos && key.front() != '[';
}

// A key read trims blanks and takes off matching quotes; a value that would
// lose them could not be read back as it was written.
bool IsWritableValue(std::string_view value) {
    return !HasLineBreakOrNul(value) && gbk::TrimBlanks(value) == value &&
           UnquoteValue(value) == value;
}

// The section read must give the line back exactly: no blanks a read would
// trim, nothing a read would take for a header, a comment or a blank line.
bool IsWritableSectionLine(std::string_view line) {
    if (line.empty()) return true;  // deletes the section
    if (HasLineBreakOrNul(line) || gbk::TrimBlanks(line) != line) return false;
    if (line.front() == '[' || line.front() == ';') return false;
    std::size_t eq = line.find('=');
    if (eq == std::string_view::npos) return true;
    std::string_view key = line.substr(0, eq);
    std::string_view value = line.substr(eq + 1);
    return gbk::TrimBlanks(key) == key && gbk::TrimBlanks(value) == value;
}

std::string CProfileFile::ReadString(std::string_view section, std::string_view key,
                                     std::string_view defaultValue, std::size_t bufferSize) const {
    return ReadStringFrom(*LoadProfile(m_path), section, key, defaultValue, bufferSize);
}

int CProfileFile::ReadInt(std::string_view section, std::string_view key, int defaultValue) const {
    return ReadIntFrom(*LoadProfile(m_path), section, key, defaultValue);
}

std::vector<std::string> CProfileFile::ReadSection(std::string_view section,
                                                   std::size_t bufferSize) const {
    return ReadSectionFrom(*LoadProfile(m_path), section, bufferSize);
}

bool CProfileFile::WriteString(std::string_view section, std::string_view key,
                               std::string_view value) {
    return Transact([&](IProfile& p) { p.WriteString(section, key, value); });
}

bool CProfileFile::DeleteKey(std::string_view section, std::string_view key) {
    return Transact([&](IProfile& p) { p.DeleteKey(section, key); });
}

bool CProfileFile::WriteSection(std::string_view section, std::string_view line) {
    return Transact([&](IProfile& p) { p.WriteSection(section, line); });
}

bool CProfileFile::DeleteSection(std::string_view section) {
    return Transact([&](IProfile& p) { p.DeleteSection(section); });
}

void CProfileFile::View(const std::function<void(const IProfile&)>& body) const {
    const CMemoryProfile snapshot(LoadProfile(m_path));
    body(snapshot);
}

bool CProfileFile::Transact(const std::function<void(IProfile&)>& body) {
    bool refused = false;
    int error = 0;
    bool written = ChangeProfile(
        m_path,
        [&](const std::shared_ptr<const CParsedProfile>& current) {
            CMemoryProfile draft(current);
            body(draft);
            refused = draft.Failed();
            return refused ? current->Text() : draft.Text();
        },
        &error);
    m_lastError = written && refused ? EINVAL : error;
    return written && !refused;
}

}  // namespace orbix
