#include "db/profile_file.h"

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

int LeadingDigits(std::string_view text) {
    long long n = 0;
    for (char c : text) {
        if (c < '0' || c > '9') break;
        n = n * 10 + (c - '0');
        if (n > INT_MAX) return INT_MAX;
    }
    return static_cast<int>(n);
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
    return line ? LeadingDigits(UnquoteValue(line->value)) : defaultValue;
}

std::vector<std::string> ReadSectionFrom(const CParsedProfile& profile, std::string_view section,
                                         std::size_t bufferSize) {
    std::vector<std::string> result;
    const ProfileSection* sec = profile.FindSection(gbk::TrimBlanks(section));
    if (sec == nullptr || bufferSize < 2) return result;
    std::size_t room = bufferSize - 1;  // one byte ends the list
    for (std::size_t i = sec->header + 1; i < sec->end && room > 1; ++i) {
        const ProfileLine& line = profile.Lines()[i];
        if (line.kind != ProfileLine::Kind::Key) continue;
        std::string text = std::string(line.name) + "=" + std::string(line.value);
        if (text.size() + 1 > room) text.resize(room - 1);
        room -= text.size() + 1;
        result.push_back(std::move(text));
    }
    return result;
}

// A profile held in memory: one snapshot of the file for a series of reads,
// or the text a transaction changes write by write and puts on disk at the
// end. A changed text is parsed only when something reads or changes it again.
class CProfileDraft final : public IProfile {
  public:
    explicit CProfileDraft(std::shared_ptr<const CParsedProfile> profile)
        : m_profile(std::move(profile)) {}

    const std::string& Text() const { return m_pending ? *m_pending : m_profile->Text(); }
    bool Failed() const { return m_failed; }

    std::string ReadString(std::string_view section, std::string_view key,
                           std::string_view defaultValue, std::size_t bufferSize) const override {
        return ReadStringFrom(Profile(), section, key, defaultValue, bufferSize);
    }
    int ReadInt(std::string_view section, std::string_view key, int defaultValue) const override {
        return ReadIntFrom(Profile(), section, key, defaultValue);
    }
    std::vector<std::string> ReadSection(std::string_view section,
                                         std::size_t bufferSize) const override {
        return ReadSectionFrom(Profile(), section, bufferSize);
    }
    bool WriteString(std::string_view section, std::string_view key,
                     std::string_view value) override {
        bool ok = IsWritableSectionName(section) && IsWritableKey(key) && IsWritableValue(value);
        return Apply(ok, [&] { return WithKey(Profile(), section, key, value); });
    }
    bool DeleteKey(std::string_view section, std::string_view key) override {
        bool ok = IsWritableSectionName(section) && IsWritableKey(key);
        return Apply(ok, [&] { return WithoutKey(Profile(), section, key); });
    }
    bool WriteSection(std::string_view section, std::string_view line) override {
        bool ok = IsWritableSectionName(section) && IsWritableSectionLine(line);
        return Apply(ok, [&] { return WithSectionReplaced(Profile(), section, line); });
    }
    bool DeleteSection(std::string_view section) override {
        bool ok = IsWritableSectionName(section);
        return Apply(ok, [&] { return WithoutSection(Profile(), section); });
    }

  private:
    const CParsedProfile& Profile() const {
        if (m_pending) {
            m_profile = std::make_shared<const CParsedProfile>(std::move(*m_pending));
            m_pending.reset();
        }
        return *m_profile;
    }

    template <typename Change>
    bool Apply(bool acceptable, Change change) {
        if (!acceptable) {
            m_failed = true;
            return false;
        }
        std::string next = change();
        if (next != Profile().Text()) m_pending = std::move(next);
        return true;
    }

    mutable std::shared_ptr<const CParsedProfile> m_profile;
    mutable std::optional<std::string> m_pending;
    bool m_failed = false;
};

}  // namespace

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

bool IsWritableValue(std::string_view value) { return !HasLineBreakOrNul(value); }

bool IsWritableSectionLine(std::string_view line) {
    std::string_view trimmed = gbk::TrimBlanks(line);
    return !HasLineBreakOrNul(line) && (trimmed.empty() || trimmed.front() != '[');
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
    const CProfileDraft snapshot(LoadProfile(m_path));
    body(snapshot);
}

bool CProfileFile::Transact(const std::function<void(IProfile&)>& body) {
    bool refused = false;
    bool written = ChangeProfile(m_path, [&](const std::shared_ptr<const CParsedProfile>& current) {
        CProfileDraft draft(current);
        body(draft);
        refused = draft.Failed();
        return refused ? current->Text() : draft.Text();
    });
    return written && !refused;
}

}  // namespace orbix
