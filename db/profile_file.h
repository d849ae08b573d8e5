#pragma once

#include <cstddef>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "db/profile_text.h"

namespace orbix {

// A profile (INI) file, read and written with the behaviour of the Windows
// profile functions the channel database was designed around:
// - section and key names match without regard to the case of ASCII letters;
//   of duplicate sections or keys the first is the one read and written;
// - blanks around section names, keys and values are ignored; a value in
//   matching quotes ("..." or '...') is read without them; a line without "="
//   is no key, though a section read returns it; "[Name" without its "]"
//   opens no section;
// - lines may end in CR, LF or CRLF; every line written ends in CRLF;
// - bytes are kept as they stand (GBK); the second byte of a double-byte
//   character is never taken for "[" "]" or "\"; a UTF-8 byte-order mark
//   before the first line is skipped when reading and kept when writing.
// Writes return false when nothing was changed because the text was refused
// or the file could not be written. Section names, keys, values and lines
// holding CR, LF or NUL are refused rather than rewritten, so no write ever
// adds a line nobody asked for; so are texts that would read back as another
// structure (a key with "=" or starting with "[", a section name with "]")
// or as another text (a value or section line with outer blanks, a quoted
// value, a section line starting with "[" or ";").
class IProfile {
  public:
    virtual ~IProfile() = default;

    // The key's value, or defaultValue when the key is absent; either one cut
    // to bufferSize - 1 bytes, as a reader with a buffer of that size sees it.
    virtual std::string ReadString(std::string_view section, std::string_view key,
                                   std::string_view defaultValue, std::size_t bufferSize) const = 0;

    // The key's value read as an optional sign ("+" or "-") and the decimal
    // digits after it (0 when there are none, clamped to the int range);
    // defaultValue when the key is absent.
    virtual int ReadInt(std::string_view section, std::string_view key, int defaultValue) const = 0;

    // The section's lines: key lines as key "=" value, lines without "=" as
    // they stand (blanks trimmed; blank lines and ";" comments left out), in
    // file order, as a reader with a buffer of
    // bufferSize bytes sees them: each line takes its length plus one byte and
    // the list one more, so the first line is cut to bufferSize - 2 bytes and
    // later lines that no longer fit are cut or left out. Empty when the
    // section is absent.
    virtual std::vector<std::string> ReadSection(std::string_view section,
                                                 std::size_t bufferSize) const = 0;

    // Sets the key, creating section and key when needed.
    virtual bool WriteString(std::string_view section, std::string_view key,
                             std::string_view value) = 0;
    // Removes the key (every copy of it within the section).
    virtual bool DeleteKey(std::string_view section, std::string_view key) = 0;
    // Replaces everything in the section by line ("key=value"); an empty line
    // deletes the section.
    virtual bool WriteSection(std::string_view section, std::string_view line) = 0;
    // Removes the section and every duplicate of it.
    virtual bool DeleteSection(std::string_view section) = 0;
};

// A profile held in memory: one snapshot of a file for a series of reads, or
// a text that writes change one after the other. A changed text is parsed
// only when something reads or changes it again.
class CMemoryProfile final : public IProfile {
  public:
    explicit CMemoryProfile(std::string text);
    explicit CMemoryProfile(std::shared_ptr<const CParsedProfile> profile);

    // The text as the writes so far have left it.
    const std::string& Text() const;
    // True once any write was refused.
    bool Failed() const { return m_failed; }

    std::string ReadString(std::string_view section, std::string_view key,
                           std::string_view defaultValue, std::size_t bufferSize) const override;
    int ReadInt(std::string_view section, std::string_view key, int defaultValue) const override;
    std::vector<std::string> ReadSection(std::string_view section,
                                         std::size_t bufferSize) const override;
    bool WriteString(std::string_view section, std::string_view key,
                     std::string_view value) override;
    bool DeleteKey(std::string_view section, std::string_view key) override;
    bool WriteSection(std::string_view section, std::string_view line) override;
    bool DeleteSection(std::string_view section) override;

  private:
    const CParsedProfile& Profile() const;
    bool Apply(bool acceptable, const std::function<std::string()>& change);

    mutable std::shared_ptr<const CParsedProfile> m_profile;
    mutable std::optional<std::string> m_pending;
    bool m_failed = false;
};

// The file on disk. Every read looks at the file as it is now; every write
// replaces the file atomically (see profile_store.h).
class CProfileFile final : public IProfile {
  public:
    explicit CProfileFile(std::string path) : m_path(std::move(path)) {}

    const std::string& Path() const { return m_path; }

    std::string ReadString(std::string_view section, std::string_view key,
                           std::string_view defaultValue, std::size_t bufferSize) const override;
    int ReadInt(std::string_view section, std::string_view key, int defaultValue) const override;
    std::vector<std::string> ReadSection(std::string_view section,
                                         std::size_t bufferSize) const override;
    bool WriteString(std::string_view section, std::string_view key,
                     std::string_view value) override;
    bool DeleteKey(std::string_view section, std::string_view key) override;
    bool WriteSection(std::string_view section, std::string_view line) override;
    bool DeleteSection(std::string_view section) override;

    // Runs a series of reads on one snapshot of the file, so they all see the
    // same version of it.
    void View(const std::function<void(const IProfile&)>& body) const;

    // Runs a series of reads and writes as one change of the file: body sees
    // its own writes, other readers see the file before or after all of them,
    // and no other writer comes in between. When any write of body is refused
    // or the file cannot be written, nothing is changed and the result is
    // false.
    bool Transact(const std::function<void(IProfile&)>& body);

    // Why the last write of this object failed: an errno value (EINVAL for a
    // text refused as unwritable); 0 after a write that succeeded.
    int LastError() const { return m_lastError; }

  private:
    std::string m_path;
    int m_lastError = 0;
};

// Whether a text may be written as a section name, a key, a value or a
// section line without changing the file's structure.
bool IsWritableSectionName(std::string_view section);
bool IsWritableKey(std::string_view key);
bool IsWritableValue(std::string_view value);
bool IsWritableSectionLine(std::string_view line);

}  // namespace orbix
