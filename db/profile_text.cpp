#include "db/profile_text.h"

#include "db/gbk_scan.h"

namespace orbix {
namespace {

constexpr std::string_view kUtf8Bom = "\xEF\xBB\xBF";

ProfileLine ClassifyLine(std::string_view text, std::string_view body) {
    ProfileLine line;
    line.text = text;
    std::string_view trimmed = gbk::TrimBlanks(body);
    if (!trimmed.empty() && trimmed.front() == '[') {
        std::size_t close = gbk::FindChar(trimmed, ']', 1);
        if (close != std::string_view::npos) {
            line.kind = ProfileLine::Kind::Section;
            line.name = gbk::TrimBlanks(trimmed.substr(1, close - 1));
            return line;
        }
    }
    std::size_t eq = trimmed.find('=');  // '=' is never the second byte of a GBK character
    if (eq != std::string_view::npos) {
        line.kind = ProfileLine::Kind::Key;
        line.name = gbk::TrimBlanks(trimmed.substr(0, eq));
        line.value = gbk::TrimBlanks(trimmed.substr(eq + 1));
    }
    return line;
}

bool IsBlankLine(const ProfileLine& line) { return gbk::TrimBlanks(line.text).empty(); }

class CTextBuilder {
  public:
    explicit CTextBuilder(std::size_t sizeHint) { m_text.reserve(sizeHint + 64); }
    void Line(std::string_view text) {
        m_text.append(text);
        m_text.append("\r\n");
    }
    void KeyLine(std::string_view key, std::string_view value) {
        m_text.append(key);
        m_text.push_back('=');
        Line(value);
    }
    void Header(std::string_view section) {
        m_text.push_back('[');
        m_text.append(section);
        Line("]");
    }
    std::string Take() { return std::move(m_text); }

  private:
    std::string m_text;
};

// Index of each line's section in profile.Sections(), or npos before the first.
std::vector<std::size_t> SectionOfLines(const CParsedProfile& profile) {
    std::vector<std::size_t> owner(profile.Lines().size(), std::string_view::npos);
    const auto& sections = profile.Sections();
    for (std::size_t s = 0; s < sections.size(); ++s) {
        for (std::size_t i = sections[s].header; i < sections[s].end; ++i) owner[i] = s;
    }
    return owner;
}

}  // namespace

CParsedProfile::CParsedProfile(std::string text) : m_text(std::move(text)) {
    SplitLines();
    CollectSections();
}

void CParsedProfile::SplitLines() {
    std::string_view all = m_text;
    std::size_t pos = 0;
    while (pos < all.size()) {
        std::size_t end = all.find_first_of("\r\n", pos);
        if (end == std::string_view::npos) end = all.size();
        std::string_view text = all.substr(pos, end - pos);
        std::string_view body = text;
        if (pos == 0 && body.substr(0, kUtf8Bom.size()) == kUtf8Bom)
            body.remove_prefix(kUtf8Bom.size());
        m_lines.push_back(ClassifyLine(text, body));
        pos = end;
        if (pos < all.size() && all[pos] == '\r') {
            ++pos;
            if (pos < all.size() && all[pos] == '\n') ++pos;
        } else if (pos < all.size()) {
            ++pos;
        }
    }
}

void CParsedProfile::CollectSections() {
    for (std::size_t i = 0; i < m_lines.size(); ++i) {
        if (m_lines[i].kind != ProfileLine::Kind::Section) continue;
        if (!m_sections.empty()) m_sections.back().end = i;
        m_sections.push_back(ProfileSection{m_lines[i].name, i, m_lines.size()});
    }
}

const ProfileSection* CParsedProfile::FindSection(std::string_view name) const {
    for (const ProfileSection& s : m_sections) {
        if (gbk::EqualNoCase(s.name, name)) return &s;
    }
    return nullptr;
}

const ProfileLine* CParsedProfile::FindKey(const ProfileSection& section,
                                           std::string_view key) const {
    for (std::size_t i = section.header + 1; i < section.end; ++i) {
        const ProfileLine& line = m_lines[i];
        if (line.kind == ProfileLine::Kind::Key && gbk::EqualNoCase(line.name, key)) return &line;
    }
    return nullptr;
}

std::string_view UnquoteValue(std::string_view value) {
    if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
        value.back() == value.front()) {
        return value.substr(1, value.size() - 2);
    }
    return value;
}

