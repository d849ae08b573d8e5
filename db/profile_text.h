#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace orbix {

// One line of a profile file, as views into the parsed text.
struct ProfileLine {
    enum class Kind { Other, Section, Key };
    Kind kind = Kind::Other;
    std::string_view text;   // the whole line without its line ending
    std::string_view name;   // section name or key, blanks trimmed
    std::string_view value;  // a key's value, blanks trimmed, quotes kept
};

// The lines of one section: header line and the lines up to the next header.
struct ProfileSection {
    std::string_view name;
    std::size_t header = 0;
    std::size_t end = 0;  // one past the last line of the section
};

// A profile file's text split into lines and sections, read the way the
// Windows profile functions read it: CR, LF and CRLF all end a line, names
// match without regard to letter case, and the first of duplicate sections or
// keys is the one seen. The object owns its text and is neither copied nor
// moved, so the views stay valid.
class CParsedProfile {
  public:
    explicit CParsedProfile(std::string text);
    CParsedProfile(const CParsedProfile&) = delete;
    CParsedProfile& operator=(const CParsedProfile&) = delete;

    const std::string& Text() const { return m_text; }
    const std::vector<ProfileLine>& Lines() const { return m_lines; }
    const std::vector<ProfileSection>& Sections() const { return m_sections; }

    // The first section of that name, or nullptr.
    const ProfileSection* FindSection(std::string_view name) const;
    // The first key line of that name within section, or nullptr.
    const ProfileLine* FindKey(const ProfileSection& section, std::string_view key) const;

  private:
    void SplitLines();
    void CollectSections();

    std::string m_text;
    std::vector<ProfileLine> m_lines;
    std::vector<ProfileSection> m_sections;
};

// A value as a key read returns it: one pair of matching quotes removed.
std::string_view UnquoteValue(std::string_view value);

// Whole new file texts for the four kinds of change. Lines the change does
// not touch keep their bytes; every line ends with CRLF in the result. The
// caller has checked that the names and texts hold no line breaks.
std::string WithKey(const CParsedProfile& profile, std::string_view section, std::string_view key,
                    std::string_view value);
std::string WithoutKey(const CParsedProfile& profile, std::string_view section,
                       std::string_view key);
std::string WithSectionReplaced(const CParsedProfile& profile, std::string_view section,
                                std::string_view line);
std::string WithoutSection(const CParsedProfile& profile, std::string_view section);

}  // namespace orbix
