// One edit of a profile text, as the channel database makes them. The input
// is an operation byte, then section, key and value each ended by a NUL, then
// the profile text. An empty section or key picks one of the text's own, so
// edits also land on what is there. After the edit:
// - a refused edit (false) leaves the bytes exactly as they were;
// - an accepted one reads back as written: the key's value, the key or the
//   section gone, the section holding just the line written;
// - every line outside what the edit is about keeps its bytes and its order.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "db/gbk_scan.h"
#include "db/profile_file.h"
#include "db/profile_text.h"

namespace {

using orbix::CParsedProfile;
using orbix::ProfileLine;
using orbix::ProfileSection;
namespace gbk = orbix::gbk;

enum Op { kWriteString, kDeleteKey, kWriteSection, kDeleteSection };

constexpr std::string_view kAbsent = "\x01<absent>";

std::string_view NextField(std::string_view& rest) {
    const std::size_t end = rest.find('\0');
    std::string_view field = rest.substr(0, end);
    rest = end == std::string_view::npos ? std::string_view() : rest.substr(end + 1);
    return field;
}

// A section or key name of the text, chosen by pick, when the input gave none.
std::string Choose(std::string_view given, const std::vector<std::string_view>& names,
                   unsigned pick) {
    if (!given.empty() || names.empty()) return std::string(given);
    return std::string(names[pick % names.size()]);
}

bool InEditedSection(const CParsedProfile& p, std::size_t line, std::string_view section,
                     bool firstOnly) {
    for (const ProfileSection& s : p.Sections()) {
        if (!gbk::EqualNoCase(s.name, section)) continue;
        if (line >= s.header && line < s.end) return true;
        if (firstOnly) return false;
    }
    return false;
}

// The line texts an edit of (section, key) must leave alone, in order. A key
// edit touches the key's lines in the first section of that name, or adds the
// section when there was none; a section edit touches every section of the
// name.
std::vector<std::string_view> Untouched(const CParsedProfile& p, Op op, std::string_view section,
                                        std::string_view key, bool sectionIsNew) {
    std::vector<std::string_view> kept;
    const bool keyEdit = op == kWriteString || op == kDeleteKey;
    for (std::size_t i = 0; i < p.Lines().size(); ++i) {
        const ProfileLine& line = p.Lines()[i];
        bool touched = false;
        if (!keyEdit || sectionIsNew) {
            touched = InEditedSection(p, i, section, keyEdit);
        } else if (InEditedSection(p, i, section, true)) {
            touched = line.kind == ProfileLine::Kind::Key && gbk::EqualNoCase(line.name, key);
        }
        if (!touched) kept.push_back(line.text);
    }
    return kept;
}

bool ReadsBackAsWritten(const orbix::CMemoryProfile& p, Op op, const std::string& section,
                        const std::string& key, const std::string& value) {
    const std::size_t whole = value.size() + 16;
    switch (op) {
        case kWriteString:
            return p.ReadString(section, key, kAbsent, whole) == value;
        case kDeleteKey:
            return p.ReadString(section, key, kAbsent, whole) == kAbsent;
        case kWriteSection:
            return p.ReadSection(section, whole) ==
                   (value.empty() ? std::vector<std::string>{} : std::vector<std::string>{value});
        case kDeleteSection:
            return p.ReadSection(section, 1 << 20).empty();
    }
    return false;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 1) return 0;
    std::string_view rest(reinterpret_cast<const char*>(data) + 1, size - 1);
    const Op op = static_cast<Op>(data[0] & 3);
    const unsigned pick = data[0] >> 2;
    const std::string_view givenSection = NextField(rest);
    const std::string_view givenKey = NextField(rest);
    const std::string value(NextField(rest));
    const std::string text(rest);

    const CParsedProfile before(text);
    std::vector<std::string_view> sections;
    for (const ProfileSection& s : before.Sections()) sections.push_back(s.name);
    const std::string section = Choose(givenSection, sections, pick);
    std::vector<std::string_view> keys;
    if (const ProfileSection* s = before.FindSection(section)) {
        for (std::size_t i = s->header + 1; i < s->end; ++i) {
            if (before.Lines()[i].kind == ProfileLine::Kind::Key)
                keys.push_back(before.Lines()[i].name);
        }
    }
    const std::string key = Choose(givenKey, keys, pick);

    orbix::CMemoryProfile profile(text);
    bool accepted = false;
    switch (op) {
        case kWriteString:
            accepted = profile.WriteString(section, key, value);
            break;
        case kDeleteKey:
            accepted = profile.DeleteKey(section, key);
            break;
        case kWriteSection:
            accepted = profile.WriteSection(section, value);
            break;
        case kDeleteSection:
            accepted = profile.DeleteSection(section);
            break;
    }
    if (!accepted) {
        if (profile.Text() != text) __builtin_trap();  // refused, yet changed
        return 0;
    }
    if (!ReadsBackAsWritten(profile, op, section, key, value)) __builtin_trap();
    const CParsedProfile after(profile.Text());
    const bool sectionIsNew = before.FindSection(section) == nullptr;
    if (Untouched(before, op, section, key, sectionIsNew) !=
        Untouched(after, op, section, key, sectionIsNew)) {
        __builtin_trap();  // a line the edit is not about changed
    }
    return 0;
}