std::string WithKey(const CParsedProfile& profile, std::string_view section, std::string_view key,
                    std::string_view value) {
    const auto& lines = profile.Lines();
    CTextBuilder out(profile.Text().size());
    const ProfileSection* sec = profile.FindSection(section);
    if (sec == nullptr) {
        for (const ProfileLine& line : lines) out.Line(line.text);
        out.Header(section);
        out.KeyLine(key, value);
        return out.Take();
    }
    const ProfileLine* existing = profile.FindKey(*sec, key);
    std::size_t at = sec->end;  // a new key goes after the section's last non-blank line
    if (existing != nullptr) {
        at = static_cast<std::size_t>(existing - lines.data());
    } else {
        while (at > sec->header + 1 && IsBlankLine(lines[at - 1])) --at;
    }
    for (std::size_t i = 0; i <= lines.size(); ++i) {
        if (i == at) out.KeyLine(existing != nullptr ? existing->name : key, value);
        if (i < lines.size() && !(existing != nullptr && i == at)) out.Line(lines[i].text);
    }
    return out.Take();
}

std::string WithoutKey(const CParsedProfile& profile, std::string_view section,
                       std::string_view key) {
    const ProfileSection* sec = profile.FindSection(section);
    if (sec == nullptr || profile.FindKey(*sec, key) == nullptr) return profile.Text();
    const auto& lines = profile.Lines();
    CTextBuilder out(profile.Text().size());
    for (std::size_t i = 0; i < lines.size(); ++i) {
        bool inSection = i > sec->header && i < sec->end;
        bool drop = inSection && lines[i].kind == ProfileLine::Kind::Key &&
                    gbk::EqualNoCase(lines[i].name, key);
        if (!drop) out.Line(lines[i].text);
    }
    return out.Take();
}

// Duplicate sections of the name go with it: after a replace or a delete no
// older copy of the section can come to light.
std::string WithSectionReplaced(const CParsedProfile& profile, std::string_view section,
                                std::string_view line) {
    if (line.empty()) return WithoutSection(profile, section);
    const auto& lines = profile.Lines();
    const auto& sections = profile.Sections();
    const ProfileSection* first = profile.FindSection(section);
    CTextBuilder out(profile.Text().size());
    std::vector<std::size_t> owner = SectionOfLines(profile);
    for (std::size_t i = 0; i < lines.size(); ++i) {
        bool matching = owner[i] != std::string_view::npos &&
                        gbk::EqualNoCase(sections[owner[i]].name, section);
        if (!matching) {
            out.Line(lines[i].text);
        } else if (i == first->header) {
            out.Line(lines[i].text);
            out.Line(line);
        }
    }
    if (first == nullptr) {
        out.Header(section);
        out.Line(line);
    }
    return out.Take();
}

std::string WithoutSection(const CParsedProfile& profile, std::string_view section) {
    if (profile.FindSection(section) == nullptr) return profile.Text();
    const auto& lines = profile.Lines();
    const auto& sections = profile.Sections();
    std::vector<std::size_t> owner = SectionOfLines(profile);
    CTextBuilder out(profile.Text().size());
    for (std::size_t i = 0; i < lines.size(); ++i) {
        bool matching = owner[i] != std::string_view::npos &&
                        gbk::EqualNoCase(sections[owner[i]].name, section);
        if (!matching) out.Line(lines[i].text);
    }
    return out.Take();
}

}  // namespace orbix
