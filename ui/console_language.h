#pragma once

#include <memory>
#include <span>
#include <string>
#include <string_view>

namespace orbix {

// The interface language for a program without windows: the application
// object Qt's translations need and the translations themselves, for as
// long as this object lives. Kept behind this plain header so that the
// command-line program's own code stays free of Qt.
class CConsoleLanguage {
  public:
    CConsoleLanguage(int& argc, char** argv, std::span<const std::string_view> templates);
    ~CConsoleLanguage();
    CConsoleLanguage(const CConsoleLanguage&) = delete;
    CConsoleLanguage& operator=(const CConsoleLanguage&) = delete;

  private:
    struct Parts;
    std::unique_ptr<Parts> m_parts;
};

// A program text in the interface language as UTF-8 bytes, for printing.
std::string TrPrintable(std::string_view gbk);

}  // namespace orbix
