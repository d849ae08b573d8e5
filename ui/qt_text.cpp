#include "ui/qt_text.h"

#include <QCoreApplication>

#include "platform/text.h"
#include "ui/console_language.h"

namespace orbix {
namespace {

// No translation is installed while the interface speaks Chinese.
bool Translating() {
    return QCoreApplication::translate(kTextContext, "确定") != QStringLiteral("确定");
}

}  // namespace

QString FromUtf8(std::string_view utf8) {
    return QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size()));
}

QString FromGbk(std::string_view gbk) { return FromUtf8(Utf8(gbk)); }

std::string ToGbk(const QString& text) { return Gbk(text.toStdString()); }

QString TrUtf8(std::string_view utf8) {
    if (utf8.empty() || !Translating()) return FromUtf8(utf8);
    return QCoreApplication::translate(kTextContext, std::string(utf8).c_str());
}

QString TrGbk(std::string_view gbk) { return TrUtf8(Utf8(gbk)); }

std::string TrPrintable(std::string_view gbk) { return TrGbk(gbk).toStdString(); }

}  // namespace orbix
